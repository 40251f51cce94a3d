#include "invoice/ui/BuscarDlg.h"

#include "catalogs/ui/CatClientes.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DocumentosSet.h"
#include "db/ValueFunctions.h"
#include "db/ui/FolioExchange.h"
#include "invoice/DocumentStore.h"
#include "invoice/MoneyText.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

#include <limits>

namespace {

const QColor kLightYellow(255, 255, 192);
const QColor kRed(255, 0, 0);

QString q(const std::string& s) { return QString::fromStdString(s); }

OleDate toOle(const QDate& d) { return d.isValid() ? OleDate::fromDate(d.year(), d.month(), d.day()) : OleDate{-1e9}; }

} // namespace

CBuscarDlg::CBuscarDlg(Database& db, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_set(std::make_unique<CDocumentosSet>(db)) {
    setWindowTitle(QStringLiteral("Busqueda de documentos"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    createControls();
    m_set->m_strSort = "Serie, Folio, Fecha";
    m_set->Open(OpenType::Snapshot);
    m_grid->setRowCount(resultCount());
}

CBuscarDlg::~CBuscarDlg() = default;

void CBuscarDlg::createControls() {
    setClientSize(dialogSize(410, 253));
    // Frames first, so the controls drawn over them come later in the tab order.
    auto* filtro = new QGroupBox(QStringLiteral("Filtrrar por:"), this);
    setId(filtro, kFiltroId);
    filtro->setGeometry(dialogRect(7, 3, 396, 62));

    auto label = [this](const QString& text, int x, int y, int w) {
        auto* l = new QLabel(text, this);
        l->setGeometry(dialogRect(x, y + 2, w, 9));
    };
    label(QStringLiteral("Cliente:"), 14, 15, 26);
    m_cliente = new CTolEdit(this);
    setId(m_cliente, kClienteId);
    m_cliente->setGeometry(dialogRect(42, 15, 190, 12));
    // Only the catalogue fills it: a customer is a chosen id, never typed text.
    m_cliente->setReadOnly(true);
    m_cliente->setLookup(kLookupCommand);
    m_cliente->setToolTip(QStringLiteral("Escoger un cliente del catálogo (F9)"));

    label(QStringLiteral("Serie:"), 240, 15, 20);
    m_serie = new CTolEdit(this);
    setId(m_serie, kSerieId);
    m_serie->setGeometry(dialogRect(262, 15, 18, 12));
    m_serie->setMaxLength(2);
    m_serie->setUpperCase(true);
    m_serie->setAlignment(Qt::AlignCenter);

    label(QStringLiteral("Folio:"), 288, 15, 20);
    m_folio = new CTolEdit(this);
    setId(m_folio, kFolioId);
    m_folio->setGeometry(dialogRect(310, 15, 44, 12));
    m_folio->setAlignment(Qt::AlignRight);
    m_folio->setAcceptedChars(QStringLiteral("0123456789"));
    m_folio->setMaxLength(9);  // every value fits a Folio
    m_folio->setToolTip(QStringLiteral("Con un folio se busca sólo por serie y folio"));
    for (CTolEdit* e : {m_serie, m_folio}) {
        e->setBackColor(kLightYellow);
        e->setTextColor(kRed);
        e->setBold(true);
    }

    m_periodo = new QGroupBox(QStringLiteral("Por periodo"), this);
    setId(m_periodo, kPeriodoId);
    m_periodo->setCheckable(true);
    m_periodo->setChecked(false);
    m_periodo->setGeometry(dialogRect(14, 31, 240, 29));
    label(QStringLiteral("Desde:"), 21, 43, 24);
    m_desde = new CTolDatePicker(this);
    setId(m_desde, kDesdeId);
    m_desde->setGeometry(dialogRect(46, 43, 72, 12));
    label(QStringLiteral("Hasta:"), 128, 43, 24);
    m_hasta = new CTolDatePicker(this);
    setId(m_hasta, kHastaId);
    m_hasta->setGeometry(dialogRect(153, 43, 72, 12));
    const QDateTime now = QDateTime::currentDateTime();
    for (CTolDatePicker* picker : {m_desde, m_hasta}) {
        picker->setDateTime(now);
        picker->setEnabled(false);
        connect(m_periodo, &QGroupBox::toggled, picker, &QWidget::setEnabled);
    }

    auto* buscarButton = new CTolButton(QStringLiteral("Buscar"), this);
    setId(buscarButton, kBuscarId);
    buscarButton->setGeometry(dialogRect(341, 44, 55, 14));
    connect(buscarButton, &QPushButton::clicked, this, &CBuscarDlg::buscar);

    m_grid = new CTolGrid(this, kGridId, this, false);
    m_grid->setGeometry(dialogRect(7, 69, 396, 160));
    m_grid->setColumnCount(kColumns);
    m_grid->setColumn(1, QStringLiteral("Serie/Folio"), 60, true);
    m_grid->setColumn(2, QStringLiteral("Fecha"), 80, true);
    m_grid->setColumn(3, QStringLiteral("Cliente"), 300, true);
    m_grid->setColumn(4, QStringLiteral("Importe"), 120, true, CTolGrid::AlignRight);
    m_grid->setRowSelect(true);
    m_grid->setReadOnly(true);

    auto* seleccionarButton = new CTolButton(QStringLiteral("Seleccionar"), this);
    setId(seleccionarButton, kSeleccionarId);
    seleccionarButton->setGeometry(dialogRect(282, 234, 58, 14));
    connect(seleccionarButton, &QPushButton::clicked, this, [this] { seleccionar(m_grid->currentRow()); });
    auto* salir = new CTolButton(QStringLiteral("Salir"), this);
    setId(salir, kSalirId);
    salir->setGeometry(dialogRect(345, 234, 58, 14));
    connect(salir, &QPushButton::clicked, this, &CBuscarDlg::reject);

    auto* lookupKey = new QShortcut(QKeySequence(Qt::Key_F9), this);
    connect(lookupKey, &QShortcut::activated, this, [this] { postCommand(kLookupCommand); });
    m_serie->setFocus();
}

std::optional<std::int32_t> CBuscarDlg::Choose(Database& db, QWidget* parent) {
    try {
        CBuscarDlg dialog(db, parent);
        if (dialog.exec() == QDialog::Accepted && dialog.idDocumento() != 0)
            return dialog.idDocumento();
    } catch (const std::exception& e) {
        TolMessage(QString::fromStdString(e.what()));
    }
    return std::nullopt;
}

DocumentFilter CBuscarDlg::filter() const {
    DocumentFilter f;
    f.idCliente = m_idCliente;
    f.serie = m_serie->text().trimmed().toUpper().toStdString();
    long folio = 0;
    FolioExchange(m_folio, folio, false);
    f.folio = static_cast<std::int32_t>(std::clamp<long>(folio, 0, std::numeric_limits<std::int32_t>::max()));
    f.porPeriodo = m_periodo->isChecked();
    f.desde = toOle(m_desde->date());
    f.hasta = toOle(m_hasta->date());
    return f;
}

void CBuscarDlg::setCliente(std::int32_t idCliente, const QString& nombre) {
    m_idCliente = idCliente;
    m_cliente->setText(nombre);
    m_cliente->setCursorPosition(0);
}

int CBuscarDlg::resultCount() const { return m_set->IsOpen() ? static_cast<int>(m_set->GetRecordCount()) : 0; }

void CBuscarDlg::showEvent(QShowEvent* event) {
    // Shown again after it closed its list (a dialog run twice): the list comes back.
    if (!m_set->IsOpen())
        requery(filter());
    m_idDocumento = 0;
    CTolDialog::showEvent(event);
}

void CBuscarDlg::onCommand(int id) {
    if (id == kLookupCommand)
        chooseCustomer();
}

void CBuscarDlg::chooseCustomer() {
    if (const std::optional<ClienteElegido> picked = CCatClientes::Choose(m_db, this))
        setCliente(picked->idCliente, picked->nombre);
}

void CBuscarDlg::buscar() {
    const DocumentFilter f = filter();
    // The folio shows as it was read, six digits, or nothing when there is none.
    if (f.folio != 0) {
        long folio = f.folio;
        FolioExchange(m_folio, folio, true);
    } else {
        m_folio->clear();
    }
    requery(f);
}

void CBuscarDlg::requery(const DocumentFilter& f) {
    const SqlCondition condition = CDocumentStore::SearchCondition(f);
    m_set->m_strFilter = condition.sql;
    m_set->m_filterParams = condition.params;
    m_cachedRow = 0;
    try {
        if (m_set->IsOpen())
            m_set->Requery();
        else
            m_set->Open(OpenType::Snapshot);
    } catch (const std::exception& e) {
        TolMessage(QString::fromStdString(e.what()));
    }
    m_grid->setRowCount(resultCount());
}

bool CBuscarDlg::moveTo(int row) {
    if (row < 1 || row >= m_grid->rowCount() || row > resultCount())
        return false;
    m_set->SetAbsolutePosition(row - 1);
    return !m_set->IsEOF();
}

const std::array<QString, CBuscarDlg::kColumns>& CBuscarDlg::rowTexts(int row) {
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
    if (m_set->m_Cancelada) {
        m_cached[2] = QStringLiteral("* CANCELADA *");
    } else {
        m_cached[2] = q(m_set->m_Nombre);
        m_cached[3] = q(FormatMoney(m_set->m_Total));
    }
    return m_cached;
}

void CBuscarDlg::tgmGetCellText(int, TolGridCell& cell) {
    cell.text.clear();
    if (cell.column < 1 || cell.column > kColumns)
        return;
    cell.text = rowTexts(cell.row)[static_cast<std::size_t>(cell.column - 1)];
}

void CBuscarDlg::tgmRowActivate(int, int row) { seleccionar(row); }

bool CBuscarDlg::seleccionar(int row) {
    try {
        if (!moveTo(row))
            return false;
        m_idDocumento = m_set->m_Id_Documento;
    } catch (const std::exception& e) {
        TolMessage(QString::fromStdString(e.what()));
        return false;
    }
    m_set->Close();
    m_cachedRow = 0;
    m_grid->setRowCount(0);
    accept();
    return true;
}

void CBuscarDlg::reject() {
    m_set->Close();
    m_cachedRow = 0;
    m_grid->setRowCount(0);
    CTolDialog::reject();
}
