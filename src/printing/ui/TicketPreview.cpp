#include "printing/ui/TicketPreview.h"

#include "printing/FormatData.h"
#include "printing/Windows1252.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {
const QChar kUnprintable = QChar(0xFFFD);
}

CTicketPreview::CTicketPreview(QWidget* parent) : QWidget(parent) {
    setObjectName(QString::number(kId));
    QFont face(QStringLiteral("Courier New"));
    face.setStyleHint(QFont::TypeWriter);
    face.setFixedPitch(true);
    face.setPixelSize(kFontHeight);
    face.setWeight(QFont::Normal);
    setFont(face);
    m_rowHeight = std::max(1, QFontMetrics(face).lineSpacing());
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    layoutRows();
}

QStringList CTicketPreview::PrintedLines(const QString& text, int columns) {
    // Each character as the printer gets it; one that becomes "?" is kept apart from a real "?"
    // so that painting can mark it.
    QString printed;
    for (const uint c : text.toUcs4()) {
        const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        printed += Windows1252::Unprintable(one.toStdString()).empty() ? one : QString(kUnprintable);
    }
    QStringList lines;
    const int width = std::max(columns, 1);
    for (int i = 0; i < printed.size(); i += width)
        lines << printed.mid(i, width);
    if (lines.isEmpty())
        lines << QString();
    return lines;
}

void CTicketPreview::layoutRows() {
    m_firstLine.assign(1, 0);
    for (const CRenglonTicket& row : m_rows)
        m_firstLine.push_back(m_firstLine.back() +
                              int(PrintedLines(QString::fromStdString(row.Text), m_columns).size()));
}

int CTicketPreview::lineCount(int index) const {
    if (index < 0 || index >= int(m_rows.size()))
        return 0;
    return m_firstLine[std::size_t(index) + 1] - m_firstLine[std::size_t(index)];
}

int CTicketPreview::firstLine(int index) const {
    return m_firstLine[std::size_t(std::clamp(index, 0, int(m_rows.size())))];
}

QSize CTicketPreview::sizeHint() const {
    const QFontMetrics fm(font());
    return {2 * kMargin + fm.horizontalAdvance(QString(m_columns, QLatin1Char('M'))),
            2 * kMargin + m_rowHeight * m_firstLine.back()};
}

void CTicketPreview::rowsChanged() {
    layoutRows();
    setMinimumHeight(sizeHint().height());
    setMinimumWidth(sizeHint().width());
    update();
}

void CTicketPreview::setColumns(int columns) {
    m_columns = std::max(columns, 1);
    rowsChanged();
}

void CTicketPreview::setSelection(int index) {
    m_selection = index;
    update();
}

CRenglonTicket* CTicketPreview::selectedRow() {
    if (m_selection < 0 || m_selection >= int(m_rows.size()))
        return nullptr;
    return &m_rows[std::size_t(m_selection)];
}

int CTicketPreview::rowAt(int y) const {
    if (y < kMargin)
        return (y - kMargin) / m_rowHeight;
    const int line = (y - kMargin) / m_rowHeight;
    // Past the last printed line: the rows that would follow, one line each.
    if (line >= m_firstLine.back())
        return int(m_rows.size()) + line - m_firstLine.back();
    return int(std::upper_bound(m_firstLine.begin(), m_firstLine.end(), line) - m_firstLine.begin()) - 1;
}

void CTicketPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setFont(font());
    const QFontMetrics fm(font());
    const int charWidth = fm.horizontalAdvance(QLatin1Char('M'));
    // The paper's right edge.
    p.setPen(QColor(0xD0, 0xD0, 0xD0));
    const int edge = kMargin + charWidth * m_columns;
    p.drawLine(edge, 0, edge, height());
    for (int i = 0; i < int(m_rows.size()); ++i) {
        const QStringList lines = PrintedLines(QString::fromStdString(m_rows[std::size_t(i)].Text), m_columns);
        const int top = kMargin + firstLine(i) * m_rowHeight;
        const bool selected = i == m_selection;
        if (selected)
            p.fillRect(QRect(0, top, width(), m_rowHeight * int(lines.size())), QColor(0xC0, 0xC0, 0xC0));
        for (int k = 0; k < int(lines.size()); ++k) {
            const int y = top + k * m_rowHeight;
            if (k > 0) {
                p.setPen(QColor(0x00, 0x60, 0xC0));
                p.drawText(QRect(0, y, kMargin, m_rowHeight), Qt::AlignCenter, QString::fromUtf16(kWrapMark));
            }
            const QString& line = lines[k];
            for (int c = 0; c < int(line.size()); ++c)
                if (line[c] == kUnprintable)
                    p.fillRect(QRect(kMargin + c * charWidth, y, charWidth, m_rowHeight), QColor(0xFF, 0xE0, 0x40));
            p.setPen(selected ? QColor(0xFF, 0, 0) : QColor(Qt::black));
            QString shown = line;
            shown.replace(kUnprintable, QLatin1Char('?'));
            p.drawText(kMargin, y + fm.ascent(), shown);
        }
    }
}

void CTicketPreview::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        setSelection(rowAt(int(event->position().y())));
}

void CTicketPreview::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    setSelection(rowAt(int(event->position().y())));
    if (selectedRow())
        Q_EMIT editRequested();
}
