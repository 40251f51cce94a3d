#include "designer/ui/DesignerWnd.h"

#include "platform/ui/FileChooser.h"
#include "platform/ui/Help.h"
#include "designer/ui/DesignView.h"

#include <QAction>
#include <QActionGroup>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

// The designer's menus and tool bar: every command the window offers, with its shortcut and tip.

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
                  const QString path = ChooseFileToOpen(
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
    bar->addAction(Action(QStringLiteral("guardar")));
    // On the bar the buttons keep a short name; the step they take back or again is in their tip.
    for (const bool back : {true, false}) {
        auto* button = new QAction(back ? QStringLiteral("Deshacer") : QStringLiteral("Rehacer"), this);
        button->setObjectName(back ? QStringLiteral("botonDeshacer") : QStringLiteral("botonRehacer"));
        button->setEnabled(false);
        connect(button, &QAction::triggered, this, [this, back] { back ? m_undo.undo() : m_undo.redo(); });
        connect(&m_undo, back ? &QUndoStack::canUndoChanged : &QUndoStack::canRedoChanged, button, &QAction::setEnabled);
        connect(&m_undo, back ? &QUndoStack::undoTextChanged : &QUndoStack::redoTextChanged, button,
                [button, back](const QString& step) {
                    button->setToolTip(step.isEmpty() ? button->text()
                                                      : (back ? QStringLiteral("Deshacer: ") : QStringLiteral("Rehacer: ")) + step);
                });
        bar->addAction(button);
    }
    for (const char* name : {"ajustar", "imprimirPrueba"})
        bar->addAction(Action(QLatin1String(name)));
}
