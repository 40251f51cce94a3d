#include "toolkit/ui/TolGrid.h"

#include "toolkit/ui/DropCell.h"
#include "toolkit/ui/EditCell.h"

#include <QFontMetrics>
#include <QScrollBar>

// The grid's construction, its columns and rows, its options, the current cell and selection, and
// what it tells its owner. Scrolling, keys and editing, the mouse and painting have files of their
// own (TolGridScroll, TolGridEdit, TolGridMouse, TolGridPaint).

namespace {

constexpr int kDefaultHeadingWidth = 20;
// A row number is drawn from 1 pixel to 5 pixels short of the heading column's right edge, whose
// last pixel is the grid line.
constexpr int kRowNumberMargins = 7;
constexpr int kDefaultColumnWidth = 60;

} // namespace

CTolGrid::CTolGrid(QWidget* parent, int id, ITolGridOwner* owner, bool horizontalScroll)
    : QAbstractScrollArea(parent), m_owner(owner), m_id(id) {
    setObjectName(QString::number(id));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setMouseTracking(true); // the size cursor over heading borders

    // The cell font is Arial with a 14-pixel cell height (ascent + descent), which is a 12-pixel
    // em; headings use the same face at weight 800.
    m_cellFont = QFont(QStringLiteral("Arial"));
    m_cellFont.setStyleHint(QFont::SansSerif);
    m_cellFont.setPixelSize(12);
    m_cellFont.setWeight(QFont::Normal);
    m_headingFont = m_cellFont;
    m_headingFont.setWeight(QFont::ExtraBold);


    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(horizontalScroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setObjectName(QString::number(VScrollId));
    horizontalScrollBar()->setObjectName(QString::number(HScrollId));
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, &CTolGrid::onVerticalAction);
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, &CTolGrid::onHorizontalAction);
    // After a drag the thumb goes back to showing the current cell.
    connect(verticalScrollBar(), &QAbstractSlider::sliderReleased, this, &CTolGrid::updateScrollBars);
    connect(horizontalScrollBar(), &QAbstractSlider::sliderReleased, this, &CTolGrid::updateScrollBars);
    verticalScrollBar()->installEventFilter(this);
    horizontalScrollBar()->installEventFilter(this);

    m_columns.resize(1);
    m_columns[0].width = kDefaultHeadingWidth;
    fitRowNumbers();
    updateScrollBars();
}

CTolGrid::~CTolGrid() {
    // The editors die after us and may lose the focus on the way: they must not call back.
    m_editing = Editing::None;
    if (m_edit)
        m_edit->disconnect(this);
    if (m_drop)
        m_drop->disconnect(this);
}

// ---- columns -----------------------------------------------------------------------------------

void CTolGrid::setColumnCount(int n) {
    cancelEdit();
    n = std::max(0, n);
    m_columns = QVector<Column>(n + 1);
    m_headingWidth = kDefaultHeadingWidth;
    fitRowNumbers();
    for (int i = 1; i <= n; ++i) {
        m_columns[i].width = kDefaultColumnWidth;
        m_columns[i].title = QStringLiteral("Col. %1").arg(i);
    }
    m_curCol = std::clamp(m_curCol, m_curCol == 0 ? 0 : 1, lastColumn());
    m_firstCol = 1;
    m_clickedHeading = 0;
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::setColumn(int index, const QString& title, int width, bool readOnly, int alignment) {
    if (!validColumn(index))
        return;
    Column& c = m_columns[index];
    c.title = title;
    c.width = std::max(0, width);
    c.readOnly = readOnly;
    c.alignment = alignment;
    placeEditor();
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::setColumnAlignment(int index, int alignment) {
    if (!validColumn(index))
        return;
    m_columns[index].alignment = alignment;
    viewport()->update();
}

void CTolGrid::setColumnCheckBox(int index, bool checkBox) {
    if (!validColumn(index))
        return;
    m_columns[index].checkBox = checkBox;
    viewport()->update();
}

void CTolGrid::setColumnUpperCase(int index, bool upper) {
    if (validColumn(index))
        m_columns[index].upperCase = upper;
}

void CTolGrid::setColumnDropDown(int index, bool dropDown) {
    if (validColumn(index))
        m_columns[index].dropDown = dropDown;
}

void CTolGrid::setColumnReadOnly(int index, bool readOnly) {
    if (!validColumn(index))
        return;
    m_columns[index].readOnly = readOnly;
    viewport()->update();
}

void CTolGrid::setColumnWidth(int index, int width) {
    if (index < 0 || index >= columnCount())
        return;
    m_columns[index].width = std::max(0, width);
    if (index == 0) {
        m_headingWidth = m_columns[0].width;
        fitRowNumbers();
    }
    placeEditor();
    updateScrollBars();
    viewport()->update();
}

int CTolGrid::columnWidth(int index) const {
    return index >= 0 && index < columnCount() ? m_columns[index].width : 0;
}

QString CTolGrid::columnTitle(int index) const {
    return index >= 0 && index < columnCount() ? m_columns[index].title : QString();
}

// ---- rows ----------------------------------------------------------------------------------------

void CTolGrid::setRowCount(int n) {
    cancelEdit();
    m_rowCount = std::max(0, n) + 1;
    fitRowNumbers();
    m_curCol = 1;
    m_curRow = 1;
    m_firstRow = 1;
    m_selFirst = m_selLast = 0;
    clearAppendTexts();
    syncHighlight();
    updateScrollBars();
    postRowChanged(1);
    viewport()->update();
}

void CTolGrid::resizeRows(int n) {
    const int count = std::max(0, n) + 1;
    if (count == m_rowCount)
        return;
    m_rowCount = count;
    fitRowNumbers();
    const int last = lastNavigableRow();
    const bool moved = m_curRow > last;
    if (moved) {
        cancelEdit();
        m_curRow = last;
    }
    m_firstRow = std::clamp(m_firstRow, 1, std::max(1, m_rowCount));
    if (moved || std::max(m_selFirst, m_selLast) > last)
        m_selFirst = m_selLast = 0;
    syncHighlight();
    updateScrollBars();
    if (moved)
        postRowChanged(m_curRow);
    viewport()->update();
}

void CTolGrid::reset() {
    cancelEdit();
    m_columns = QVector<Column>(1);
    m_headingWidth = kDefaultHeadingWidth;
    m_rowCount = 1;
    fitRowNumbers();
    m_curCol = 1;
    m_curRow = 1;
    m_firstCol = 1;
    m_firstRow = 1;
    m_selFirst = m_selLast = 0;
    m_clickedHeading = 0;
    updateScrollBars();
    viewport()->update();
}

// ---- looks and options ---------------------------------------------------------------------------

void CTolGrid::setRowSelect(bool on) {
    cancelEdit();
    m_rowSelect = on;
    fitRowNumbers();
    if (on) {
        m_curRow = std::clamp(m_curRow, 1, lastNavigableRow());
        syncHighlight();
    } else {
        m_selFirst = m_selLast = 0;
    }
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::setRowNumbers(bool on) {
    m_rowNumbers = on;
    fitRowNumbers();
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::setOwnerRowHeadings(bool on) {
    m_ownerHeadings = on;
    fitRowNumbers();
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::fitRowNumbers() {
    // The heading column widens so the largest row number fits (row 100 of a 20-pixel column would
    // show "00"), and returns to the width it was given when the numbers shrink again.
    int width = m_headingWidth;
    if (m_rowNumbers && !m_ownerHeadings) {
        const int last = m_rowSelect ? std::max(1, m_rowCount - 1) : m_rowCount;
        width = std::max(width, QFontMetrics(m_cellFont).horizontalAdvance(QString::number(last)) + kRowNumberMargins);
    }
    if (m_columns[0].width == width)
        return;
    m_columns[0].width = width;
    placeEditor();
}

void CTolGrid::setReadOnly(bool on) {
    if (on)
        cancelEdit();
    m_readOnly = on;
}

void CTolGrid::setRowDeletion(bool allowed) { m_noDelete = !allowed; }

void CTolGrid::setNewRows(bool allowed) { m_noNewRows = !allowed; }

// ---- current cell, selection, append row ---------------------------------------------------------

void CTolGrid::setCurrentCell(int column, int row) { moveTo(column, row); }

int CTolGrid::selectionFirst() const { return std::min(m_selFirst, m_selLast); }

int CTolGrid::selectionLast() const { return std::max(m_selFirst, m_selLast); }

void CTolGrid::setSelection(int first, int last) {
    // Only data rows can be selected.
    const int top = m_rowCount - 1;
    first = std::clamp(first, 0, top);
    last = std::clamp(last, 0, top);
    if (first == 0 || last == 0)
        first = last = 0;
    m_selFirst = first;
    m_selLast = last;
    viewport()->update();
}

void CTolGrid::clearSelection() { setSelection(0, 0); }

QString CTolGrid::appendText(int column) const {
    return validColumn(column) ? m_columns[column].appendText : QString();
}

void CTolGrid::setAppendText(int column, const QString& text) {
    if (!validColumn(column))
        return;
    m_columns[column].appendText = text;
    viewport()->update();
}

void CTolGrid::clearAppendTexts() {
    for (Column& c : m_columns)
        c.appendText.clear();
    viewport()->update();
}
QString CTolGrid::cellText(int column, int row) const {
    if (!validColumn(column))
        return {};
    if (row == m_rowCount)
        return m_columns[column].appendText;
    if (!isDataRow(row) || !m_owner)
        return {};
    TolGridCell cell{row, column, {}};
    m_owner->tgmGetCellText(m_id, cell);
    return cell.text;
}

// ---- owner calls -------------------------------------------------------------------------------

void CTolGrid::postRowChanged(int row) {
    QMetaObject::invokeMethod(
        this,
        [this, row] {
            if (m_owner)
                m_owner->tgmRowChanged(m_id, row);
        },
        Qt::QueuedConnection);
}

void CTolGrid::postRowActivate(int row) {
    QMetaObject::invokeMethod(
        this,
        [this, row] {
            if (m_owner)
                m_owner->tgmRowActivate(m_id, row);
        },
        Qt::QueuedConnection);
}
