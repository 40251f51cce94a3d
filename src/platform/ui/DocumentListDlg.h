#pragma once

#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolGridOwner.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>

class CDocumentosSet;
class CKeysetList;
class CTolEdit;
class CTolGrid;
class Database;
struct SqlCondition;

// What the document search and the receivables list share: documents in a row-select grid that
// reads them a window at a time in series, folio and date order (each row's texts once per paint,
// see CKeysetList), and the first line of the filter: the customer (chosen with the box's lookup
// button or F9, from the catalogue the subclass shows), the series and the folio.
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
    // Counts the documents now if that is still pending (the event loop does it otherwise).
    void settleCount();

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

    // Lists the documents that meet `condition`, from the first. Throws DbError.
    void openList(const SqlCondition& condition);
    // openList() that says what went wrong instead of throwing.
    void query(const SqlCondition& condition);
    bool isListOpen() const;
    // Data rows of the grid; until the documents are counted (when the event loop is next free),
    // the ones read so far.
    int documentsListed() const;
    // Loads data row `row` (1-based) into the record set's members; false when the row is gone.
    // Throws DbError.
    bool moveTo(int row);
    // moveTo() that says what went wrong instead of throwing.
    bool tryMoveTo(int row);
    // Closes the list, as a dialog that ends does.
    void closeList();
    // The texts of the document in the record set's members, one per column.
    virtual void rowTexts(QStringList& texts) const = 0;
    // The customer box's lookup: shows the customers and gives the one chosen to setCliente().
    virtual void chooseCustomer() = 0;

    void onCommand(int id) override;

    Database& m_db;
    // Holds the members of the row in use; never opened.
    std::unique_ptr<CDocumentosSet> m_set;
    std::unique_ptr<CKeysetList> m_list;
    // Created by the subclass with its columns.
    CTolGrid* m_grid = nullptr;

private:
    // The texts of data row `row`, read once per row while a paint asks for its cells.
    const QStringList& cachedRow(int row);

    int m_columns;
    std::int32_t m_idCliente = 0;
    int m_cachedRow = 0;
    QStringList m_cached;
    CTolEdit* m_cliente = nullptr;
    CTolEdit* m_serie = nullptr;
    CTolEdit* m_folio = nullptr;
};
