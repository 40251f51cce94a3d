#pragma once

#include "toolkit/ui/TolMenuItem.h"
#include "toolkit/ui/TolPicture.h"

#include <QList>
#include <QPointer>
#include <QPushButton>

class CTolDialog;

// The toolkit's push button: a picture drawn with one colour transparent, the toolkit attributes
// (background and text colour, bold) and, as a menu button, a list of choices. A click on a menu
// button shows the list in a CTolPopupDlg under the button; choosing an item posts its command id
// to the owner, dismissing the list posts nothing. The tooltip is QWidget::setToolTip.
class CTolButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTolButton)
public:
    explicit CTolButton(const QString& text = QString(), QWidget* parent = nullptr);

    void setBackColor(const QColor& color);
    void setTextColor(const QColor& color);
    void setBold(bool on);
    bool isBold() const { return font().bold(); }

    // The picture, drawn at its own size beside the text; a null picture removes it.
    void setPicture(const CTolPicture& picture);
    void setPicture(const QImage& image, const QColor& transparent) { setPicture(CTolPicture(image, transparent)); }
    const CTolPicture& picture() const { return m_picture; }

    // Makes this a menu button with `items`, whose commands go to `owner`. An empty list makes it a
    // plain button again. (This is not QPushButton::setMenu, which takes a QMenu.)
    void setMenu(const QList<TolMenuItem>& items, CTolDialog* owner);
    const QList<TolMenuItem>& menuItems() const { return m_items; }
    bool isMenuButton() const { return !m_items.isEmpty(); }

private:
    void openList();

    CTolPicture m_picture;
    QList<TolMenuItem> m_items;
    QPointer<CTolDialog> m_owner;
};
