#include "printing/ui/TicketPreview.h"

#include "printing/FormatData.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

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
}

QSize CTicketPreview::sizeHint() const {
    const QFontMetrics fm(font());
    return {2 * kMargin + fm.horizontalAdvance(QString(FormatData::kTicketColumns, QLatin1Char('M'))),
            2 * kMargin + m_rowHeight * int(m_rows.size())};
}

void CTicketPreview::rowsChanged() {
    setMinimumHeight(sizeHint().height());
    update();
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

int CTicketPreview::rowAt(int y) const { return (y - kMargin) / m_rowHeight; }

void CTicketPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setFont(font());
    const QFontMetrics fm(font());
    for (int i = 0; i < int(m_rows.size()); ++i) {
        const int top = kMargin + i * m_rowHeight;
        const bool selected = i == m_selection;
        if (selected)
            p.fillRect(QRect(0, top, width(), m_rowHeight), QColor(0xC0, 0xC0, 0xC0));
        p.setPen(selected ? QColor(0xFF, 0, 0) : QColor(Qt::black));
        p.drawText(kMargin, top + fm.ascent(), QString::fromStdString(m_rows[std::size_t(i)].Text));
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
