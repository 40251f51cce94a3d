#include "platform/ui/DocumentListDlg.h"

#include "db/DocumentosSet.h"
#include "db/ValueFunctions.h"
#include "db/ui/DbErrorMessage.h"
#include "db/ui/FolioExchange.h"
#include "db/ui/KeysetList.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QLabel>
#include <QShortcut>

#include <algorithm>
#include <limits>

namespace {

const QColor kLightYellow(255, 255, 204);
const QColor kRed(255, 0, 0);

// What the two lists show and act on, not every column of a document.
const std::vector<std::string> kListColumns = {"Id_Documento", "Serie",    "Folio",    "Fecha",    "Vence",
                                               "Nombre",       "Total",    "YaPagado", "Cancelada"};

} // namespace

CDocumentListDlg::CDocumentListDlg(Database& db, int columns, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_set(std::make_unique<CDocumentosSet>(db)), m_columns(columns) {}

CDocumentListDlg::~CDocumentListDlg() = default;

void CDocumentListDlg::createKeyFields(int clienteWidth, int serieX) {
    auto label = [this](const QString& text, int x, int w) {
        auto* l = new QLabel(text, this);
        l->setGeometry(dialogRect(x, 17, w, 9));
    };
    label(QStringLiteral("Cliente:"), 14, 26);
    m_cliente = new CTolEdit(this);
    setId(m_cliente, kClienteId);
    m_cliente->setGeometry(dialogRect(42, 15, clienteWidth, 12));
    // Only the catalogue fills it: a customer is a chosen id, never typed text.
    m_cliente->setReadOnly(true);
    m_cliente->setLookup(kLookupCommand);
    m_cliente->setToolTip(QStringLiteral("Escoger un cliente del catálogo (F9)"));
    auto* lookupKey = new QShortcut(QKeySequence(Qt::Key_F9), this);
    connect(lookupKey, &QShortcut::activated, this, [this] { postCommand(kLookupCommand); });

    label(QStringLiteral("Serie:"), serieX, 20);
    m_serie = new CTolEdit(this);
    setId(m_serie, kSerieId);
    m_serie->setGeometry(dialogRect(serieX + 22, 15, 18, 12));
    m_serie->setMaxLength(2);
    m_serie->setUpperCase(true);
    m_serie->setAlignment(Qt::AlignCenter);

    label(QStringLiteral("Folio:"), serieX + 48, 20);
    m_folio = new CTolEdit(this);
    setId(m_folio, kFolioId);
    m_folio->setGeometry(dialogRect(serieX + 70, 15, 44, 12));
    m_folio->setAlignment(Qt::AlignRight);
    m_folio->setAcceptedChars(QStringLiteral("0123456789"));
    m_folio->setMaxLength(9);  // every value fits a Folio
    for (CTolEdit* e : {m_serie, m_folio}) {
        e->setBackColor(kLightYellow);
        e->setTextColor(kRed);
        e->setBold(true);
    }
}

std::string CDocumentListDlg::serieText() const { return m_serie->text().trimmed().toUpper().toStdString(); }

std::int32_t CDocumentListDlg::folioNumber() const {
    long folio = 0;
    FolioExchange(m_folio, folio, false);
    return static_cast<std::int32_t>(std::clamp<long>(folio, 0, std::numeric_limits<std::int32_t>::max()));
}

void CDocumentListDlg::showFolio(std::int32_t folio) {
    if (folio == 0) {
        m_folio->clear();
        return;
    }
    long value = folio;
    FolioExchange(m_folio, value, true);
}

void CDocumentListDlg::setCliente(std::int32_t idCliente, const QString& nombre) {
    m_idCliente = idCliente;
    m_cliente->setText(nombre);
    m_cliente->setCursorPosition(0);
}

void CDocumentListDlg::onCommand(int id) {
    if (id == kLookupCommand)
        chooseCustomer();
}

void CDocumentListDlg::openList(const SqlCondition& condition) {
    if (!m_list)
        m_list = std::make_unique<CKeysetList>(m_db, m_grid);
    KeysetSource source;
    source.table = "Documentos";
    source.columns = kListColumns;
    source.filter = condition.sql;
    source.params = condition.params;
    source.order = {{"Serie"}, {"Folio"}, {"Fecha"}};
    source.keyColumn = "Id_Documento";
    m_cachedRow = 0;
    try {
        m_list->open(std::move(source));
    } catch (...) {
        m_grid->setRowCount(0);
        throw;
    }
}

void CDocumentListDlg::query(const SqlCondition& condition) {
    try {
        openList(condition);
    } catch (const std::exception& e) {
        ShowDbError(e);
    }
}

bool CDocumentListDlg::isListOpen() const { return m_list && m_list->isOpen(); }

int CDocumentListDlg::documentsListed() const { return isListOpen() ? m_list->listed() : 0; }

void CDocumentListDlg::settleCount() {
    if (!isListOpen())
        return;
    try {
        m_list->settleCount();
    } catch (const std::exception& e) {
        ShowDbError(e);
    }
}

bool CDocumentListDlg::moveTo(int row) {
    if (!isListOpen() || row < 1 || row >= m_grid->rowCount())
        return false;
    const KeysetRow* found = m_list->rowOrThrow(row);
    if (!found)
        return false;
    m_set->LoadFields(m_list->columns(), *found);
    return true;
}

bool CDocumentListDlg::tryMoveTo(int row) {
    try {
        return moveTo(row);
    } catch (const std::exception& e) {
        ShowDbError(e);
        return false;
    }
}

const QStringList& CDocumentListDlg::cachedRow(int row) {
    if (row == m_cachedRow)
        return m_cached;
    m_cached.clear();
    m_cachedRow = row;
    try {
        if (moveTo(row))
            rowTexts(m_cached);
    } catch (const std::exception&) {
        m_cached.clear();  // a paint never throws; the row shows empty
    }
    return m_cached;
}

void CDocumentListDlg::tgmGetCellText(int, TolGridCell& cell) {
    cell.text.clear();
    if (cell.column < 1 || cell.column > m_columns)
        return;
    cell.text = cachedRow(cell.row).value(cell.column - 1);
}

void CDocumentListDlg::closeList() {
    if (m_list)
        m_list->close();
    m_cachedRow = 0;
    m_grid->setRowCount(0);
}

void CDocumentListDlg::reject() {
    closeList();
    CTolDialog::reject();
}
