#pragma once

#include <QLabel>

// A label with the toolkit's attributes (background and text colour, bold), for labels that carry
// an id and change at run time, such as the "CANCELADA" mark. Plain labels need not be of this
// class: their dialog paints them in the toolkit's colours.
class CTolLabel final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTolLabel)
public:
    explicit CTolLabel(const QString& text = QString(), QWidget* parent = nullptr);

    // An invalid colour makes the background transparent again.
    void setBackColor(const QColor& color);
    void setTextColor(const QColor& color);
    void setBold(bool on);
    bool isBold() const { return font().bold(); }
};
