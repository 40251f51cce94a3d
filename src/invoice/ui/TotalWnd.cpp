#include "invoice/ui/TotalWnd.h"

#include "invoice/Lineas.h"
#include "invoice/MoneyText.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

const QColor kGreen(0, 255, 0);
constexpr int kRightMargin = 10;
constexpr int kLineStep = 14;

QString padded(const char* label, double amount) {
    return QString::fromUtf8(label) +
           QString::fromStdString(PadMoney(FormatMoney(amount), CTotalWnd::kBreakdownMoneyWidth));
}

} // namespace

CTotalWnd::CTotalWnd(QWidget* parent) : QWidget(parent) {
    m_bigFont = QFont(QStringLiteral("Arial"));
    m_bigFont.setStyleHint(QFont::SansSerif);
    m_bigFont.setPixelSize(48);
    m_bigFont.setWeight(QFont::ExtraBold);
    m_smallFont = QFont(QStringLiteral("Courier New"));
    m_smallFont.setStyleHint(QFont::TypeWriter);
    m_smallFont.setPixelSize(16);
    m_smallFont.setWeight(QFont::Normal);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize CTotalWnd::sizeHint() const { return {230, 114}; }

void CTotalWnd::Recompute(const CLineas& lines) {
    m_totals = lines.Totals(m_rounding);
    update();
}

void CTotalWnd::Clear() {
    m_totals = DocumentTotals();
    update();
}

QStringList CTotalWnd::BreakdownLines() const {
    return {
        padded("Importe:", m_totals.Importe),
        padded("Descuento:", m_totals.Descuento),
        padded("Subtotal:", m_totals.Subtotal),
        padded("Impuesto:", m_totals.Impuesto1),
        padded("Imp. Extra:", m_totals.Impuesto2),
        padded("Retención 1:", m_totals.Retencion1),
        padded("Retención 2:", m_totals.Retencion2),
        padded("Total:", m_totals.Total),
    };
}

QString CTotalWnd::LargeTotalText() const { return QString::fromStdString(FormatMoney(m_totals.Total)); }

void CTotalWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setPen(kGreen);
    painter.setBackgroundMode(Qt::TransparentMode);
    const int right = width() - kRightMargin;
    const int flags = Qt::AlignRight | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine;
    if (m_detailed) {
        painter.setFont(m_smallFont);
        const QStringList lines = BreakdownLines();
        for (int i = 0; i < lines.size(); ++i)
            painter.drawText(QRect(0, i * kLineStep, right, kLineStep), flags, lines[i]);
        return;
    }
    painter.setFont(m_smallFont);
    painter.drawText(QRect(20, 10, std::max(right - 20, 1), kLineStep),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine, QStringLiteral("Total:"));
    painter.setFont(m_bigFont);
    painter.drawText(QRect(0, 30, right, 48), flags, LargeTotalText());
}

void CTotalWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_detailed = !m_detailed;
    update();
}
