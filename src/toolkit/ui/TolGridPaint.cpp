#include "toolkit/ui/TolGrid.h"

#include "toolkit/ui/TolTextCache.h"

#include <QPainter>
#include <QVarLengthArray>

namespace {

// A one-pixel line across or down, both ends included, as drawLine() with a one-pixel pen draws
// it; filled as a rectangle, which costs a fraction of what the line rasterizer does for the
// grid's long lines.
void drawAxisLine(QPainter& p, int x1, int y1, int x2, int y2, const QColor& color) {
    p.fillRect(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))), color);
}

} // namespace

// ---- painting -----------------------------------------------------------------------------------

void CTolGrid::paintEvent(QPaintEvent*) {
    // Everything is drawn off-screen first, then copied in one piece.
    const qreal dpr = viewport()->devicePixelRatioF();
    const QSize size = viewport()->size() * dpr;
    if (m_buffer.size() != size) {
        m_buffer = QPixmap(size);
        m_buffer.setDevicePixelRatio(dpr);
    }
    {
        QPainter bp(&m_buffer);
        paintGrid(bp);
    }
    QPainter p(viewport());
    p.drawPixmap(0, 0, m_buffer);
}

void CTolGrid::paintHeading(QPainter& p, const QRect& r, const QString& text, int flags, bool current,
                            bool pressed, bool marked) const {
    const QPalette& pal = palette();
    QColor face = pal.color(QPalette::Button);
    if (marked)
        face = pal.color(QPalette::Highlight);
    else if (current)
        face = pal.color(QPalette::Highlight).lighter(175);
    p.fillRect(r, face);
    const QColor light = pal.color(QPalette::Light);
    const QColor dark = pal.color(QPalette::Dark);
    const QColor& topLeft = pressed ? dark : light;
    const QColor& bottomRight = pressed ? light : dark;
    drawAxisLine(p, r.left(), r.top(), r.right(), r.top(), topLeft);
    drawAxisLine(p, r.left(), r.top(), r.left(), r.bottom(), topLeft);
    drawAxisLine(p, r.left(), r.bottom(), r.right(), r.bottom(), bottomRight);
    drawAxisLine(p, r.right(), r.top(), r.right(), r.bottom(), bottomRight);
    if (text.isEmpty())
        return;
    p.setPen(pal.color(marked ? QPalette::HighlightedText : QPalette::ButtonText));
    const int shift = pressed ? 1 : 0;
    const QRect area = r.adjusted(2 + shift, shift, -2 + shift, shift);
    const int needed = p.fontMetrics().horizontalAdvance(text);
    if (needed <= area.width() || area.width() <= 0) {
        p.drawText(area, flags, text);
        return;
    }
    // A title wider than its column is drawn narrower to fit, rather than spilling over the
    // neighbours and being cut by the next heading ("Serie/Folio" reading "Serie/Folic").
    p.save();
    p.setClipRect(area);
    p.translate(area.left(), 0);
    p.scale(double(area.width()) / needed, 1.0);
    p.drawText(QRect(0, area.top(), needed, area.height()), flags, text);
    p.restore();
}

void CTolGrid::paintCheckBox(QPainter& p, const QRect& cell, bool checked) const {
    const QRect box(cell.left() + (cell.width() - 13) / 2, cell.top() + (cell.height() - 13) / 2, 13, 13);
    p.fillRect(box, Qt::white);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    if (!checked)
        return;
    p.setPen(QPen(palette().color(QPalette::Text), 2));
    const QPoint tick[] = {box.topLeft() + QPoint(3, 6), box.topLeft() + QPoint(5, 9), box.topLeft() + QPoint(10, 3)};
    p.drawPolyline(tick, 3);
}

void CTolGrid::paintGrid(QPainter& p) {
    const int width = viewport()->width();
    const int height = viewport()->height();
    const QPalette& pal = palette();
    p.fillRect(0, 0, width, height, pal.color(QPalette::Dark)); // the workspace around the grid

    // The columns painted: the heading column, then from the first visible one to the right edge.
    struct Painted {
        int column;
        int left;
        int width;
    };
    QVarLengthArray<Painted, 32> columns;
    for (Column& c : m_columns)
        c.right = 0;
    int x = 0;
    for (int c = 0; c < columnCount() && x < width; c = (c == 0 ? m_firstCol : c + 1)) {
        columns.append({c, x, m_columns[c].width});
        x += m_columns[c].width;
        m_columns[c].right = x;
    }
    const int gridRight = x;

    const int rowsShown = (height - HeadingHeight + RowHeight - 1) / RowHeight;
    const int lastRow = std::min(m_rowCount, m_firstRow + rowsShown - 1);

    // Heading row.
    p.setFont(m_headingFont);
    const int titleFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
    for (const Painted& pc : columns) {
        const QRect r(pc.left, 0, pc.width, HeadingHeight);
        const bool current = !m_rowSelect && pc.column >= 1 && pc.column == m_curCol;
        paintHeading(p, r.adjusted(0, 0, -1, -1), m_columns[pc.column].title, titleFlags, current,
                     pc.column >= 1 && pc.column == m_clickedHeading, false);
    }

    // Rows: heading cell, then the cells.
    const QColor base = pal.color(QPalette::Base);
    const QColor readOnlyBase = pal.color(QPalette::AlternateBase);
    const QColor highlight = pal.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
    const QColor highlightText = pal.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::HighlightedText);
    const QColor text = pal.color(QPalette::Text);
    const QColor line = pal.color(QPalette::Mid);
    const int selFirst = selectionFirst();
    const int selLast = selectionLast();
    const int headingWidth = m_columns[0].width;
    for (int row = m_firstRow; row <= lastRow; ++row) {
        const int top = HeadingHeight + (row - m_firstRow) * RowHeight;
        const bool appendRow = row == m_rowCount;
        const bool highlighted = m_rowSelect && isDataRow(row) && row == m_selFirst;

        QString heading;
        int headingFlags = Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine;
        if (m_ownerHeadings) {
            headingFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
            if (isDataRow(row) && m_owner)
                m_owner->tgmGetRowHeading(m_id, row, heading);
        } else if (m_rowNumbers && !(appendRow && m_rowSelect)) {
            heading = QString::number(row);
        }
        const bool marked = !m_rowSelect && selFirst != 0 && row >= selFirst && row <= selLast;
        const QRect headingRect(0, top, headingWidth, RowHeight);
        p.setFont(m_cellFont);
        paintHeading(p, headingRect.adjusted(0, 0, -1, -1), QString(), 0, row == m_curRow, false, marked);
        if (!heading.isEmpty()) {
            p.setPen(pal.color(marked ? QPalette::HighlightedText : QPalette::ButtonText));
            const QRect textRect = m_ownerHeadings ? QRect(5, top + 3, headingWidth - 6, RowHeight - 3)
                                                   : QRect(1, top + 3, headingWidth - 6, RowHeight - 3);
            CTolTextCache::drawText(p, textRect, headingFlags, heading);
        }

        for (qsizetype i = 1; i < columns.size(); ++i) {
            const Painted& pc = columns[i];
            const Column& column = m_columns[pc.column];
            const QRect cell(pc.left, top, pc.width - 1, RowHeight - 1);
            p.fillRect(cell, highlighted ? highlight : (column.readOnly && !m_rowSelect ? readOnlyBase : base));
            if (appendRow && m_rowSelect)
                continue;
            QString value;
            if (appendRow) {
                value = column.appendText;
            } else if (m_owner) {
                TolGridCell tc{row, pc.column, {}};
                m_owner->tgmGetCellText(m_id, tc);
                value = std::move(tc.text);
            }
            if (column.checkBox) {
                paintCheckBox(p, cell, !value.isEmpty());
            } else if (!value.isEmpty()) {
                p.setPen(highlighted ? highlightText : text);
                CTolTextCache::drawText(p, QRect(pc.left + 4, top + 3, pc.width - 8, RowHeight - 3),
                                        textFlags(column.alignment), value);
            }
        }
        drawAxisLine(p, headingWidth, top + RowHeight - 1, gridRight - 1, top + RowHeight - 1, line);
    }

    // Grid lines down each column's right edge to the bottom of the window.
    for (qsizetype i = 1; i < columns.size(); ++i) {
        const int right = columns[i].left + columns[i].width - 1;
        drawAxisLine(p, right, HeadingHeight, right, height - 1, line);
    }

    // The current cell, unless the editor covers it.
    if (!m_rowSelect && !isEditing() && m_curRow >= m_firstRow && m_curRow <= lastRow) {
        const QRect r = cellRect(m_curCol, m_curRow);
        if (!r.isEmpty() && r.width() > 2) {
            p.setPen(QPen(pal.color(hasFocus() ? QPalette::Active : QPalette::Inactive, QPalette::Highlight), 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(1, 1, -1, -1));
        }
    }
}

int CTolGrid::textFlags(int alignment) {
    switch (alignment) {
    case CTolGrid::AlignRight:
        return Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine;
    case CTolGrid::AlignCenter:
        return Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
    default:
        return Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    }
}
