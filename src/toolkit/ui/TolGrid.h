#pragma once

#include "toolkit/ui/TolGridOwner.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QPixmap>
#include <QVector>

#include <algorithm>

class CEditCell;
class CDropCell;

// The program's spreadsheet-like grid, painted by us. It owns no cell data: every text is asked
// from, and every change told to, its ITolGridOwner. Two looks: the editing look (a current cell,
// edited in place by a text box, a drop-down list or a check box, plus the append row below the
// data where a new row is typed) and the row-select look (a list whose highlighted row Enter or a
// double-click activates).
//
// Rows count from 1; row 0 is the heading row and the row whose number equals rowCount() is the
// append row. Columns count from 1; column 0 is the row-heading column. Sizes are pixels.
//
// Keys reach the grid as Qt::Key codes (the keypad's Enter as Qt::Key_Return), plus KeyNextRow,
// which no keyboard sends: a commit hook returns it to go to column 1 of the next row.
class CTolGrid : public QAbstractScrollArea {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTolGrid)
public:
    static constexpr int KeyNextRow = 136;
    static constexpr int HScrollId = 1154;
    static constexpr int VScrollId = 1155;
    static constexpr int HeadingHeight = 18;
    static constexpr int RowHeight = 18;
    static constexpr int MinColumnWidth = 4;  // when resized with the mouse
    static constexpr int ResizeGrip = 2;      // distance from a heading border that grabs it
    enum Alignment { AlignLeft = 0, AlignRight = 2, AlignCenter = 6 };

    // `id` is the control id passed with every owner call (and the objectName); `owner` may be
    // null (the grid then shows empty cells).
    CTolGrid(QWidget* parent, int id, ITolGridOwner* owner, bool horizontalScroll = true);
    ~CTolGrid() override;

    int id() const { return m_id; }
    ITolGridOwner* owner() const { return m_owner; }

    // ---- columns ----
    // n data columns: n + 1 records (column 0 is the row headings), all with default values.
    void setColumnCount(int n);
    // Records including column 0.
    int columnCount() const { return int(m_columns.size()); }
    // For index 1 .. columnCount() - 1; other indexes are ignored.
    void setColumn(int index, const QString& title, int width, bool readOnly = false, int alignment = AlignLeft);
    void setColumnAlignment(int index, int alignment);
    void setColumnCheckBox(int index, bool checkBox);
    void setColumnUpperCase(int index, bool upper);
    void setColumnDropDown(int index, bool dropDown);
    void setColumnReadOnly(int index, bool readOnly);
    // Any column including 0; negative widths become 0.
    void setColumnWidth(int index, int width);
    int columnWidth(int index) const;
    QString columnTitle(int index) const;

    // ---- rows ----
    // n data rows: row count n + 1, current cell (1, 1), no selection, append-row texts cleared;
    // the owner then gets tgmRowChanged(1). Any open edit is dropped.
    void setRowCount(int n);
    // n data rows, keeping the current row, the selection and the scrolled place where they still
    // fit (a list whose length became known after its first rows were shown).
    void resizeRows(int n);
    // Data rows + 1 (the number of the append row).
    int rowCount() const { return m_rowCount; }
    // No columns, row count 1, current cell (1, 1), no selection.
    void reset();

    // ---- looks and options ----
    void setRowSelect(bool on);
    bool isRowSelect() const { return m_rowSelect; }
    void setRowNumbers(bool on);
    void setOwnerRowHeadings(bool on);
    void setReadOnly(bool on);          // no editing and no deletion
    bool isReadOnly() const { return m_readOnly; }
    void setRowDeletion(bool allowed);  // Delete over selected rows asks tgmDeleteRows
    void setNewRows(bool allowed);      // the append row can become a data row

    // ---- current cell, selection, append row ----
    int currentColumn() const { return m_curCol; }
    int currentRow() const { return m_curRow; }
    // Moves the current cell (bounded by the counts), scrolls it into view; a new row is told to
    // the owner.
    void setCurrentCell(int column, int row);
    // Selected data rows, first <= last; both 0 when none. In the row-select look the highlighted
    // row is the selection.
    int selectionFirst() const;
    int selectionLast() const;
    bool hasSelection() const { return m_selFirst != 0; }
    void setSelection(int first, int last);
    void clearSelection();
    QString appendText(int column) const;
    void setAppendText(int column, const QString& text);
    void clearAppendTexts();

    // Moves the current cell, puts `text` into the editor and commits it as if the editor had ended
    // with `key` (commit hook, owner, navigation, append).
    void goToCellAndEnter(int column, int row, const QString& text, int key);
    // The key filter and key handler, as a key press runs them.
    void processKey(int key);

    bool isEditing() const { return m_editing != Editing::None; }
    // Commits an open edit as focus loss does (as if Enter had ended it).
    void commitEdit();
    // Drops an open edit; the cell keeps the text it had.
    void cancelEdit();
    // The in-place editors, created when first needed: a list that is never edited never pays
    // for them.
    CEditCell* editCell();
    CDropCell* dropCell();

    // ---- geometry (viewport coordinates) ----
    int firstVisibleRow() const { return m_firstRow; }
    int firstVisibleColumn() const { return m_firstCol; }
    // Whole rows and columns that fit, for page steps.
    int visibleRows() const;
    int visibleColumns() const;
    // The rectangle of a cell inside its grid lines; empty when the column is scrolled away.
    // Rows outside the window give rectangles outside it.
    QRect cellRect(int column, int row) const;
    // Heading row = row 0, row-heading column = column 0; -1 for the area beyond the last
    // column or below the append row.
    int columnAt(int x) const;
    int rowAt(int y) const;

    const QFont& cellFont() const { return m_cellFont; }
    const QFont& headingFont() const { return m_headingFont; }

protected:
    // Commit hook: called when an edit ends with any key but Escape, before the owner hears of the
    // text. A subclass may change cell.text, and replace `key` by 0 (stay in the cell),
    // Qt::Key_Right (next column) or KeyNextRow (column 1 of the next row). Default: nothing.
    virtual void commitHook(TolGridCell& cell, int& key);
    // Key handler: acts on a navigation or editing key; `filtered` says whether keyFilter has
    // already been applied (if not, it applies it). Returns whether the key was consumed. A
    // subclass may wrap it to act after the grid (for instance after Delete).
    virtual bool keyHandler(int key, bool filtered);
    // Key filter: sees every key before the key handler and returns the key to use (0 swallows
    // it). Default: the key unchanged.
    virtual int keyFilter(int key);

    // The text the edited cell had before editing (for a commit hook that reverts).
    const QString& savedText() const { return m_savedText; }
    // The cell text as shown: the owner's for a data row, the append-row text for the append row.
    QString cellText(int column, int row) const;

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Column {
        int width = 60;
        int right = 0;  // x of the right edge at the last paint (0 when not painted)
        QString title;
        QString appendText;
        int alignment = AlignLeft;
        bool readOnly = false;
        bool upperCase = false;
        bool dropDown = false;
        bool checkBox = false;
    };
    enum class Editing { None, Text, List };
    enum class Drag { None, Resize, Heading, Rows };

    bool validColumn(int column) const { return column >= 1 && column < columnCount(); }
    bool isDataRow(int row) const { return row >= 1 && row < m_rowCount; }
    int lastColumn() const { return std::max(1, columnCount() - 1); }
    int lastNavigableRow() const { return m_rowSelect ? std::max(1, m_rowCount - 1) : m_rowCount; }
    int columnLeft(int column) const;
    int borderAt(int x) const;

    void moveTo(int column, int row);
    void ensureVisible(int column, int row);
    void setFirstRow(int row);
    void setFirstColumn(int column);
    void syncHighlight();
    void updateScrollBars();
    void placeEditor();
    void postRowChanged(int row);
    void fitRowNumbers();
    void postRowActivate(int row);

    bool editingKey(int key);
    bool rowSelectKey(int key);
    void deleteKey();
    bool startEdit(const QString& typed);
    void toggleCheck(int column, int row);
    void endEdit(int key);
    void hideEditors();
    // Gives a newly created editor the cell font and its place in the tab order.
    void adoptEditor(QWidget* editor);
    // An editor lost the focus: the edit is committed.
    void editorLost();
    void onVerticalAction(int action);
    void onHorizontalAction(int action);

    // Qt alignment flags of a cell text for a column alignment, shared by the painter and the editor.
    static int textFlags(int alignment);
    void paintGrid(QPainter& p);
    void paintHeading(QPainter& p, const QRect& r, const QString& text, int flags, bool current,
                      bool pressed, bool marked) const;
    void paintCheckBox(QPainter& p, const QRect& cell, bool checked) const;

    ITolGridOwner* m_owner;
    int m_id;
    QVector<Column> m_columns;
    int m_rowCount = 1;
    int m_curCol = 1;
    int m_curRow = 1;
    int m_selFirst = 0;  // as pressed; may be after m_selLast while dragging upwards
    int m_selLast = 0;
    int m_clickedHeading = 0;
    int m_firstCol = 1;
    int m_firstRow = 1;
    int m_headingWidth = 20;  // the heading column's width as set; row numbers may widen it

    bool m_readOnly = false;
    bool m_noDelete = false;
    bool m_noNewRows = false;
    bool m_rowSelect = false;
    bool m_rowNumbers = false;
    bool m_ownerHeadings = false;

    QFont m_cellFont;
    QFont m_headingFont;
    CEditCell* m_edit = nullptr;
    CDropCell* m_drop = nullptr;
    Editing m_editing = Editing::None;
    int m_editCol = 0;
    int m_editRow = 0;
    QString m_savedText;

    Drag m_drag = Drag::None;
    int m_resizeColumn = 0;
    int m_resizeStartX = 0;
    int m_resizeStartWidth = 0;
    int m_wheelRest = 0;
    bool m_settingBars = false;
    QPixmap m_buffer;
};
