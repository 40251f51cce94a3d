#pragma once

#include "receivables/PaymentStore.h"
#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolGridOwner.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class CDocumentosSet;
class CTolDatePicker;
class CTolEdit;
class CTolGrid;
class Database;
class QGroupBox;

// "Cuentas por cobrar": the documents neither paid nor cancelled, by series, folio and date,
// narrowed by customer, series, folio or due date; "Recibir pago" (or Enter on a row) registers a
// payment of the highlighted document, and a document paid in full leaves the list.
//
// The list's record set loads its keys once per search and fetches rows by page, so every paint
// reads only the rows it shows.
class CCobrosDlg final : public CTolDialog, public ITolGridOwner {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCobrosDlg)
public:
    static constexpr int kDialogId = 162;
    static constexpr int kClienteId = 1000;
    static constexpr int kSerieId = 1008;
    static constexpr int kFolioId = 1009;
    static constexpr int kVencimientoId = 1111;
    static constexpr int kVencidasAlId = 1005;
    static constexpr int kBuscarId = 1021;
    static constexpr int kGridId = 1011;
    static constexpr int kRecibirId = 1123;
    static constexpr int kSalirId = 1067;
    static constexpr int kLookupCommand = 1124;  // the customer edit's pick button

    static constexpr int kColumns = 6;

    // Opens the list on every open document. Throws DbError when the documents cannot be read.
    explicit CCobrosDlg(Database& db, QWidget* parent = nullptr);
    ~CCobrosDlg() override;

    // Runs the dialog modally (after saying why, when the documents cannot be read).
    static void Run(Database& db, QWidget* parent = nullptr);

    // The filter as the controls give it now (folio 0 and customer 0 mean none).
    ReceivablesFilter filter() const;
    std::int32_t idCliente() const { return m_idCliente; }
    // Sets the customer filter, as choosing it in the catalogue does; it applies from the next
    // search.
    void setCliente(std::int32_t idCliente, const QString& nombre);

    CTolGrid* grid() const { return m_grid; }
    // Documents listed (data rows of the grid).
    int documentCount() const;

    // "Buscar": queries the list again with the filter of the controls.
    void buscar();
    // "Recibir pago" on data row `row` (1-based): asks for the payment and registers it. Returns
    // whether a payment was registered; a row that is not a data row does nothing.
    bool recibirPago(int row);

    // The grid's owner.
    void tgmGetCellText(int gridId, TolGridCell& cell) override;
    void tgmRowActivate(int gridId, int row) override;

    void reject() override;

protected:
    void onCommand(int id) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void requery();
    bool moveTo(int row);
    // The texts of data row `row`, read once per row while a paint asks for its cells.
    const std::array<QString, kColumns>& rowTexts(int row);
    void chooseCustomer();

    Database& m_db;
    std::unique_ptr<CDocumentosSet> m_set;
    // The filter of the last search: a payment requeries with it, not with half-edited controls.
    ReceivablesFilter m_applied;
    std::int32_t m_idCliente = 0;
    int m_cachedRow = 0;
    std::array<QString, kColumns> m_cached;

    CTolEdit* m_cliente = nullptr;
    CTolEdit* m_serie = nullptr;
    CTolEdit* m_folio = nullptr;
    QGroupBox* m_vencimiento = nullptr;
    CTolDatePicker* m_vencidasAl = nullptr;
    CTolGrid* m_grid = nullptr;
};
