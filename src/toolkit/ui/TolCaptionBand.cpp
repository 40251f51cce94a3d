#include "toolkit/ui/TolCaptionBand.h"

#include "toolkit/ui/TolColors.h"

#include <QPainter>

CTolCaptionBand::CTolCaptionBand(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void CTolCaptionBand::setText(const QString& text) {
    m_text = text;
    update();
}

void CTolCaptionBand::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), TolColors::bandBack());
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(TolColors::bandText());
    const QString shown = QFontMetrics(bold).elidedText(m_text, Qt::ElideRight, width() - 4);
    p.drawText(rect().adjusted(2, 0, -2, 0), Qt::AlignCenter | Qt::TextSingleLine, shown);
}
