#pragma once

#include "platform/ui/DocumentListDlg.h"
#include "receivables/PaymentStore.h"

#include <cstdint>

class CTolDatePicker;
class QGroupBox;

// "Cuentas por cobrar": the documents neither paid nor cancelled, by series, folio and date,
// narrowed by customer, series, folio or due date; "Recibir pago" (or Enter on a row) registers a
// payment of the highlighted document, and a document paid in full leaves the list.
//
// The list's record set loads its keys once per search and fetches rows by page, so every paint
// reads only the rows it shows.
class CCobrosDlg final : public CDocumentListDlg {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCobrosDlg)
public:
    static constexpr int kDialogId = 162;
    static constexpr int kVencimientoId = 1111;
    static constexpr int kVencidasAlId = 1005;
    static constexpr int kBuscarId = 1021;
    static constexpr int kGridId = 1011;
    static constexpr int kRecibirId = 1123;
    static constexpr int kSalirId = 1067;

    static constexpr int kColumns = 6;

    // Opens the list on every open document. Throws DbError when the documents cannot be read.
    explicit CCobrosDlg(Database& db, QWidget* parent = nullptr);
    ~CCobrosDlg() override;

    // Runs the dialog modally (after saying why, when the documents cannot be read).
    static void Run(Database& db, QWidget* parent = nullptr);

    // The filter as the controls give it now (folio 0 and customer 0 mean none).
    ReceivablesFilter filter() const;

    // Documents listed (data rows of the grid).
    int documentCount() const { return documentsListed(); }

    // "Buscar": queries the list again with the filter of the controls.
    void buscar();
    // "Recibir pago" on data row `row` (1-based): asks for the payment and registers it. Returns
    // whether a payment was registered; a row that is not a data row does nothing.
    bool recibirPago(int row);

    // The grid's owner.
    void tgmRowActivate(int gridId, int row) override;

protected:
    void showEvent(QShowEvent* event) override;
    void rowTexts(QStringList& texts) const override;
    void chooseCustomer() override;

private:
    void createControls();
    void requery();

    // The filter of the last search: a payment requeries with it, not with half-edited controls.
    ReceivablesFilter m_applied;
    QGroupBox* m_vencimiento = nullptr;
    CTolDatePicker* m_vencidasAl = nullptr;
};
