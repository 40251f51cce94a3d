#pragma once

#include "designer/DesignFormat.h"
#include "designer/FormatBackground.h"
#include "designer/ElementOps.h"
#include "designer/SheetValues.h"
#include "designer/SheetSize.h"
#include "designer/ui/DesignScene.h"
#include "printing/PrintJob.h"
#include "printing/ui/QtTextMeasure.h"

#include <QImage>
#include <QKeySequence>
#include <QMainWindow>
#include <QUndoStack>

#include <functional>

class CDataList;
class CDesignView;
class CElementPanel;
class CFormatCatalog;
class Database;
class QAction;
class QActionGroup;
class QLabel;
class QListWidget;
class QMenu;
class QPrinter;

// Lantorela, the page-format designer: the list of Windows formats on the left, the sheet in the
// middle, the selected element's properties on the right. Every change is an undoable edit; Save
// writes the stream and the row in one transaction.
class CDesignerWnd final : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Lantorela";

    explicit CDesignerWnd(Database& db, QWidget* parent = nullptr);
    ~CDesignerWnd() override;

    // Opens format `id` (asking first about unsaved changes); false when it was not opened.
    bool OpenFormat(std::int32_t id);
    bool Save();
    bool IsModified() const;
    void ReloadList();

    // What the rest of the window is built from; tests drive these with real events.
    CDesignScene* Scene() const { return m_scene; }
    CDesignView* View() const { return m_view; }
    CElementPanel* Panel() const { return m_panel; }
    QListWidget* FormatList() const { return m_list; }
    CDataList* DataList() const { return m_data; }
    QUndoStack* UndoStack() { return &m_undo; }
    const CDesignFormat& Current() const { return m_current; }
    QAction* Action(const QString& objectName) const;

    // The background picture of the open format from an image file; false (and said) when it
    // cannot be read.
    bool SetBackgroundPicture(const QString& path);
    void RemoveBackground();
    void SetBackgroundOpacity(int percent);
    // Moves, scales and turns the picture so that the two sheet points the operator clicked on it land
    // at the true positions `true1`, `true2` (mm from the top-left corner).
    bool AlignBackground(QPointF clicked1, QPointF clicked2, QPointF true1, QPointF true2);
    const std::shared_ptr<const FormatBackground>& Background() const { return m_current.Background; }

    // What the sheet shows for each datum: its caption, its sample value, or the stored document
    // with this series and folio (false, and said, when there is none or it has no lines; the
    // sheet keeps what it showed).
    void ShowCaptions();
    void ShowSamples();
    bool ShowDocument(const QString& serie, std::int32_t folio);
    const CSheetValues& SheetValues() const { return m_values; }

    // "Imprimir prueba" onto `printer`, without asking, through the program's own page function:
    // the format as it stands (saved or not) with the chosen document, or else one sheet of
    // sample data with every detail line the sheet holds.
    bool PrintTest(QPrinter& printer);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildActions();
    void buildDocks();
    QAction* addAction(QMenu* menu, const QString& name, const QString& text, const QString& tip,
                       const QKeySequence& key, std::function<void()> slot);
    // A yes-or-no question in a box named `objectName`; true for "Sí".
    bool Ask(const QString& question, const QString& objectName);
    // Asks "¿Guardar los cambios?" when there are unsaved changes: false when the operator cancels.
    bool maybeSave();
    // Every change to the open format goes through these as one undoable step: a layout edit,
    // or a change to the whole design (remarks, Caben, paper, background picture).
    // `selectAfter`, read once `change` has run: what the edit leaves selected (else the selection
    // stays); undo selects again what was selected before.
    void apply(const QString& text, const std::function<void(CWindowsFormat&)>& change, int mergeId = -1,
               const ElementOps::Selection* selectAfter = nullptr);
    void applyDesign(const QString& text, CDesignFormat after, int mergeId = -1,
                     const ElementOps::Selection* selectAfter = nullptr);
    void designChanged();
    void layoutChanged();
    void selectionChanged();
    void updateTitle();

    void createElement(CDesignScene::Tool tool, const ElementBox& box);
    // A datum dropped on the sheet: a text element of it, as wide as its sample, at `at`.
    void placeDatum(std::int32_t kind, std::int32_t index, const QPoint& at);
    // A datum chosen in the list: added to the selected text element.
    void addDatumToSelection(std::int32_t kind, std::int32_t index);
    void copySelection();
    void paste(const QString& what = QStringLiteral("Pegar"));
    void duplicateSelection();
    void deleteSelection();
    void newFormat();
    void duplicateFormat();
    void renameFormat();
    void deleteFormat();
    void formatProperties();
    void exportFormat();
    void importFormat();
    void printTest();
    void askDocument();
    void showValues(CSheetValues values);
    std::int32_t listedId() const;
    void showBackground();
    void askBackgroundPoints();
    void pointPicked(const QPointF& at);

    Database& m_db;
    std::unique_ptr<CFormatCatalog> m_catalog;
    CDesignFormat m_current;
    bool m_open = false;
    CQtTextMeasure m_measure;
    CSheetValues m_values = CSheetValues::Samples();
    std::optional<CPrintJob> m_document; // the stored document the sheet shows, if any
    QUndoStack m_undo;
    std::vector<CRenglonFormato> m_clipboard;
    // The picture decoded for the background it was decoded from; undo steps that only move it or
    // change its opacity reuse it.
    std::shared_ptr<const FormatBackground> m_shownBackground;
    QImage m_backgroundImage;
    std::vector<QPointF> m_picked;

    CDesignScene* m_scene;
    CDesignView* m_view;
    CElementPanel* m_panel;
    CDataList* m_data;
    QListWidget* m_list;
    QActionGroup* m_tools;
    QLabel* m_zoomLabel;
    QLabel* m_dataLabel;
};
