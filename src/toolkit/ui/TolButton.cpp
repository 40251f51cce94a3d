#include "toolkit/ui/TolButton.h"

#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolPopupDlg.h"

CTolButton::CTolButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    connect(this, &QPushButton::clicked, this, [this] {
        if (isMenuButton())
            openList();
    });
}

void CTolButton::setBackColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Button, color);
    setPalette(pal);
}

void CTolButton::setTextColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::ButtonText, color);
    setPalette(pal);
}

void CTolButton::setBold(bool on) {
    QFont f = font();
    f.setBold(on);
    setFont(f);
}

void CTolButton::setPicture(const CTolPicture& picture) {
    m_picture = picture;
    if (picture.isNull()) {
        setIcon(QIcon());
        return;
    }
    setIcon(QIcon(picture.pixmap()));
    setIconSize(picture.size());
}

void CTolButton::setMenu(const QList<TolMenuItem>& items, CTolDialog* owner) {
    m_items = items;
    m_owner = owner;
}

void CTolButton::openList() {
    setFocus(Qt::MouseFocusReason);
    QStringList texts;
    for (const TolMenuItem& item : std::as_const(m_items))
        texts << item.text;
    // The list is modal; the items may change or the button go while it is up.
    const QList<TolMenuItem> items = m_items;
    QPointer<CTolDialog> owner = m_owner;
    const int index = CTolPopupDlg::choose(texts, QRect(mapToGlobal(QPoint(0, 0)), size()), this);
    if (index >= 0 && index < items.size() && owner)
        owner->postCommand(items.at(index).id);
}
