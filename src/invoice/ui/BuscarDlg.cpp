#include "invoice/ui/BuscarDlg.h"

#include "catalogs/ui/CatClientes.h"
#include "db/DocumentosSet.h"
#include "db/ValueFunctions.h"
#include "db/ui/DbErrorMessage.h"
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

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

OleDate toOle(const QDate& d) { return d.isValid() ? OleDate::fromDate(d.year(), d.month(), d.day()) : OleDate{-1e9}; }

} // namespace

CBuscarDlg::CBuscarDlg(Database& db, QWidget* parent)
    : CDocumentListDlg(db, kColumns, parent) {
    setWindowTitle(QStringLiteral("Busqueda de documentos"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    createControls();
    openList(CDocumentStore::SearchCondition(filter()));
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
    createKeyFields(190, 240);
    control(kFolioId)->setToolTip(QStringLiteral("Con un folio se busca sólo por serie y folio"));

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
    control(kSerieId)->setFocus();
}

std::optional<std::int32_t> CBuscarDlg::Choose(Database& db, QWidget* parent) {
    try {
        CBuscarDlg dialog(db, parent);
        if (dialog.exec() == QDialog::Accepted && dialog.idDocumento() != 0)
            return dialog.idDocumento();
    } catch (const std::exception& e) {
        ShowDbError(e);
    }
    return std::nullopt;
}

DocumentFilter CBuscarDlg::filter() const {
    DocumentFilter f;
    f.idCliente = idCliente();
    f.serie = serieText();
    f.folio = folioNumber();
    f.porPeriodo = m_periodo->isChecked();
    f.desde = toOle(m_desde->date());
    f.hasta = toOle(m_hasta->date());
    return f;
}

void CBuscarDlg::showEvent(QShowEvent* event) {
    // Shown again after it closed its list (a dialog run twice): the list comes back.
    if (!isListOpen())
        requery(filter());
    m_idDocumento = 0;
    CDocumentListDlg::showEvent(event);
}

void CBuscarDlg::buscar() {
    const DocumentFilter f = filter();
    showFolio(f.folio);
    requery(f);
}

void CBuscarDlg::requery(const DocumentFilter& f) { query(CDocumentStore::SearchCondition(f)); }

void CBuscarDlg::rowTexts(QStringList& texts) const {
    texts << q(m_set->m_Serie + NumberToPaddedText(m_set->m_Folio)) << q(DateToText(m_set->m_Fecha));
    if (m_set->m_Cancelada)
        texts << QStringLiteral("* CANCELADA *");
    else
        texts << q(m_set->m_Nombre) << q(FormatMoney(m_set->m_Total));
}

void CBuscarDlg::tgmRowActivate(int, int row) { seleccionar(row); }

bool CBuscarDlg::seleccionar(int row) {
    if (!tryMoveTo(row))
        return false;
    m_idDocumento = m_set->m_Id_Documento;
    closeList();
    accept();
    return true;
}

void CBuscarDlg::chooseCustomer() {
    if (const std::optional<ClienteElegido> picked = CCatClientes::Choose(m_db, this))
        setCliente(picked->idCliente, picked->nombre);
}
