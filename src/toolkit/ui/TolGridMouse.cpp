#include "toolkit/ui/TolGrid.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

constexpr int kWheelNotch = 120;

} // namespace

// ---- mouse --------------------------------------------------------------------------------------

void CTolGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPoint pos = event->position().toPoint();
    event->accept();
    if (pos.y() < HeadingHeight) {
        const int border = borderAt(pos.x());
        if (border >= 0) {
            m_drag = Drag::Resize;
            m_resizeColumn = border;
            m_resizeStartX = pos.x();
            m_resizeStartWidth = m_columns[border].width;
            viewport()->setCursor(Qt::SplitHCursor);
            return;
        }
        const int column = columnAt(pos.x());
        if (column >= 1) {
            m_drag = Drag::Heading;
            m_clickedHeading = column;
            viewport()->update();
        }
        return;
    }

    const int row = rowAt(pos.y());
    const int column = columnAt(pos.x());
    if (row < 1 || column < 0)
        return;

    if (m_rowSelect) {
        if (isDataRow(row)) {
            const int oldRow = m_curRow;
            moveTo(column >= 1 ? column : m_curCol, row);
            if (oldRow == row)
                postRowChanged(row);
        }
        return;
    }

    if (column == 0) {
        // A row heading: no current cell; the row becomes the selection (or clears it).
        m_curCol = 0;
        m_curRow = 0;
        postRowChanged(0);
        if (isDataRow(row) && hasSelection() && row >= selectionFirst() && row <= selectionLast()) {
            clearSelection();
        } else if (isDataRow(row)) {
            m_selFirst = m_selLast = row;
            m_drag = Drag::Rows;
        } else {
            clearSelection();
        }
        updateScrollBars();
        viewport()->update();
        return;
    }

    m_selFirst = m_selLast = 0;
    m_curCol = column;
    m_curRow = row;
    ensureVisible(column, row);
    updateScrollBars();
    postRowChanged(row);
    if (m_columns[column].checkBox && isDataRow(row) && !m_readOnly && !m_columns[column].readOnly)
        toggleCheck(column, row);
    viewport()->update();
}

void CTolGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    switch (m_drag) {
    case Drag::Resize:
        setColumnWidth(m_resizeColumn, std::max(MinColumnWidth, m_resizeStartWidth + pos.x() - m_resizeStartX));
        return;
    case Drag::Rows: {
        int row = rowAt(pos.y());
        if (row < 0) // below the rows: the last data row
            row = m_rowCount - 1;
        row = std::clamp(row, 1, std::max(1, m_rowCount - 1));
        if (row != m_selLast) {
            m_selLast = row;
            viewport()->update();
        }
        return;
    }
    case Drag::Heading:
        return;
    case Drag::None:
        break;
    }
    if (pos.y() < HeadingHeight && borderAt(pos.x()) >= 0)
        viewport()->setCursor(Qt::SplitHCursor);
    else
        viewport()->unsetCursor();
}

void CTolGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const Drag drag = m_drag;
    m_drag = Drag::None;
    if (drag == Drag::Resize) {
        viewport()->unsetCursor();
    } else if (drag == Drag::Heading && m_clickedHeading >= 1) {
        const int column = m_clickedHeading;
        m_clickedHeading = 0;
        viewport()->update();
        if (m_owner)
            m_owner->tgmHeaderClick(m_id, column);
    }
}

void CTolGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (m_rowSelect && event->button() == Qt::LeftButton && pos.y() >= HeadingHeight) {
        const int row = rowAt(pos.y());
        if (!isDataRow(row) || columnAt(pos.x()) < 0) {
            event->accept();
            return;
        }
        mousePressEvent(event); // highlights the row under the mouse, as the first press did
        if (isDataRow(m_selFirst))
            postRowActivate(m_selFirst);
        return;
    }
    // Otherwise a second press like the first (a check box toggles twice, a heading clicks twice).
    mousePressEvent(event);
}

void CTolGrid::wheelEvent(QWheelEvent* event) {
    // One row per notch; smooth-scrolling devices send parts of a notch, kept until they add up.
    m_wheelRest += event->angleDelta().y();
    const int rows = m_wheelRest / kWheelNotch;
    m_wheelRest -= rows * kWheelNotch;
    if (rows != 0)
        setFirstRow(m_firstRow - rows);
    event->accept();
}

bool CTolGrid::eventFilter(QObject* watched, QEvent* event) {
    // The wheel over a scroll bar scrolls rows, as over the cells.
    if (event->type() == QEvent::Wheel && (watched == verticalScrollBar() || watched == horizontalScrollBar())) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}
