#include "receivables/ui/CobrosDlg.h"

#include "catalogs/ui/CatClientes.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DocumentosSet.h"
#include "db/ValueFunctions.h"
#include "db/ui/FolioExchange.h"
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
#include <QShortcut>

#include <algorithm>
#include <limits>

namespace {

const QColor kLightYellow(255, 255, 204);
const QColor kRed(255, 0, 0);

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

CCobrosDlg::CCobrosDlg(Database& db, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_set(std::make_unique<CDocumentosSet>(db)) {
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
    label(QStringLiteral("Cliente:"), 14, 15, 26);
    m_cliente = new CTolEdit(this);
    setId(m_cliente, kClienteId);
    m_cliente->setGeometry(dialogRect(42, 15, 200, 12));
    // Only the catalogue fills it: a customer is a chosen id, never typed text.
    m_cliente->setReadOnly(true);
    m_cliente->setLookup(kLookupCommand);
    m_cliente->setToolTip(QStringLiteral("Escoger un cliente del catálogo (F9)"));

    label(QStringLiteral("Serie:"), 252, 15, 20);
    m_serie = new CTolEdit(this);
    setId(m_serie, kSerieId);
    m_serie->setGeometry(dialogRect(274, 15, 18, 12));
    m_serie->setMaxLength(2);
    m_serie->setUpperCase(true);
    m_serie->setAlignment(Qt::AlignCenter);

    label(QStringLiteral("Folio:"), 300, 15, 20);
    m_folio = new CTolEdit(this);
    setId(m_folio, kFolioId);
    m_folio->setGeometry(dialogRect(322, 15, 44, 12));
    m_folio->setAlignment(Qt::AlignRight);
    m_folio->setAcceptedChars(QStringLiteral("0123456789"));
    m_folio->setMaxLength(9);  // every value fits a Folio
    for (CTolEdit* e : {m_serie, m_folio}) {
        e->setBackColor(kLightYellow);
        e->setTextColor(kRed);
        e->setBold(true);
    }

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

    auto* lookupKey = new QShortcut(QKeySequence(Qt::Key_F9), this);
    connect(lookupKey, &QShortcut::activated, this, [this] { postCommand(kLookupCommand); });
    m_serie->setFocus();
}

void CCobrosDlg::Run(Database& db, QWidget* parent) {
    try {
        CCobrosDlg dialog(db, parent);
        dialog.exec();
    } catch (const std::exception& e) {
        TolMessage(q(e.what()));
    }
}

ReceivablesFilter CCobrosDlg::filter() const {
    ReceivablesFilter f;
    f.idCliente = m_idCliente;
    f.serie = m_serie->text().trimmed().toUpper().toStdString();
    long folio = 0;
    FolioExchange(m_folio, folio, false);
    f.folio = static_cast<std::int32_t>(std::clamp<long>(folio, 0, std::numeric_limits<std::int32_t>::max()));
    f.porVencimiento = m_vencimiento->isChecked();
    f.vencidasAl = FromQDateTime(QDateTime(m_vencidasAl->date(), QTime(0, 0)));
    return f;
}

void CCobrosDlg::setCliente(std::int32_t idCliente, const QString& nombre) {
    m_idCliente = idCliente;
    m_cliente->setText(nombre);
    m_cliente->setCursorPosition(0);
}

int CCobrosDlg::documentCount() const { return m_set->IsOpen() ? static_cast<int>(m_set->GetRecordCount()) : 0; }

void CCobrosDlg::showEvent(QShowEvent* event) {
    // Shown again after it closed its list (a dialog run twice): the list comes back.
    if (!m_set->IsOpen())
        requery();
    CTolDialog::showEvent(event);
}

void CCobrosDlg::onCommand(int id) {
    if (id == kLookupCommand)
        chooseCustomer();
}

void CCobrosDlg::chooseCustomer() {
    if (const std::optional<ClienteElegido> picked = CCatClientes::Choose(m_db, this))
        setCliente(picked->idCliente, picked->nombre);
}

void CCobrosDlg::buscar() {
    m_applied = filter();
    // The folio shows as it was read, six digits, or nothing when there is none.
    if (m_applied.folio != 0) {
        long folio = m_applied.folio;
        FolioExchange(m_folio, folio, true);
    } else {
        m_folio->clear();
    }
    requery();
}

void CCobrosDlg::requery() {
    const SqlCondition condition = CPaymentStore::ReceivablesCondition(m_applied);
    m_set->m_strFilter = condition.sql;
    m_set->m_filterParams = condition.params;
    m_set->m_strSort = CPaymentStore::kSort;
    m_cachedRow = 0;
    try {
        if (m_set->IsOpen())
            m_set->Requery();
        else
            m_set->Open(OpenType::Dynaset);
    } catch (const std::exception& e) {
        TolMessage(q(e.what()));
    }
    m_grid->setRowCount(documentCount());
}

bool CCobrosDlg::moveTo(int row) {
    if (row < 1 || row >= m_grid->rowCount() || row > documentCount())
        return false;
    m_set->SetAbsolutePosition(row - 1);
    return !m_set->IsEOF();
}

const std::array<QString, CCobrosDlg::kColumns>& CCobrosDlg::rowTexts(int row) {
    if (row == m_cachedRow)
        return m_cached;
    m_cached = {};
    m_cachedRow = row;
    try {
        if (!moveTo(row))
            return m_cached;
    } catch (const std::exception&) {
        return m_cached;  // a paint never throws; the row shows empty
    }
    m_cached[0] = q(m_set->m_Serie + NumberToPaddedText(m_set->m_Folio));
    m_cached[1] = q(DateToText(m_set->m_Fecha));
    m_cached[2] = q(DateToText(m_set->m_Vence));
    m_cached[3] = q(m_set->m_Nombre);
    m_cached[4] = q(FormatMoney(m_set->m_Total));
    m_cached[5] = q(FormatMoney(m_set->m_Total - m_set->m_YaPagado));
    return m_cached;
}

void CCobrosDlg::tgmGetCellText(int, TolGridCell& cell) {
    cell.text.clear();
    if (cell.column < 1 || cell.column > kColumns)
        return;
    cell.text = rowTexts(cell.row)[static_cast<std::size_t>(cell.column - 1)];
}

void CCobrosDlg::tgmRowActivate(int, int row) { recibirPago(row); }

bool CCobrosDlg::recibirPago(int row) {
    std::int32_t idDocumento = 0;
    double balance = 0;
    try {
        if (!moveTo(row))
            return false;
        // What the payment needs is copied out, so the list may repaint (and move its record set)
        // while the payment box is open.
        idDocumento = m_set->m_Id_Documento;
        balance = m_set->m_Total - m_set->m_YaPagado;
    } catch (const std::exception& e) {
        TolMessage(q(e.what()));
        return false;
    }
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
        result = CPaymentStore(m_db).Receive(idDocumento, *payment);
    } catch (const std::exception& e) {
        // Rolled back: the list stays as it was.
        TolMessage(q(e.what()));
        return false;
    }
    switch (result.outcome) {
    case CPaymentStore::Outcome::Registered:
        TolMessage(QStringLiteral("- Pago registrado -"));
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
    }
    // Paid in full, gone or changed elsewhere: the list shows the documents as they are now.
    requery();
    return result.outcome == CPaymentStore::Outcome::Registered;
}

void CCobrosDlg::reject() {
    m_set->Close();
    m_cachedRow = 0;
    m_grid->setRowCount(0);
    CTolDialog::reject();
}
