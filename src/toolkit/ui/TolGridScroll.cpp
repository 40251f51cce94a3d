#include "toolkit/ui/TolGrid.h"

#include "toolkit/ui/DropCell.h"
#include "toolkit/ui/EditCell.h"

#include <QScrollBar>

// ---- geometry -----------------------------------------------------------------------------------

int CTolGrid::visibleRows() const { return std::max(0, (viewport()->height() - HeadingHeight) / RowHeight); }

int CTolGrid::visibleColumns() const {
    const int width = viewport()->width();
    int x = m_columns[0].width;
    int n = 0;
    for (int c = m_firstCol; c < columnCount() && x + m_columns[c].width <= width; ++c, ++n)
        x += m_columns[c].width;
    return n;
}

int CTolGrid::columnLeft(int column) const {
    if (column == 0)
        return 0;
    if (column < m_firstCol || column >= columnCount())
        return -1;
    int x = m_columns[0].width;
    for (int c = m_firstCol; c < column; ++c)
        x += m_columns[c].width;
    return x;
}

QRect CTolGrid::cellRect(int column, int row) const {
    const int left = columnLeft(column);
    if (left < 0)
        return {};
    const int width = m_columns[column].width - 1; // inside the grid line on the right
    if (row == 0)
        return QRect(left, 0, width, HeadingHeight - 1);
    return QRect(left, HeadingHeight + (row - m_firstRow) * RowHeight, width, RowHeight - 1);
}

int CTolGrid::columnAt(int x) const {
    if (x < 0)
        return -1;
    int left = m_columns[0].width;
    if (x < left)
        return 0;
    for (int c = m_firstCol; c < columnCount(); ++c) {
        left += m_columns[c].width;
        if (x < left)
            return c;
    }
    return -1;
}

int CTolGrid::rowAt(int y) const {
    if (y < 0)
        return -1;
    if (y < HeadingHeight)
        return 0;
    const int row = m_firstRow + (y - HeadingHeight) / RowHeight;
    return row <= m_rowCount ? row : -1;
}

int CTolGrid::borderAt(int x) const {
    // The border is the grid line, the last pixel of the column; the nearest one within the grip.
    const int width = viewport()->width();
    int best = -1;
    int bestDistance = ResizeGrip + 1;
    int right = m_columns[0].width;
    auto consider = [&](int column) {
        const int distance = std::abs(x - (right - 1));
        if (distance < bestDistance || (distance == bestDistance && best >= 0)) {
            best = column;
            bestDistance = distance;
        }
    };
    consider(0);
    for (int c = m_firstCol; c < columnCount() && right < width; ++c) {
        right += m_columns[c].width;
        consider(c);
    }
    return bestDistance <= ResizeGrip ? best : -1;
}

// ---- moving and scrolling ----------------------------------------------------------------------

void CTolGrid::moveTo(int column, int row) {
    column = std::clamp(column, 1, lastColumn());
    row = std::clamp(row, 1, lastNavigableRow());
    const bool rowChanged = row != m_curRow;
    m_curCol = column;
    m_curRow = row;
    syncHighlight();
    ensureVisible(column, row);
    updateScrollBars();
    if (rowChanged)
        postRowChanged(row);
    viewport()->update();
}

void CTolGrid::ensureVisible(int column, int row) {
    if (row >= 1) {
        const int page = std::max(1, visibleRows());
        if (row < m_firstRow)
            m_firstRow = row;
        else if (row >= m_firstRow + page)
            m_firstRow = row - page + 1;
    }
    if (validColumn(column)) {
        if (column < m_firstCol) {
            m_firstCol = column;
        } else {
            const int width = viewport()->width();
            while (m_firstCol < column && columnLeft(column) + m_columns[column].width > width)
                ++m_firstCol;
        }
    }
    placeEditor();
    viewport()->update();
}

void CTolGrid::setFirstRow(int row) {
    row = std::clamp(row, 1, std::max(1, m_rowCount));
    if (row == m_firstRow)
        return;
    m_firstRow = row;
    placeEditor();
    viewport()->update();
}

void CTolGrid::setFirstColumn(int column) {
    column = std::clamp(column, 1, lastColumn());
    if (column == m_firstCol)
        return;
    m_firstCol = column;
    placeEditor();
    updateScrollBars();
    viewport()->update();
}

void CTolGrid::syncHighlight() {
    if (!m_rowSelect)
        return;
    m_selFirst = m_selLast = isDataRow(m_curRow) ? m_curRow : 0;
}

void CTolGrid::updateScrollBars() {
    // Ranges 1 .. row count and 1 .. last column; the thumbs show the current cell. Scrolling moves
    // the first visible row or column (onVerticalAction), not the current cell.
    QScrollBar* v = verticalScrollBar();
    v->setRange(1, std::max(1, m_rowCount));
    v->setPageStep(std::max(1, visibleRows()));
    v->setSingleStep(1);
    if (!v->isSliderDown())
        v->setValue(std::max(1, m_rowSelect && m_selFirst ? m_selFirst : m_curRow));
    QScrollBar* h = horizontalScrollBar();
    h->setRange(1, std::max(1, columnCount() - 1));
    h->setPageStep(std::max(1, visibleColumns()));
    h->setSingleStep(1);
    if (!h->isSliderDown())
        h->setValue(std::max(1, m_curCol));
}

void CTolGrid::onVerticalAction(int action) {
    QScrollBar* bar = verticalScrollBar();
    const int page = std::max(1, visibleRows());
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: setFirstRow(m_firstRow + 1); break;
    case QAbstractSlider::SliderSingleStepSub: setFirstRow(m_firstRow - 1); break;
    case QAbstractSlider::SliderPageStepAdd: setFirstRow(m_firstRow + page); break;
    case QAbstractSlider::SliderPageStepSub: setFirstRow(m_firstRow - page); break;
    case QAbstractSlider::SliderToMinimum: setFirstRow(1); break;
    case QAbstractSlider::SliderToMaximum: setFirstRow(m_rowCount); break;
    case QAbstractSlider::SliderMove:
        // Dragging: the thumb follows the mouse and sets the first visible row.
        setFirstRow(bar->sliderPosition());
        return;
    default:
        return;
    }
    bar->setSliderPosition(std::max(1, m_rowSelect && m_selFirst ? m_selFirst : m_curRow));
}

void CTolGrid::onHorizontalAction(int action) {
    QScrollBar* bar = horizontalScrollBar();
    const int page = std::max(1, visibleColumns());
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: setFirstColumn(m_firstCol + 1); break;
    case QAbstractSlider::SliderSingleStepSub: setFirstColumn(m_firstCol - 1); break;
    case QAbstractSlider::SliderPageStepAdd: setFirstColumn(m_firstCol + page); break;
    case QAbstractSlider::SliderPageStepSub: setFirstColumn(m_firstCol - page); break;
    case QAbstractSlider::SliderToMinimum: setFirstColumn(1); break;
    case QAbstractSlider::SliderToMaximum: setFirstColumn(lastColumn()); break;
    case QAbstractSlider::SliderMove:
        setFirstColumn(bar->sliderPosition());
        return;
    default:
        return;
    }
    bar->setSliderPosition(std::max(1, m_curCol));
}

void CTolGrid::scrollContentsBy(int, int) {
    // The bars' values show the current cell; scrolling is done in onVerticalAction.
}

void CTolGrid::placeEditor() {
    if (!isEditing())
        return;
    QRect r = cellRect(m_editCol, m_editRow);
    if (r.isEmpty()) // its column scrolled away to the left: keep editing out of sight
        r = QRect(-10000, -10000, 10, 10);
    if (m_editing == Editing::Text)
        editCell()->setGeometry(r);
    else
        dropCell()->setGeometry(r);
}

void CTolGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    placeEditor();
    updateScrollBars();
}
