#include "designer/ui/DesignerWnd.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/ui/DbErrorMessage.h"
#include "designer/DesignSheet.h"
#include "designer/FormatCatalog.h"
#include "designer/QvfFile.h"
#include "designer/ui/DesignView.h"
#include "designer/ui/ElementPanel.h"
#include "designer/ui/FormatPropertiesDlg.h"
#include "designer/ui/UndoEdit.h"
#include "platform/ui/Help.h"
#include "printing/DefaultFormats.h"
#include "printing/PageLayout.h"
#include "printing/SampleValues.h"
#include "printing/ui/PrintDocument.h"
#include "toolkit/ui/AcceptCancelButtons.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kNudgeMerge = 1;
// Pasted and duplicated copies land this far right and down (0.1 mm).
constexpr std::int32_t kPasteOffset = 50;

QString text(const std::string& s) { return QString::fromStdString(s); }

} // namespace

CDesignerWnd::CDesignerWnd(Database& db, QWidget* parent)
    : QMainWindow(parent), m_db(db), m_catalog(std::make_unique<CFormatCatalog>(db)) {
    setObjectName(QStringLiteral("lantorela"));
    m_scene = new CDesignScene(m_measure, this);
    m_view = new CDesignView(m_scene, this);
    setCentralWidget(m_view);
    m_panel = new CElementPanel;
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

QAction* CDesignerWnd::addAction(QMenu* menu, const QString& name, const QString& label, const QString& tip,
                                 const QKeySequence& key, std::function<void()> slot) {
    auto* action = new QAction(label, this);
    action->setObjectName(name);
    action->setToolTip(tip);
    action->setStatusTip(tip);
    if (!key.isEmpty())
        action->setShortcut(key);
    connect(action, &QAction::triggered, this, [slot = std::move(slot)] { slot(); });
    menu->addAction(action);
    return action;
}

void CDesignerWnd::buildActions() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Archivo"));
    addAction(file, QStringLiteral("nuevo"), QStringLiteral("&Nuevo formato…"), QStringLiteral("Crea un formato nuevo"),
              QKeySequence::New, [this] { newFormat(); });
    addAction(file, QStringLiteral("guardar"), QStringLiteral("&Guardar"), QStringLiteral("Guarda el formato"),
              QKeySequence::Save, [this] { Save(); });
    file->addSeparator();
    addAction(file, QStringLiteral("exportar"), QStringLiteral("&Exportar…"),
              QStringLiteral("Guarda el formato en un archivo .qvf para llevarlo a otra tienda"), {},
              [this] { exportFormat(); });
    addAction(file, QStringLiteral("importar"), QStringLiteral("&Importar…"),
              QStringLiteral("Agrega un formato desde un archivo .qvf"), {}, [this] { importFormat(); });
    file->addSeparator();
    addAction(file, QStringLiteral("imprimirPrueba"), QStringLiteral("Imprimir &prueba…"),
              QStringLiteral("Imprime el formato con datos de muestra para compararlo con la forma impresa"),
              QKeySequence::Print, [this] { printTest(); });
    file->addSeparator();
    addAction(file, QStringLiteral("salir"), QStringLiteral("&Salir"), QStringLiteral("Cierra Lantorela"),
              QKeySequence::Quit, [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edición"));
    QAction* undo = m_undo.createUndoAction(this, QStringLiteral("&Deshacer"));
    undo->setObjectName(QStringLiteral("deshacer"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setToolTip(QStringLiteral("Deshace el último cambio"));
    QAction* redo = m_undo.createRedoAction(this, QStringLiteral("&Rehacer"));
    redo->setObjectName(QStringLiteral("rehacer"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    redo->setToolTip(QStringLiteral("Vuelve a hacer lo deshecho"));
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    addAction(edit, QStringLiteral("copiar"), QStringLiteral("&Copiar"), QStringLiteral("Copia los elementos seleccionados"),
              QKeySequence::Copy, [this] { copySelection(); });
    addAction(edit, QStringLiteral("pegar"), QStringLiteral("&Pegar"), QStringLiteral("Pega los elementos copiados"),
              QKeySequence::Paste, [this] { paste(); });
    addAction(edit, QStringLiteral("duplicar"), QStringLiteral("D&uplicar"),
              QStringLiteral("Hace una copia de los elementos seleccionados"), QKeySequence(Qt::CTRL | Qt::Key_D),
              [this] { duplicateSelection(); });
    addAction(edit, QStringLiteral("eliminar"), QStringLiteral("&Eliminar"),
              QStringLiteral("Quita los elementos seleccionados"), QKeySequence::Delete, [this] { deleteSelection(); });
    addAction(edit, QStringLiteral("seleccionarTodo"), QStringLiteral("Seleccionar &todo"),
              QStringLiteral("Selecciona todos los elementos"), QKeySequence::SelectAll, [this] {
                  ElementOps::Selection all(m_current.Format.Elements.size());
                  for (std::size_t i = 0; i < all.size(); ++i)
                      all[i] = i;
                  m_scene->SelectIndices(all);
              });

    QMenu* arrange = menuBar()->addMenu(QStringLiteral("&Formato"));
    addAction(arrange, QStringLiteral("propiedades"), QStringLiteral("&Propiedades del formato…"),
              QStringLiteral("Observaciones, papel, área de detalle y repetición"), {}, [this] { formatProperties(); });
    arrange->addSeparator();
    const struct {
        const char* name;
        const char* label;
        ElementOps::Edge edge;
    } aligns[] = {
        {"alinearIzquierda", "Alinear a la &izquierda", ElementOps::Edge::Left},
        {"alinearDerecha", "Alinear a la &derecha", ElementOps::Edge::Right},
        {"alinearArriba", "Alinear &arriba", ElementOps::Edge::Top},
        {"alinearAbajo", "Alinear a&bajo", ElementOps::Edge::Bottom},
        {"centrarHorizontal", "Centrar &horizontalmente", ElementOps::Edge::CentreX},
        {"centrarVertical", "Centrar &verticalmente", ElementOps::Edge::CentreY},
    };
    for (const auto& a : aligns) {
        const ElementOps::Edge edge = a.edge;
        addAction(arrange, QLatin1String(a.name), QString::fromUtf8(a.label),
                  QStringLiteral("Alinea la selección con el primer elemento seleccionado"), {}, [this, edge] {
                      const ElementOps::Selection sel = m_scene->SelectedIndices();
                      apply(QStringLiteral("Alinear"), [&](CWindowsFormat& f) { ElementOps::Align(f, sel, edge, m_current.Sheet); });
                  });
    }
    arrange->addSeparator();
    addAction(arrange, QStringLiteral("mismoAncho"), QStringLiteral("Mismo a&ncho"),
              QStringLiteral("Da a la selección el ancho del primer elemento"), {}, [this] {
                  const ElementOps::Selection sel = m_scene->SelectedIndices();
                  apply(QStringLiteral("Mismo ancho"), [&](CWindowsFormat& f) { ElementOps::SameWidth(f, sel, m_current.Sheet); });
              });
    addAction(arrange, QStringLiteral("mismoAlto"), QStringLiteral("Mismo a&lto"),
              QStringLiteral("Da a la selección el alto del primer elemento"), {}, [this] {
                  const ElementOps::Selection sel = m_scene->SelectedIndices();
                  apply(QStringLiteral("Mismo alto"), [&](CWindowsFormat& f) { ElementOps::SameHeight(f, sel, m_current.Sheet); });
              });
    addAction(arrange, QStringLiteral("distribuirHorizontal"), QStringLiteral("Distribuir a lo a&ncho"),
              QStringLiteral("Deja el mismo espacio entre los elementos, de izquierda a derecha"), {}, [this] {
                  const ElementOps::Selection sel = m_scene->SelectedIndices();
                  apply(QStringLiteral("Distribuir"), [&](CWindowsFormat& f) { ElementOps::Distribute(f, sel, true); });
              });
    addAction(arrange, QStringLiteral("distribuirVertical"), QStringLiteral("Distribuir a lo a&lto"),
              QStringLiteral("Deja el mismo espacio entre los elementos, de arriba abajo"), {}, [this] {
                  const ElementOps::Selection sel = m_scene->SelectedIndices();
                  apply(QStringLiteral("Distribuir"), [&](CWindowsFormat& f) { ElementOps::Distribute(f, sel, false); });
              });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&Ver"));
    addAction(view, QStringLiteral("acercar"), QStringLiteral("&Acercar"), QStringLiteral("Aumenta el tamaño de la hoja"),
              QKeySequence::ZoomIn, [this] { m_view->ZoomIn(); });
    addAction(view, QStringLiteral("alejar"), QStringLiteral("A&lejar"), QStringLiteral("Reduce el tamaño de la hoja"),
              QKeySequence::ZoomOut, [this] { m_view->ZoomOut(); });
    addAction(view, QStringLiteral("ajustar"), QStringLiteral("Hoja &completa"),
              QStringLiteral("Muestra la hoja completa en la ventana"), QKeySequence(Qt::CTRL | Qt::Key_0),
              [this] { m_view->FitToWindow(); });
    addAction(view, QStringLiteral("tamanoReal"), QStringLiteral("Tamaño &real"),
              QStringLiteral("Muestra la hoja a su tamaño real"), QKeySequence(Qt::CTRL | Qt::Key_1),
              [this] { m_view->SetZoom(1); });
    view->addSeparator();
    QAction* grid = addAction(view, QStringLiteral("cuadricula"), QStringLiteral("&Cuadrícula"),
                              QStringLiteral("Muestra una cuadrícula de 1 mm"), {}, [] {});
    grid->setCheckable(true);
    grid->setChecked(true);
    QAction* snap = addAction(view, QStringLiteral("ajustarCuadricula"), QStringLiteral("Ajustar a la cuadrícula"),
                              QStringLiteral("Los elementos se mueven de milímetro en milímetro"), {}, [] {});
    snap->setCheckable(true);
    snap->setChecked(true);
    auto gridChanged = [this, grid, snap] { m_scene->SetGrid(10, grid->isChecked(), snap->isChecked()); };
    connect(grid, &QAction::toggled, this, gridChanged);
    connect(snap, &QAction::toggled, this, gridChanged);
    view->addSeparator();
    auto* data = new QActionGroup(this);
    QAction* captions = addAction(view, QStringLiteral("nombresDatos"), QStringLiteral("&Nombres de los datos"),
                                  QStringLiteral("Muestra en cada dato su nombre, como \"Nombre Cliente\""), {},
                                  [this] { ShowCaptions(); });
    QAction* samples = addAction(view, QStringLiteral("muestra"), QStringLiteral("Datos de &muestra"),
                                 QStringLiteral("Muestra valores de ejemplo en lugar del nombre de cada dato"), {},
                                 [this] { ShowSamples(); });
    QAction* document = addAction(view, QStringLiteral("documento"), QStringLiteral("Datos de un &documento…"),
                                  QStringLiteral("Muestra los datos de un documento guardado, por serie y folio"), {},
                                  [this] { askDocument(); });
    for (QAction* a : {captions, samples, document}) {
        a->setCheckable(true);
        data->addAction(a);
    }
    samples->setChecked(true);

    QMenu* background = menuBar()->addMenu(QStringLiteral("F&ondo"));
    addAction(background, QStringLiteral("fondo"), QStringLiteral("&Imagen de fondo…"),
              QStringLiteral("Muestra bajo la hoja una imagen escaneada de la forma impresa; no se imprime"), {}, [this] {
                  const QString path = QFileDialog::getOpenFileName(
                      this, QStringLiteral("Imagen de fondo"), QString(),
                      QStringLiteral("Imágenes (*.png *.jpg *.jpeg *.bmp);;Todos (*)"));
                  if (!path.isEmpty())
                      SetBackgroundPicture(path);
              });
    addAction(background, QStringLiteral("alinearFondo"), QStringLiteral("&Alinear con dos puntos…"),
              QStringLiteral("Haga clic en dos puntos de la imagen y escriba dónde están en la hoja"), {},
              [this] { askBackgroundPoints(); });
    addAction(background, QStringLiteral("opacidadFondo"), QStringLiteral("&Opacidad…"),
              QStringLiteral("Qué tan fuerte se ve la imagen de fondo"), {}, [this] {
                  if (!m_current.Background)
                      return;
                  bool ok = false;
                  const int percent = QInputDialog::getInt(this, QStringLiteral("Opacidad del fondo"),
                                                           QStringLiteral("Opacidad (%):"), m_current.Background->opacity, 5,
                                                           100, 5, &ok);
                  if (ok)
                      SetBackgroundOpacity(percent);
              });
    addAction(background, QStringLiteral("quitarFondo"), QStringLiteral("&Quitar la imagen"),
              QStringLiteral("Quita la imagen de fondo del formato"), {}, [this] { RemoveBackground(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("A&yuda"));
    addAction(help, QStringLiteral("ayuda"), QStringLiteral("&Ayuda de Lantorela"),
              QStringLiteral("Cómo se usa el diseñador de formatos"), QKeySequence::HelpContents,
              [] { ShowHelp("Lantorela.htm"); });

    // The tools draw new elements; the arrow selects and moves.
    m_tools = new QActionGroup(this);
    QToolBar* bar = addToolBar(QStringLiteral("Herramientas"));
    bar->setObjectName(QStringLiteral("herramientas"));
    const struct {
        const char* name;
        const char* label;
        const char* tip;
        CDesignScene::Tool tool;
    } tools[] = {
        {"seleccionar", "Seleccionar", "Selecciona, mueve y cambia el tamaño de los elementos", CDesignScene::Tool::Select},
        {"texto", "Texto", "Dibuja un cuadro de texto arrastrando sobre la hoja", CDesignScene::Tool::Text},
        {"linea", "Línea", "Dibuja una línea arrastrando sobre la hoja", CDesignScene::Tool::Line},
        {"rectangulo", "Rectángulo", "Dibuja un rectángulo arrastrando sobre la hoja", CDesignScene::Tool::Rectangle},
    };
    for (const auto& t : tools) {
        auto* action = new QAction(QString::fromUtf8(t.label), m_tools);
        action->setObjectName(QLatin1String("herramienta_") + QLatin1String(t.name));
        action->setToolTip(QString::fromUtf8(t.tip));
        action->setCheckable(true);
        action->setChecked(t.tool == CDesignScene::Tool::Select);
        const CDesignScene::Tool tool = t.tool;
        connect(action, &QAction::triggered, this, [this, tool] { m_scene->SetTool(tool); });
        bar->addAction(action);
    }
    bar->addSeparator();
    for (const char* name : {"guardar", "deshacer", "rehacer", "ajustar", "imprimirPrueba"})
        bar->addAction(Action(QLatin1String(name)));
}

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

bool CDesignerWnd::IsModified() const { return m_open && !m_undo.isClean(); }

bool CDesignerWnd::Save() {
    if (!m_open)
        return false;
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
    updateTitle();
    statusBar()->showMessage(QStringLiteral("Formato guardado"), 3000);
    return true;
}

bool CDesignerWnd::maybeSave() {
    if (!IsModified())
        return true;
    QMessageBox ask(QMessageBox::Question, QString::fromLatin1(kTitle), QStringLiteral("¿Guardar los cambios?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    ask.setObjectName(QStringLiteral("guardarCambios"));
    ask.button(QMessageBox::Yes)->setText(QStringLiteral("Sí"));
    ask.button(QMessageBox::No)->setText(QStringLiteral("No"));
    ask.button(QMessageBox::Cancel)->setText(QStringLiteral("Cancelar"));
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

void CDesignerWnd::apply(const QString& what, const std::function<void(CWindowsFormat&)>& change, int mergeId) {
    if (!m_open)
        return;
    CDesignFormat after = m_current;
    change(after.Format);
    applyDesign(what, std::move(after), mergeId);
}

void CDesignerWnd::applyDesign(const QString& what, CDesignFormat after, int mergeId) {
    if (!m_open)
        return;
    // Unless fixed by hand, the lines per sheet follow the detail area at once, so the sheet
    // shows as many detail rows as will print.
    if (!after.CabenByHand)
        after.Format.Caben = CDesignFormat::DerivedCaben(after.Format);
    if (after.SameDesign(m_current))
        return;
    m_undo.push(new CUndoEdit(CFormatEdit(what.toStdString(), m_current, std::move(after)), m_current,
                              [this] { designChanged(); }, mergeId));
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
    const std::size_t index = m_current.Format.Elements.size();
    apply(tool == CDesignScene::Tool::Text ? QStringLiteral("Nuevo texto") : QStringLiteral("Nuevo elemento"),
          [&](CWindowsFormat& f) { f.Elements.push_back(e); });
    m_scene->SelectIndices({index});
    // One element at a time: back to the arrow, as most drawing programs do.
    m_scene->SetTool(CDesignScene::Tool::Select);
    Action(QStringLiteral("herramienta_seleccionar"))->setChecked(true);
}

void CDesignerWnd::copySelection() {
    m_clipboard.clear();
    for (std::size_t i : m_scene->SelectedIndices())
        if (i < m_current.Format.Elements.size())
            m_clipboard.push_back(m_current.Format.Elements[i]);
}

void CDesignerWnd::paste() {
    if (m_clipboard.empty())
        return;
    ElementOps::Selection added;
    apply(QStringLiteral("Pegar"), [&](CWindowsFormat& f) {
        added = ElementOps::Insert(f, m_clipboard, kPasteOffset, -kPasteOffset, m_current.Sheet);
    });
    m_scene->SelectIndices(added);
    // The next paste lands a step further on.
    for (std::size_t k = 0; k < added.size() && k < m_clipboard.size(); ++k)
        m_clipboard[k].Position = m_current.Format.Elements[added[k]].Position;
}

void CDesignerWnd::duplicateSelection() {
    const auto keep = m_clipboard;
    copySelection();
    paste();
    m_clipboard = keep;
}

void CDesignerWnd::deleteSelection() {
    const ElementOps::Selection sel = m_scene->SelectedIndices();
    if (sel.empty())
        return;
    m_scene->SelectIndices({});
    apply(QStringLiteral("Eliminar"), [&](CWindowsFormat& f) { ElementOps::Remove(f, sel); });
}

void CDesignerWnd::newFormat() {
    if (!maybeSave())
        return;
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("Nuevo formato"), QStringLiteral("Nombre:"),
                                               QLineEdit::Normal, QString(), &ok)
                             .trimmed();
    if (!ok || name.isEmpty())
        return;
    const QStringList starts = {QStringLiteral("En blanco"), QStringLiteral("Copia de la factura carta")};
    const QString start = QInputDialog::getItem(this, QStringLiteral("Nuevo formato"), QStringLiteral("Empezar:"),
                                                starts, 0, false, &ok);
    if (!ok)
        return;
    CDesignFormat format;
    format.Name = name.toStdString();
    if (start == starts[1]) {
        format.Format = DefaultInvoiceFormat();
        format.CabenByHand = format.Format.Caben != CDesignFormat::DerivedCaben(format.Format);
    } else {
        // A blank letter sheet with a detail area from 80 to 200 mm at 5 mm per line.
        format.Format.DetailTop = -800;
        format.Format.DetailBottom = -2000;
        format.Format.Pitch = 50;
    }
    try {
        m_catalog->Save(format);
    } catch (const DbError& e) {
        ShowDbError(e);
        return;
    }
    ReloadList();
    OpenFormat(format.Id);
}

void CDesignerWnd::duplicateFormat() {
    const std::int32_t id = listedId();
    if (id == 0)
        return;
    try {
        const auto copy = m_catalog->Duplicate(id, "Copia de " + m_list->currentItem()->text().toStdString());
        if (!copy)
            TolMessage(text(CFormatCatalog::kMissingMessage));
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    ReloadList();
}

void CDesignerWnd::renameFormat() {
    const std::int32_t id = listedId();
    if (id == 0)
        return;
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("Renombrar formato"), QStringLiteral("Nombre:"),
                                               QLineEdit::Normal, m_list->currentItem()->text(), &ok)
                             .trimmed();
    if (!ok || name.isEmpty())
        return;
    try {
        m_catalog->Rename(id, name.toStdString());
    } catch (const DbError& e) {
        ShowDbError(e);
    }
    if (m_open && m_current.Id == id)
        m_current.Name = name.toStdString();
    ReloadList();
    updateTitle();
}

void CDesignerWnd::deleteFormat() {
    const std::int32_t id = listedId();
    if (id == 0)
        return;
    if (TolMessage(QStringLiteral("¿Eliminar el formato \"%1\"?").arg(m_list->currentItem()->text()), true) != 1)
        return;
    try {
        m_catalog->Delete(id);
    } catch (const DbError& e) {
        ShowDbError(e);
        return;
    }
    if (m_open && m_current.Id == id) {
        m_undo.clear();
        m_open = false;
        m_current = CDesignFormat{};
        designChanged();
    }
    ReloadList();
}

void CDesignerWnd::formatProperties() {
    if (!m_open)
        return;
    CFormatPropertiesDlg dialog(m_current, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    applyDesign(QStringLiteral("Propiedades del formato"), dialog.Result());
}

void CDesignerWnd::exportFormat() {
    if (!m_open)
        return;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Exportar formato"),
                                                      text(m_current.Name) + QStringLiteral(".qvf"),
                                                      QStringLiteral("Formatos (*.qvf)"));
    if (path.isEmpty())
        return;
    std::string error;
    if (!QvfFile::Write(path.toStdString(), m_current.Format.WriteStream(), &error))
        TolMessage(text(error));
}

void CDesignerWnd::importFormat() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Importar formato"), QString(),
                                                      QStringLiteral("Formatos (*.qvf)"));
    if (path.isEmpty())
        return;
    const QvfFile::ReadResult read = QvfFile::Read(path.toStdString());
    if (!read.ok) {
        TolMessage(text(read.message));
        return;
    }
    try {
        const std::int32_t id = m_catalog->AddRaw(QFileInfo(path).completeBaseName().toStdString(), read.bytes,
                                                  CDesignFormat::DerivedCaben(read.format), 0);
        ReloadList();
        OpenFormat(id);
    } catch (const DbError& e) {
        ShowDbError(e);
    }
}

void CDesignerWnd::showValues(CSheetValues values) {
    m_values = std::move(values);
    m_scene->Show(&m_current.Format, &m_values);
    const char* checked = "muestra";
    QString shown = QStringLiteral("Datos de muestra");
    switch (m_values.GetKind()) {
    case CSheetValues::Kind::Captions:
        checked = "nombresDatos";
        shown = QStringLiteral("Nombres de los datos");
        break;
    case CSheetValues::Kind::Samples: break;
    case CSheetValues::Kind::Document:
        checked = "documento";
        shown = QStringLiteral("Documento %1").arg(text(m_values.DocumentName()));
        break;
    }
    Action(QLatin1String(checked))->setChecked(true);
    m_dataLabel->setText(shown);
}

void CDesignerWnd::ShowCaptions() {
    m_document.reset();
    showValues(CSheetValues::Captions());
}

void CDesignerWnd::ShowSamples() {
    m_document.reset();
    showValues(CSheetValues::Samples());
}

bool CDesignerWnd::ShowDocument(const QString& serie, std::int32_t folio) {
    CPrintJob job;
    CDocumentStore::LoadResult loaded = CDocumentStore::LoadResult::NotFound;
    try {
        loaded = job.LoadStored(m_db, serie.trimmed().toStdString(), folio);
    } catch (const DbError& e) {
        ShowDbError(e);
        showValues(m_values);
        return false;
    }
    if (loaded != CDocumentStore::LoadResult::Loaded) {
        TolMessage(loaded == CDocumentStore::LoadResult::NotFound ? QStringLiteral("- No existe el documento -")
                                                                  : QStringLiteral("- El documento no tiene partidas -"));
        // The menu's mark goes back to what the sheet still shows.
        showValues(m_values);
        return false;
    }
    job.Copies = 1;
    m_document = std::move(job);
    showValues(CSheetValues::Document(*m_document));
    return true;
}

void CDesignerWnd::askDocument() {
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("elegirDocumento"));
    dialog.setWindowTitle(QStringLiteral("Datos de un documento"));
    auto* form = new QFormLayout(&dialog);
    auto* serie = new QLineEdit(m_document ? text(m_document->Serie) : QString());
    serie->setObjectName(QStringLiteral("serie"));
    serie->setMaxLength(10);
    serie->setToolTip(QStringLiteral("Serie del documento; vacía si no tiene"));
    auto* folio = new QLineEdit(m_document ? QString::number(m_document->Folio) : QString());
    folio->setObjectName(QStringLiteral("folio"));
    folio->setValidator(new QIntValidator(0, std::numeric_limits<std::int32_t>::max(), folio));
    folio->setToolTip(QStringLiteral("Folio del documento"));
    form->addRow(QStringLiteral("Serie:"), serie);
    form->addRow(QStringLiteral("Folio:"), folio);
    form->addRow(AcceptCancelButtons(&dialog));
    // Enter in the series goes on to the folio; in the folio it accepts.
    connect(serie, &QLineEdit::returnPressed, folio, qOverload<>(&QWidget::setFocus));
    if (dialog.exec() != QDialog::Accepted || folio->text().isEmpty()) {
        showValues(m_values);
        return;
    }
    ShowDocument(serie->text(), folio->text().toInt());
}

bool CDesignerWnd::PrintTest(QPrinter& printer) {
    if (!m_open)
        return false;
    CPageLayout layout(m_current.Format, m_measure);
    std::vector<PrintPage> pages;
    if (m_document) {
        pages = layout.LayoutJob(*m_document);
    } else {
        // One sheet of samples, with every detail line it holds.
        CSampleValues samples;
        const std::vector<CPartida> lines(
            static_cast<std::size_t>(std::clamp(m_current.Format.Caben, 1, CDesignSheet::kMaxGhostRows)));
        std::int32_t next = 1;
        pages.push_back(layout.LayoutPage(samples, lines, next));
    }
    printer.setPageSize(QPageSize(QSizeF(m_current.Sheet.width / 10.0, m_current.Sheet.height / 10.0), QPageSize::Millimeter));
    return PrintPages(printer, pages);
}

void CDesignerWnd::printTest() {
    if (!m_open)
        return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Imprimir prueba"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!PrintTest(printer))
        TolMessage(QStringLiteral("- No se pudo imprimir la prueba -"));
}

void CDesignerWnd::showBackground() {
    const std::shared_ptr<const FormatBackground>& b = m_current.Background;
    if (!b) {
        m_shownBackground.reset();
        m_backgroundImage = QImage();
        m_scene->SetBackground(QImage(), QRectF(), 0);
        return;
    }
    if (!m_shownBackground || (m_shownBackground != b && m_shownBackground->picture != b->picture))
        m_backgroundImage = QImage::fromData(b->picture.data(), static_cast<int>(b->picture.size()));
    m_shownBackground = b;
    if (m_backgroundImage.isNull()) {
        m_scene->SetBackground(QImage(), QRectF(), 0);
        return;
    }
    m_scene->SetBackground(m_backgroundImage, QRectF(b->left, b->top, b->width, b->height), b->opacity / 100.0);
}

bool CDesignerWnd::SetBackgroundPicture(const QString& path) {
    if (!m_open) {
        TolMessage(QStringLiteral("- Abra o cree un formato primero -"));
        return false;
    }
    QFile file(path);
    const bool tooLarge = file.size() > static_cast<qint64>(CFormatBackgroundStore::kMaxPictureBytes);
    QByteArray bytes;
    if (!tooLarge && file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    const QImage image = QImage::fromData(bytes);
    if (image.isNull()) {
        TolMessage(QStringLiteral("No se pudo leer la imagen %1.\nUse un archivo PNG, JPEG o BMP.")
                       .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    auto b = std::make_shared<FormatBackground>();
    b->picture.assign(bytes.begin(), bytes.end());
    // At first the scan covers the sheet's width; two reference points place it exactly.
    b->width = m_current.Sheet.width;
    b->height = m_current.Sheet.width * static_cast<double>(image.height()) / image.width();
    if (m_current.Background)
        b->opacity = m_current.Background->opacity;
    // Already decoded: the redraw need not decode it again.
    m_shownBackground = b;
    m_backgroundImage = image;
    CDesignFormat after = m_current;
    after.Background = std::move(b);
    applyDesign(QStringLiteral("Imagen de fondo"), std::move(after));
    return true;
}

void CDesignerWnd::RemoveBackground() {
    if (!m_open || !m_current.Background)
        return;
    CDesignFormat after = m_current;
    after.Background.reset();
    applyDesign(QStringLiteral("Quitar la imagen de fondo"), std::move(after));
}

void CDesignerWnd::SetBackgroundOpacity(int percent) {
    if (!m_current.Background)
        return;
    auto b = std::make_shared<FormatBackground>(*m_current.Background);
    b->opacity = std::clamp(percent, 5, 100);
    CDesignFormat after = m_current;
    after.Background = std::move(b);
    applyDesign(QStringLiteral("Opacidad del fondo"), std::move(after));
}

bool CDesignerWnd::AlignBackground(QPointF clicked1, QPointF clicked2, QPointF true1, QPointF true2) {
    const std::shared_ptr<const FormatBackground>& current = m_current.Background;
    if (!current || m_backgroundImage.isNull() || current->width <= 0 || current->height <= 0)
        return false;
    const FormatBackground& b = *current;
    // Sheet points back to picture pixels through the present placement.
    auto pixel = [&](QPointF p) {
        return FormatBackground::Point{(p.x() - b.left) * m_backgroundImage.width() / b.width,
                                       (p.y() - b.top) * m_backgroundImage.height() / b.height};
    };
    const auto placed = b.AlignedBy(pixel(clicked1), pixel(clicked2), {true1.x() * 10, true1.y() * 10},
                                    {true2.x() * 10, true2.y() * 10}, m_backgroundImage.width(),
                                    m_backgroundImage.height());
    if (!placed) {
        TolMessage(QStringLiteral("- Los dos puntos deben estar separados -"));
        return false;
    }
    CDesignFormat after = m_current;
    after.Background = std::make_shared<const FormatBackground>(*placed);
    applyDesign(QStringLiteral("Alinear el fondo"), std::move(after));
    return true;
}

void CDesignerWnd::askBackgroundPoints() {
    if (!m_current.Background) {
        TolMessage(QStringLiteral("- Primero ponga una imagen de fondo -"));
        return;
    }
    m_picked.clear();
    m_scene->SetTool(CDesignScene::Tool::Pick);
    m_view->viewport()->setCursor(Qt::CrossCursor);
    statusBar()->showMessage(QStringLiteral("Haga clic en el primer punto de referencia de la imagen"));
}

void CDesignerWnd::pointPicked(const QPointF& at) {
    m_picked.push_back(at);
    if (m_picked.size() < 2) {
        statusBar()->showMessage(QStringLiteral("Haga clic en el segundo punto de referencia de la imagen"));
        return;
    }
    m_scene->SetTool(CDesignScene::Tool::Select);
    Action(QStringLiteral("herramienta_seleccionar"))->setChecked(true);
    m_view->viewport()->unsetCursor();
    statusBar()->clearMessage();
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Posición de los puntos"));
    auto* form = new QFormLayout(&dialog);
    QDoubleSpinBox* values[4];
    const QString labels[4] = {QStringLiteral("Punto 1, desde la izquierda:"), QStringLiteral("Punto 1, desde arriba:"),
                               QStringLiteral("Punto 2, desde la izquierda:"), QStringLiteral("Punto 2, desde arriba:")};
    for (int k = 0; k < 4; ++k) {
        values[k] = new QDoubleSpinBox;
        values[k]->setDecimals(1);
        values[k]->setRange(-1000, 3000);
        values[k]->setSuffix(QStringLiteral(" mm"));
        const QPointF& p = m_picked[static_cast<std::size_t>(k / 2)];
        values[k]->setValue((k % 2 == 0 ? p.x() : p.y()) / 10.0);
        form->addRow(labels[k], values[k]);
    }
    form->addRow(AcceptCancelButtons(&dialog));
    const std::vector<QPointF> picked = m_picked;
    m_picked.clear();
    if (dialog.exec() == QDialog::Accepted)
        AlignBackground(picked[0], picked[1], QPointF(values[0]->value(), values[1]->value()),
                        QPointF(values[2]->value(), values[3]->value()));
}
