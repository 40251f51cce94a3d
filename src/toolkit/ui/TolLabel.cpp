#include "toolkit/ui/TolLabel.h"

#include "toolkit/ui/TolColors.h"

CTolLabel::CTolLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextColor(TolColors::labelText());
}

void CTolLabel::setBackColor(const QColor& color) {
    QPalette pal = palette();
    if (color.isValid())
        pal.setColor(QPalette::Window, color);
    setPalette(pal);
    setAutoFillBackground(color.isValid());
}

void CTolLabel::setTextColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

void CTolLabel::setBold(bool on) {
    QFont f = font();
    f.setBold(on);
    setFont(f);
}
