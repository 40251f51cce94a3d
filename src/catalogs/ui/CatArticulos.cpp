#include "catalogs/ui/CatArticulos.h"

#include "app/ApplicationState.h"
#include "catalogs/ContainsPattern.h"
#include "catalogs/ui/AddEditArticulo.h"
#include "db/ArticulosSet.h"
#include "db/DbError.h"
#include "invoice/MoneyText.h"
#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

void showError(const std::exception& e) { TolMessage(QString::fromStdString(e.what())); }

} // namespace

CCatArticulos::CCatArticulos(Database& db, const ApplicationState& state, bool pick, QWidget* parent)
    : CTolDialog(parent), m_db(db), m_defaultTax(state.impuesto), m_set(std::make_unique<CArticulosSet>(db)),
      m_pick(pick) {
    setWindowTitle(QStringLiteral("Catálogo de Artículos"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    createControls();
    m_set->m_strSort = "Descripcion COLLATE ES, Id_Articulo";
    m_set->Open(OpenType::Dynaset);
    m_grid->setRowCount(articleCount());
    m_buscar->setFocus();
}

CCatArticulos::~CCatArticulos() = default;

std::optional<ArticuloElegido> CCatArticulos::Choose(Database& db, const ApplicationState& state, QWidget* parent) {
    try {
        CCatArticulos dialog(db, state, true, parent);
        if (dialog.exec() == QDialog::Accepted)
            return dialog.picked();
    } catch (const std::exception& e) {
        showError(e);
    }
    return std::nullopt;
}

void CCatArticulos::Manage(Database& db, const ApplicationState& state, QWidget* parent) {
    try {
        CCatArticulos dialog(db, state, false, parent);
        dialog.exec();
    } catch (const std::exception& e) {
        showError(e);
    }
}

void CCatArticulos::createControls() {
    setClientSize(dialogSize(440, 232));
    auto* label = new QLabel(QStringLiteral("Buscar:"), this);
    label->setGeometry(dialogRect(7, 9, 30, 9));
    m_buscar = new CTolEdit(this);
    setId(m_buscar, kBuscarId);
    m_buscar->setGeometry(dialogRect(38, 7, 200, 12));
    m_buscar->setMaxLength(80);
    m_buscar->setToolTip(QStringLiteral("Parte de la descripción del artículo"));
    connect(m_buscar, &QLineEdit::editingFinished, this, [this] { applySearch(m_buscar->text()); });
    m_buscar->installEventFilter(this);

    // Created right after the search box, so Tab and Enter go from one to the other.
    m_grid = new CTolGrid(this, kGridId, this, true);
    m_grid->setGeometry(dialogRect(7, 24, 426, 182));
    m_grid->setColumnCount(5);
    m_grid->setColumn(1, QStringLiteral("Clave"), 100, true);
    m_grid->setColumn(2, QStringLiteral("Artículo"), 240, true);
    m_grid->setColumn(3, QStringLiteral("Precio"), 90, true, CTolGrid::AlignRight);
    m_grid->setColumn(4, QStringLiteral("Precio Neto"), 90, true, CTolGrid::AlignRight);
    m_grid->setColumn(5, QStringLiteral("Observaciones"), 240, true);
    m_grid->setRowSelect(true);
    m_grid->setNewRows(false);

    struct ButtonDef {
        int id;
        const char* text;
    };
    const ButtonDef buttons[] = {{kNuevoId, "Nuevo"},          {kEditarId, "Editar"}, {kEliminarId, "Eliminar"},
                                 {kSeleccionarId, "Seleccionar"}, {kSalirId, "Salir"}};
    // Right-aligned; without "Seleccionar" the others close up.
    const int shown = m_pick ? 5 : 4;
    int x = 440 - 7 - (shown * 56 - 4);
    for (const ButtonDef& def : buttons) {
        auto* b = new CTolButton(QString::fromUtf8(def.text), this);
        setId(b, def.id);
        b->setGeometry(dialogRect(x, 212, 52, 14));
        if (def.id != kSeleccionarId || m_pick)
            x += 56;
        const int id = def.id;
        connect(b, &QPushButton::clicked, this, [this, id] {
            const int row = m_grid->currentRow();
            switch (id) {
            case kNuevoId: nuevo(); break;
            case kEditarId: editar(row); break;
            case kEliminarId: eliminar(row); break;
            case kSeleccionarId: seleccionar(row); break;
            default: reject(); break;
            }
        });
        if (id == kSeleccionarId)
            b->setVisible(m_pick);
    }
}

int CCatArticulos::articleCount() const { return m_set->IsOpen() ? static_cast<int>(m_set->GetRecordCount()) : 0; }

bool CCatArticulos::validRow(int row) const { return row >= 1 && row < m_grid->rowCount() && row <= articleCount(); }

bool CCatArticulos::moveTo(int row) {
    if (!validRow(row))
        return false;
    m_set->SetAbsolutePosition(row - 1);
    return !m_set->IsEOF();
}

bool CCatArticulos::applySearch(const QString& text) {
    if (text == m_search)
        return false;
    m_search = text;
    // The box shows the text in force, also when it was applied from elsewhere.
    if (m_buscar->text() != text)
        m_buscar->setText(text);
    if (text.isEmpty()) {
        m_set->m_strFilter.clear();
        m_set->m_filterParams.clear();
    } else {
        m_set->m_strFilter = "fold(Descripcion) LIKE ? ESCAPE '\\'";
        m_set->m_filterParams = {ContainsPattern(text.toStdString())};
    }
    requery();
    return true;
}

void CCatArticulos::requery(int keepRow) {
    try {
        if (m_set->IsOpen())
            m_set->Requery();
        else
            m_set->Open(OpenType::Dynaset);
    } catch (const std::exception& e) {
        showError(e);
    }
    const int count = articleCount();
    m_grid->setRowCount(count);
    // After an edit or a deletion the highlight stays where the operator was.
    if (keepRow > 1 && count > 0)
        m_grid->setCurrentCell(1, std::min(keepRow, count));
    m_grid->viewport()->update();
}

void CCatArticulos::showEvent(QShowEvent* event) {
    // Shown again after it closed its list (a dialog run twice): the list comes back.
    if (!m_set->IsOpen())
        requery();
    CTolDialog::showEvent(event);
}

void CCatArticulos::nuevo() {
    CAddEditArticulo editor(m_db, 0, m_defaultTax, this);
    editor.exec();
    if (editor.savedCount() > 0)
        requery();
}

void CCatArticulos::editar(int row) {
    std::int32_t id = 0;
    try {
        if (!moveTo(row))
            return;
        id = m_set->m_Id_Articulo;
    } catch (const std::exception& e) {
        showError(e);
        return;
    }
    CAddEditArticulo editor(m_db, id, m_defaultTax, this);
    editor.exec();
    requery(row);
}

bool CCatArticulos::eliminar(int row) {
    if (!validRow(row))
        return false;
    if (TolMessage(QStringLiteral("¿Está seguro de eliminar el registro seleccionado?"), true) != 1)
        return false;
    try {
        if (!moveTo(row))
            return false;
        // Saved documents keep their own copies of key, description and price.
        m_set->Delete();
    } catch (const std::exception& e) {
        showError(e);
        requery(row);
        return false;
    }
    requery(row);
    return true;
}

bool CCatArticulos::seleccionar(int row) {
    if (!m_pick)
        return false;
    try {
        if (!moveTo(row))
            return false;
        m_picked.idArticulo = m_set->m_Id_Articulo;
        m_picked.clave = q(m_set->m_Clave);
        m_picked.descripcion = q(m_set->m_Descripcion);
    } catch (const std::exception& e) {
        showError(e);
        return false;
    }
    m_set->Close();
    m_grid->setRowCount(0);
    accept();
    return true;
}

void CCatArticulos::reject() {
    m_set->Close();
    m_grid->setRowCount(0);
    CTolDialog::reject();
}

bool CCatArticulos::eventFilter(QObject* watched, QEvent* event) {
    // Not once the list is closed: hiding the dialog takes the focus away too.
    if (watched == m_buscar && event->type() == QEvent::FocusOut && m_set->IsOpen())
        applySearch(m_buscar->text());
    return CTolDialog::eventFilter(watched, event);
}

void CCatArticulos::tgmGetCellText(int, TolGridCell& cell) {
    cell.text.clear();
    try {
        if (!moveTo(cell.row))
            return;
    } catch (const std::exception&) {
        // A paint never throws; the row simply shows empty.
        return;
    }
    switch (cell.column) {
    case 1: cell.text = q(m_set->m_Clave); break;
    case 2: cell.text = q(m_set->m_Descripcion); break;
    case 3: cell.text = q(FormatMoney(m_set->m_Precio)); break;
    case 4: cell.text = q(FormatMoney(m_set->m_PrecioNeto)); break;
    case 5: cell.text = q(m_set->m_Observaciones); break;
    default: break;
    }
}

bool CCatArticulos::tgmDeleteRows(int, int first, int) {
    // One article at a time, with the question; eliminar() sets the list up again.
    eliminar(first);
    return false;
}

void CCatArticulos::tgmRowActivate(int, int row) {
    if (m_pick)
        seleccionar(row);
    else
        editar(row);
}
