#include "designer/ui/DesignerWnd.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/ui/DbErrorMessage.h"
#include "designer/FormatCatalog.h"
#include "designer/ui/DataList.h"
#include "designer/ui/DesignView.h"
#include "designer/ui/ElementPanel.h"
#include "designer/ui/UndoEdit.h"
#include "printing/PageLayout.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }
constexpr int kNudgeMerge = 1;
// Pasted and duplicated copies land this far right and down (0.1 mm).
constexpr std::int32_t kPasteOffset = 50;
// A datum dropped on the sheet: one line of the default 4 mm letter, 15 to 150 mm wide (0.1 mm).
constexpr std::int32_t kDatumHeight = 50;
constexpr std::int32_t kDatumMinWidth = 150;
constexpr std::int32_t kDatumMaxWidth = 1500;

} // namespace

CDesignerWnd::CDesignerWnd(Database& db, QWidget* parent)
    : QMainWindow(parent), m_db(db), m_catalog(std::make_unique<CFormatCatalog>(db)) {
    setObjectName(QStringLiteral("lantorela"));
    m_scene = new CDesignScene(m_measure, this);
    m_view = new CDesignView(m_scene, this);
    setCentralWidget(m_view);
    m_panel = new CElementPanel;
    m_data = new CDataList;
    m_list = new QListWidget;
    m_zoomLabel = new QLabel;
    m_dataLabel = new QLabel;
    m_dataLabel->setObjectName(QStringLiteral("datosMostrados"));
    statusBar()->addPermanentWidget(m_dataLabel);
    statusBar()->addPermanentWidget(m_zoomLabel);
    buildActions();
    buildDocks();

    connect(m_scene, &CDesignScene::selectionIndicesChanged, this, &CDesignerWnd::selectionChanged);
    connect(m_scene, &CDesignScene::moveRequested, this, [this](std::int32_t dx, std::int32_t dy) {
        const ElementOps::Selection sel = m_scene->SelectedIndices();
        apply(QStringLiteral("Mover"), [&](CWindowsFormat& f) { ElementOps::Move(f, sel, dx, dy, m_current.Sheet); });
        // A move that the sheet's edge held back to nothing changes nothing: put the items back.
        m_scene->Rebuild();
    });
    connect(m_scene, &CDesignScene::resizeRequested, this, [this](std::size_t index, const ElementBox& box) {
        apply(QStringLiteral("Cambiar tamaño"), [&](CWindowsFormat& f) {
            if (index < f.Elements.size())
                ElementOps::SetBox(f.Elements[index], box, m_current.Sheet);
        });
        m_scene->Rebuild();
    });
    connect(m_scene, &CDesignScene::createRequested, this, &CDesignerWnd::createElement);
    connect(m_scene, &CDesignScene::pointPicked, this, &CDesignerWnd::pointPicked);
    connect(m_scene, &CDesignScene::datumDropped, this, &CDesignerWnd::placeDatum);
    connect(m_data, &CDataList::datumChosen, this, &CDesignerWnd::addDatumToSelection);
    connect(m_view, &CDesignView::nudgeRequested, this, [this](std::int32_t dx, std::int32_t dy) {
        const ElementOps::Selection sel = m_scene->SelectedIndices();
        if (sel.empty())
            return;
        apply(QStringLiteral("Mover con las flechas"),
              [&](CWindowsFormat& f) { ElementOps::Move(f, sel, dx, dy, m_current.Sheet); }, kNudgeMerge);
    });
    connect(m_view, &CDesignView::zoomChanged, this,
            [this](double zoom) { m_zoomLabel->setText(QStringLiteral("%1 %").arg(std::lround(zoom * 100))); });
    connect(m_panel, &CElementPanel::elementChanged, this, [this](const CRenglonFormato& element, const QString& what) {
        const ElementOps::Selection sel = m_scene->SelectedIndices();
        if (sel.size() != 1)
            return;
        apply(what, [&](CWindowsFormat& f) {
            CRenglonFormato& e = f.Elements[sel.front()];
            const bool moved = !(e.Position == element.Position);
            e = element;
            if (moved)
                ElementOps::SetBox(e, ElementBox::Of(element.Position), m_current.Sheet);
        });
    });
    connect(&m_undo, &QUndoStack::cleanChanged, this, &CDesignerWnd::updateTitle);
    connect(m_list, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { OpenFormat(item->data(Qt::UserRole).toInt()); });

    showValues(CSheetValues::Samples());
    m_view->SetZoom(1);
    ReloadList();
    updateTitle();
    selectionChanged();
    resize(1200, 800);
}

CDesignerWnd::~CDesignerWnd() {
    // The undo commands refer to the layout: drop them before it goes.
    m_undo.clear();
    // The scene goes after this window's members and tells of its selected items as it deletes
    // them: nobody here listens any more.
    m_scene->disconnect(this);
}

QAction* CDesignerWnd::Action(const QString& objectName) const { return findChild<QAction*>(objectName); }

void CDesignerWnd::buildDocks() {
    auto* formats = new QDockWidget(QStringLiteral("Formatos"), this);
    formats->setObjectName(QStringLiteral("formatos"));
    formats->setFeatures(QDockWidget::DockWidgetMovable);
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    m_list->setToolTip(QStringLiteral("Formatos para impresora de Windows; doble clic o Enter para abrir"));
    layout->addWidget(m_list);
    const struct {
        const char* label;
        const char* tip;
        void (CDesignerWnd::*slot)();
    } buttons[] = {
        {"Nuevo", "Crea un formato en blanco o copiado de la factura carta", &CDesignerWnd::newFormat},
        {"Duplicar", "Hace una copia del formato seleccionado", &CDesignerWnd::duplicateFormat},
        {"Renombrar", "Cambia el nombre del formato seleccionado", &CDesignerWnd::renameFormat},
        {"Eliminar", "Elimina el formato seleccionado", &CDesignerWnd::deleteFormat},
        {"Propiedades", "Observaciones, papel, área de detalle y repetición", &CDesignerWnd::formatProperties},
    };
    auto* grid = new QGridLayout;
    int n = 0;
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.label));
        button->setToolTip(QString::fromUtf8(b.tip));
        button->setAutoDefault(false);
        const auto slot = b.slot;
        connect(button, &QPushButton::clicked, this, [this, slot] { (this->*slot)(); });
        grid->addWidget(button, n / 2, n % 2);
        ++n;
    }
    layout->addLayout(grid);
    formats->setWidget(box);
    addDockWidget(Qt::LeftDockWidgetArea, formats);

    auto* data = new QDockWidget(QStringLiteral("Datos"), this);
    data->setObjectName(QStringLiteral("listaDatos"));
    data->setFeatures(QDockWidget::DockWidgetMovable);
    data->setWidget(m_data);
    addDockWidget(Qt::LeftDockWidgetArea, data);

    auto* properties = new QDockWidget(QStringLiteral("Elemento"), this);
    properties->setObjectName(QStringLiteral("elemento"));
    properties->setFeatures(QDockWidget::DockWidgetMovable);
    properties->setWidget(m_panel);
    addDockWidget(Qt::RightDockWidgetArea, properties);
}

void CDesignerWnd::ReloadList() {
    const std::int32_t keep = m_open ? m_current.Id : listedId();
    m_list->clear();
    try {
        for (const CFormatCatalog::Entry& e : m_catalog->List()) {
            auto* item = new QListWidgetItem(text(e.name), m_list);
            item->setData(Qt::UserRole, e.id);
            // The number the command line's --exportar asks for.
            item->setToolTip(QStringLiteral("Formato número %1").arg(e.id));
            if (e.id == keep)
                m_list->setCurrentItem(item);
        }
    } catch (const DbError& e) {
        ShowDbError(e);
    }
}

std::int32_t CDesignerWnd::listedId() const {
    const QListWidgetItem* item = m_list->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : 0;
}

bool CDesignerWnd::OpenFormat(std::int32_t id) {
    if (m_open && id == m_current.Id)
        return true;
    if (!maybeSave())
        return false;
    CDesignFormat loaded;
    CFormatCatalog::Result r;
    try {
        r = m_catalog->Load(id, loaded);
    } catch (const DbError& e) {
        ShowDbError(e);
        return false;
    }
    if (r.status == CFormatCatalog::Status::Missing) {
        TolMessage(text(r.message));
        ReloadList();
        return false;
    }
    if (r.status == CFormatCatalog::Status::Damaged)
        TolMessage(text(r.message));
    m_undo.clear();
    m_current = std::move(loaded);
    m_open = true;
    m_picked.clear();
    m_scene->clearSelection();
    designChanged();
    ReloadList();
    m_view->FitToWindow();
    return true;
}

// A new format is unsaved until its first Guardar, whatever the undo stack says.
bool CDesignerWnd::IsModified() const { return m_open && (m_current.Id == 0 || !m_undo.isClean()); }

bool CDesignerWnd::Save() {
    if (!m_open)
        return false;
    const bool first = m_current.Id == 0;
    try {
        if (!m_catalog->Save(m_current)) {
            TolMessage(QStringLiteral("- El formato ya no existe; guárdelo como uno nuevo con Exportar e Importar -"));
            return false;
        }
    } catch (const DbError& e) {
        TolMessage(QStringLiteral("No se pudo guardar el formato: %1").arg(text(DbErrorText(e))));
        return false;
    }
    m_undo.setClean();
    if (first)
        ReloadList();
    updateTitle();
    statusBar()->showMessage(QStringLiteral("Formato guardado"), 3000);
    return true;
}

bool CDesignerWnd::Ask(const QString& question, const QString& objectName) {
    QMessageBox ask(QMessageBox::Question, QString::fromLatin1(kTitle), question, QMessageBox::Yes | QMessageBox::No,
                    this);
    ask.setObjectName(objectName);
    // S or N answers, as the letters of the buttons say; a reflex Enter answers no.
    ask.button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
    ask.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    ask.setDefaultButton(QMessageBox::No);
    ask.setEscapeButton(QMessageBox::No);
    return ask.exec() == QMessageBox::Yes;
}

bool CDesignerWnd::maybeSave() {
    if (!IsModified())
        return true;
    QMessageBox ask(QMessageBox::Question, QString::fromLatin1(kTitle), QStringLiteral("¿Guardar los cambios?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    ask.setObjectName(QStringLiteral("guardarCambios"));
    // The letters answer as well: S, N, and C for Cancelar.
    ask.button(QMessageBox::Yes)->setText(QStringLiteral("&Sí"));
    ask.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    ask.button(QMessageBox::Cancel)->setText(QStringLiteral("&Cancelar"));
    ask.setDefaultButton(QMessageBox::Yes);
    ask.setEscapeButton(QMessageBox::Cancel);
    switch (ask.exec()) {
    case QMessageBox::Yes: return Save();
    case QMessageBox::No:
        m_undo.clear();
        return true;
    default: return false;
    }
}

void CDesignerWnd::closeEvent(QCloseEvent* event) {
    if (maybeSave())
        event->accept();
    else
        event->ignore();
}

void CDesignerWnd::apply(const QString& what, const std::function<void(CWindowsFormat&)>& change, int mergeId,
                         const ElementOps::Selection* selectAfter) {
    if (!m_open)
        return;
    CDesignFormat after = m_current;
    change(after.Format);
    applyDesign(what, std::move(after), mergeId, selectAfter);
}

void CDesignerWnd::applyDesign(const QString& what, CDesignFormat after, int mergeId,
                               const ElementOps::Selection* selectAfter) {
    if (!m_open)
        return;
    // Unless fixed by hand, the lines per sheet follow the detail area at once, so the sheet
    // shows as many detail rows as will print.
    if (!after.CabenByHand)
        after.Format.Caben = CDesignFormat::DerivedCaben(after.Format);
    if (after.SameDesign(m_current))
        return;
    ElementOps::Selection before = m_scene->SelectedIndices();
    ElementOps::Selection selected = selectAfter ? *selectAfter : before;
    m_undo.push(new CUndoEdit(CFormatEdit(what.toStdString(), m_current, std::move(after)), m_current, std::move(before),
                              std::move(selected),
                              [this](const ElementOps::Selection& selection) {
                                  designChanged();
                                  m_scene->SelectIndices(selection);
                              },
                              mergeId));
}

void CDesignerWnd::designChanged() {
    if (!(m_scene->Sheet() == m_current.Sheet))
        m_scene->SetSheet(m_current.Sheet);
    showBackground();
    layoutChanged();
}

void CDesignerWnd::layoutChanged() {
    m_scene->Rebuild();
    // Undoing an insertion leaves indices past the end: the scene drops them.
    selectionChanged();
    updateTitle();
}

void CDesignerWnd::selectionChanged() {
    const ElementOps::Selection sel = m_scene->SelectedIndices();
    const bool one = sel.size() == 1 && sel.front() < m_current.Format.Elements.size();
    m_panel->ShowElement(one ? &m_current.Format.Elements[sel.front()] : nullptr);
    for (const char* name : {"copiar", "duplicar", "eliminar"})
        Action(QLatin1String(name))->setEnabled(!sel.empty());
}

void CDesignerWnd::updateTitle() {
    QString title = QString::fromLatin1(kTitle);
    if (m_open)
        title = text(m_current.Name) + QStringLiteral("[*] - ") + title;
    title += QStringLiteral(" - ") + QFileInfo(text(m_db.path())).fileName();
    setWindowTitle(title);
    setWindowModified(IsModified());
    Action(QStringLiteral("guardar"))->setEnabled(m_open);
}

void CDesignerWnd::createElement(CDesignScene::Tool tool, const ElementBox& box) {
    if (!m_open) {
        TolMessage(QStringLiteral("- Abra o cree un formato primero -"));
        return;
    }
    CRenglonFormato e;
    e.IsLine = tool == CDesignScene::Tool::Line ? 1 : 0;
    e.IsRectangle = tool == CDesignScene::Tool::Rectangle ? 1 : 0;
    ElementOps::SetBox(e, box, m_current.Sheet);
    // Stored as the old designer did: the upper edge in `top`.
    const ElementBox b = ElementBox::Of(e.Position);
    e.Position = {b.left, b.upper, b.right, b.lower};
    const ElementOps::Selection added{m_current.Format.Elements.size()};
    apply(tool == CDesignScene::Tool::Text ? QStringLiteral("Nuevo texto") : QStringLiteral("Nuevo elemento"),
          [&](CWindowsFormat& f) { f.Elements.push_back(e); }, -1, &added);
    // One element at a time: back to the arrow, as most drawing programs do.
    m_scene->SetTool(CDesignScene::Tool::Select);
    Action(QStringLiteral("herramienta_seleccionar"))->setChecked(true);
}

void CDesignerWnd::placeDatum(std::int32_t kind, std::int32_t index, const QPoint& at) {
    if (!m_open) {
        TolMessage(QStringLiteral("- Abra o cree un formato primero -"));
        return;
    }
    CRenglonFormato e;
    e.Fields.emplace_back(kind, index);
    // As wide as its sample in the new element's letter, in whole millimetres with one to spare,
    // and one line high.
    CRenglonFormato sample = e;
    sample.BuildText(CSheetValues::Samples().Row(0));
    const std::string shown = QString::fromStdString(sample.Text).trimmed().toStdString();
    const CPageLayout layout(CWindowsFormat{}, m_measure);
    const CPageLayout::DrawingFont font = layout.MakeDrawingFont(e.Font);
    const double textWidth = m_measure.TextWidth(shown, font.font) * font.xScale + 2 * CPageLayout::kTextInset;
    const auto width = std::clamp<std::int32_t>(static_cast<std::int32_t>(std::ceil(textWidth / 10)) * 10 + 10,
                                                kDatumMinWidth, kDatumMaxWidth);
    ElementBox box{at.x(), -at.y(), at.x() + width, -at.y() - kDatumHeight};
    // Near the right or bottom edge it moves in rather than shrinks.
    box = ElementOps::Clamped(box, m_current.Sheet);
    ElementOps::SetBox(e, box, m_current.Sheet);
    const ElementBox b = ElementBox::Of(e.Position);
    e.Position = {b.left, b.upper, b.right, b.lower};
    const ElementOps::Selection added{m_current.Format.Elements.size()};
    apply(QStringLiteral("Agregar dato"), [&](CWindowsFormat& f) { f.Elements.push_back(e); }, -1, &added);
    m_view->setFocus();
}

void CDesignerWnd::addDatumToSelection(std::int32_t kind, std::int32_t index) {
    const ElementOps::Selection sel = m_scene->SelectedIndices();
    if (!m_open || sel.size() != 1 || sel.front() >= m_current.Format.Elements.size() ||
        m_current.Format.Elements[sel.front()].IsShape()) {
        statusBar()->showMessage(QStringLiteral("Arrastre el dato a la hoja, o seleccione antes un texto para agregárselo"),
                                 5000);
        return;
    }
    apply(QStringLiteral("Agregar dato"),
          [&](CWindowsFormat& f) { f.Elements[sel.front()].Fields.emplace_back(kind, index); });
}

void CDesignerWnd::copySelection() {
    m_clipboard.clear();
    for (std::size_t i : m_scene->SelectedIndices())
        if (i < m_current.Format.Elements.size())
            m_clipboard.push_back(m_current.Format.Elements[i]);
}

void CDesignerWnd::paste(const QString& what) {
    if (m_clipboard.empty())
        return;
    ElementOps::Selection added;
    apply(what, [&](CWindowsFormat& f) {
        added = ElementOps::Insert(f, m_clipboard, kPasteOffset, -kPasteOffset, m_current.Sheet);
    }, -1, &added);
    // The next paste lands a step further on.
    for (std::size_t k = 0; k < added.size() && k < m_clipboard.size(); ++k)
        m_clipboard[k].Position = m_current.Format.Elements[added[k]].Position;
}

void CDesignerWnd::duplicateSelection() {
    const auto keep = m_clipboard;
    copySelection();
    paste(QStringLiteral("Duplicar"));
    m_clipboard = keep;
}

void CDesignerWnd::deleteSelection() {
    const ElementOps::Selection sel = m_scene->SelectedIndices();
    if (sel.empty())
        return;
    const ElementOps::Selection none;
    apply(QStringLiteral("Eliminar"), [&](CWindowsFormat& f) { ElementOps::Remove(f, sel); }, -1, &none);
}
