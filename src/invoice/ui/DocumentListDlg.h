#pragma once

#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolGridOwner.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>

class CDocumentosSet;
class CTolEdit;
class CTolGrid;
class Database;
enum class OpenType;
struct SqlCondition;

// What the document search and the receivables list share: documents in a row-select grid that
// reads them row by row (each row's texts once per paint), and the first line of the filter: the
// customer (chosen from the catalogue with the box's lookup button or F9), the series and the folio.
class CDocumentListDlg : public CTolDialog, public ITolGridOwner {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDocumentListDlg)
public:
    static constexpr int kClienteId = 1000;
    static constexpr int kSerieId = 1008;
    static constexpr int kFolioId = 1009;
    static constexpr int kLookupCommand = 1124;  // the customer box's lookup button

    ~CDocumentListDlg() override;

    // The customer the list is narrowed to (0 = none), as the lookup stored it.
    std::int32_t idCliente() const { return m_idCliente; }
    // Sets the customer filter, as choosing it in the catalogue does; it applies from the next
    // search.
    void setCliente(std::int32_t idCliente, const QString& nombre);

    CTolGrid* grid() const { return m_grid; }

    void tgmGetCellText(int gridId, TolGridCell& cell) override;
    void reject() override;

protected:
    // A list of `columns` columns.
    CDocumentListDlg(Database& db, int columns, QWidget* parent);

    // Creates the customer, series and folio boxes with their labels on the filter's first line:
    // the customer box `clienteWidth` dialog units wide, the series label at `serieX`.
    void createKeyFields(int clienteWidth, int serieX);
    // The series as typed, in capitals; the folio read from its box (0 for none).
    std::string serieText() const;
    std::int32_t folioNumber() const;
    // Shows `folio` in its box as the search read it: six digits, or nothing for none.
    void showFolio(std::int32_t folio);

    // Lists the documents that meet `condition`.
    void query(const SqlCondition& condition, OpenType openType);
    int documentsListed() const;
    // Moves the record set to data row `row` (1-based); false when the row is gone. Throws DbError.
    bool moveTo(int row);
    // moveTo() that says what went wrong instead of throwing.
    bool tryMoveTo(int row);
    // Closes the list, as a dialog that ends does.
    void closeList();
    // The texts of the record the set stands on, one per column.
    virtual void rowTexts(QStringList& texts) const = 0;

    void onCommand(int id) override;

    Database& m_db;
    std::unique_ptr<CDocumentosSet> m_set;
    // Created by the subclass with its columns.
    CTolGrid* m_grid = nullptr;

private:
    // The texts of data row `row`, read once per row while a paint asks for its cells.
    const QStringList& cachedRow(int row);
    void chooseCustomer();

    int m_columns;
    std::int32_t m_idCliente = 0;
    int m_cachedRow = 0;
    QStringList m_cached;
    CTolEdit* m_cliente = nullptr;
    CTolEdit* m_serie = nullptr;
    CTolEdit* m_folio = nullptr;
};
