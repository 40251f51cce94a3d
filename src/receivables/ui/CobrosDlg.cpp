#include "receivables/ui/CobrosDlg.h"

#include "cfdi/ui/ComplementoPagoDlg.h"
#include "printing/ui/PaymentReceipt.h"

#include "catalogs/ui/CatClientes.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DocumentosSet.h"
#include "db/ValueFunctions.h"
#include "db/ui/DbErrorMessage.h"
#include "db/ui/OleDateQt.h"
#include "invoice/MoneyText.h"
#include "receivables/ui/AskPago.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

CCobrosDlg::CCobrosDlg(Database& db, QWidget* parent)
    : CDocumentListDlg(db, kColumns, parent) {
    setWindowTitle(QStringLiteral("Cuentas por cobrar"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    createControls();
    m_applied = filter();
    requery();
}

CCobrosDlg::~CCobrosDlg() = default;

void CCobrosDlg::createControls() {
    setClientSize(dialogSize(430, 262));
    // Frames first, so the controls drawn over them come later in the tab order.
    auto* filtro = new QGroupBox(QStringLiteral("Buscar por:"), this);
    filtro->setGeometry(dialogRect(7, 3, 416, 62));

    auto label = [this](const QString& text, int x, int y, int w) {
        auto* l = new QLabel(text, this);
        l->setGeometry(dialogRect(x, y + 2, w, 9));
    };
    createKeyFields(200, 252);

    m_vencimiento = new QGroupBox(QStringLiteral("Por vencimiento:"), this);
    setId(m_vencimiento, kVencimientoId);
    m_vencimiento->setCheckable(true);
    m_vencimiento->setChecked(false);
    m_vencimiento->setGeometry(dialogRect(14, 31, 150, 29));
    label(QStringLiteral("Vencidas al:"), 21, 43, 42);
    m_vencidasAl = new CTolDatePicker(this);
    setId(m_vencidasAl, kVencidasAlId);
    m_vencidasAl->setGeometry(dialogRect(66, 43, 72, 12));
    m_vencidasAl->setDateTime(QDateTime::currentDateTime());
    m_vencidasAl->setEnabled(false);
    connect(m_vencimiento, &QGroupBox::toggled, m_vencidasAl, &QWidget::setEnabled);

    auto* buscarButton = new CTolButton(QStringLiteral("Buscar"), this);
    setId(buscarButton, kBuscarId);
    buscarButton->setGeometry(dialogRect(361, 44, 55, 14));
    connect(buscarButton, &QPushButton::clicked, this, &CCobrosDlg::buscar);

    m_grid = new CTolGrid(this, kGridId, this, false);
    m_grid->setGeometry(dialogRect(7, 69, 416, 168));
    m_grid->setColumnCount(kColumns);
    m_grid->setColumn(1, QStringLiteral("Serie/Folio"), 60, true);
    m_grid->setColumn(2, QStringLiteral("Fecha"), 80, true);
    m_grid->setColumn(3, QStringLiteral("Vence"), 80, true);
    m_grid->setColumn(4, QStringLiteral("Cliente"), 200, true);
    m_grid->setColumn(5, QStringLiteral("Importe"), 120, true, CTolGrid::AlignRight);
    m_grid->setColumn(6, QStringLiteral("Por pagar"), 120, true, CTolGrid::AlignRight);
    m_grid->setRowSelect(true);
    m_grid->setReadOnly(true);

    auto* recibir = new CTolButton(QStringLiteral("Recibir pago"), this);
    setId(recibir, kRecibirId);
    recibir->setGeometry(dialogRect(298, 243, 62, 14));
    connect(recibir, &QPushButton::clicked, this, [this] { recibirPago(m_grid->currentRow()); });
    auto* salir = new CTolButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    salir->setGeometry(dialogRect(365, 243, 58, 14));
    connect(salir, &QPushButton::clicked, this, &CCobrosDlg::reject);
    control(kSerieId)->setFocus();
}

void CCobrosDlg::Run(Database& db, QWidget* parent) {
    try {
        CCobrosDlg dialog(db, parent);
        dialog.exec();
    } catch (const std::exception& e) {
        ShowDbError(e);
    }
}

ReceivablesFilter CCobrosDlg::filter() const {
    ReceivablesFilter f;
    f.idCliente = idCliente();
    f.serie = serieText();
    f.folio = folioNumber();
    f.porVencimiento = m_vencimiento->isChecked();
    f.vencidasAl = FromQDateTime(QDateTime(m_vencidasAl->date(), QTime(0, 0)));
    return f;
}

void CCobrosDlg::showEvent(QShowEvent* event) {
    // Shown again after it closed its list (a dialog run twice): the list comes back.
    if (!isListOpen())
        requery();
    CDocumentListDlg::showEvent(event);
}

void CCobrosDlg::buscar() {
    m_applied = filter();
    showFolio(m_applied.folio);
    requery();
}

void CCobrosDlg::requery() {
    query(CPaymentStore::ReceivablesCondition(m_applied));
}

void CCobrosDlg::rowTexts(QStringList& texts) const {
    texts << q(m_set->m_Serie + NumberToPaddedText(m_set->m_Folio)) << q(DateToText(m_set->m_Fecha))
          << q(DateToText(m_set->m_Vence)) << q(m_set->m_Nombre) << q(FormatMoney(m_set->m_Total))
          << q(FormatMoney(m_set->m_Total - m_set->m_YaPagado));
}

void CCobrosDlg::tgmRowActivate(int, int row) { recibirPago(row); }

bool CCobrosDlg::recibirPago(int row) {
    if (!tryMoveTo(row))
        return false;
    // What the payment needs is copied out, so the list may repaint (and move its record set)
    // while the payment box is open.
    const std::int32_t idDocumento = m_set->m_Id_Documento;
    const double balance = m_set->m_Total - m_set->m_YaPagado;
    if (!(balance > 0)) {
        // Only a row that breaks the paid flag's rule (an imported one) owes nothing while open.
        TolMessage(QStringLiteral("- El documento no tiene saldo por cobrar -"));
        return false;
    }

    const std::optional<Payment> payment = CAskPago::Ask(balance, this);
    if (!payment)
        return false;
    CPaymentStore::Result result;
    try {
        result = CPaymentStore(m_db).Receive(idDocumento, *payment, balance);
    } catch (const std::exception& e) {
        ShowDbError(e);
        // A connection lost at COMMIT may have stored the payment after all: the list shows what
        // the server holds, so the operator does not take it twice. Anything else rolled back.
        if (const auto* db = dynamic_cast<const DbError*>(&e); db && db->code() == DbError::kServer)
            requery();
        return false;
    }
    switch (result.outcome) {
    case CPaymentStore::Outcome::Registered:
        TolMessage(QStringLiteral("- Pago registrado -"));
        // A stamped PPD invoice: the payment owes its own CFDI, and the customer takes its receipt.
        if (CComplementoPagoDlg::Offer(m_db, {idDocumento, result.numPago}, this) &&
            TolMessage(QStringLiteral("¿Imprimir el recibo de pago?"), true) == 1)
            PrintPaymentReceipt(m_db, idDocumento, result.numPago, this);
        break;
    case CPaymentStore::Outcome::NotFound:
        TolMessage(QStringLiteral("- El documento ya no existe -"));
        break;
    case CPaymentStore::Outcome::NotOpen:
        TolMessage(QStringLiteral("- El documento ya está pagado o cancelado -"));
        break;
    case CPaymentStore::Outcome::NothingToPay:
        TolMessage(QStringLiteral("- El documento no tiene saldo por cobrar -"));
        break;
    case CPaymentStore::Outcome::BalanceChanged:
        // Paid elsewhere meanwhile: what was typed against the old balance is not registered.
        TolMessage(QStringLiteral("- El saldo del documento cambió en otra estación: ahora es %1. El pago no se registró -")
                       .arg(q(FormatMoney(result.balance))));
        break;
    }
    // Paid in full, gone or changed elsewhere: the list shows the documents as they are now.
    requery();
    return result.outcome == CPaymentStore::Outcome::Registered;
}

void CCobrosDlg::chooseCustomer() {
    if (const std::optional<ClienteElegido> picked = CCatClientes::Choose(m_db, this))
        setCliente(picked->idCliente, picked->nombre);
}
