#pragma once

#include "toolkit/ui/TolDialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>

inline QString controlName(const QWidget* w) {
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

// Faults of a dialog laid out by hand, as the operator would see them: a control outside the
// client area or under the caption, two controls overlapping, a label or button whose text does
// not fit, a field under its group's title. Empty when the dialog looks right.
inline QStringList layoutFaults(const CTolDialog& dialog) {
    QStringList faults;
    const QRect client = dialog.clientRect();
    const auto children = dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    QList<QWidget*> controls;
    QList<QGroupBox*> groups;
    for (QWidget* w : children) {
        if (w->isHidden() || w->isWindow())
            continue;
        const QString name = controlName(w);
        if (!client.contains(w->geometry()))
            faults << QStringLiteral("%1 lies outside the client area").arg(name);
        if (auto* group = qobject_cast<QGroupBox*>(w)) {
            groups << group;
            if (w->fontMetrics().horizontalAdvance(group->title()) + 24 > w->width())
                faults << QStringLiteral("group title \"%1\" is clipped").arg(group->title());
            continue;
        }
        controls << w;
        QString text;
        int room = w->width();
        if (auto* label = qobject_cast<QLabel*>(w))
            text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
            room -= 8; // the button's bevel and margins
        }
        if (!text.isEmpty() && w->fontMetrics().horizontalAdvance(text) > room)
            faults << QStringLiteral("text \"%1\" is clipped").arg(text);
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w)) {
            if (w->height() < w->fontMetrics().height() + 4)
                faults << QStringLiteral("%1 is too low for its text").arg(name);
        }
    }
    for (int i = 0; i < controls.size(); ++i)
        for (int j = i + 1; j < controls.size(); ++j)
            if (controls[i]->geometry().intersects(controls[j]->geometry()))
                faults << QStringLiteral("%1 overlaps %2").arg(controlName(controls[i]), controlName(controls[j]));
    // A control that starts inside a group sits wholly inside it, below its title.
    for (QGroupBox* group : groups) {
        const QRect inner = group->geometry().adjusted(2, group->fontMetrics().height(), -2, -2);
        for (QWidget* w : controls) {
            if (!group->geometry().contains(w->geometry().topLeft()))
                continue;
            if (!inner.contains(w->geometry()))
                faults << QStringLiteral("%1 is not clear of group \"%2\"'s title and border")
                              .arg(controlName(w), group->title());
        }
    }
    return faults;
}

// Saves the dialog's face as `name`.png in $QUINTALEVA_SHOT_DIR, when that is set, for a look.
inline void saveShot(QWidget& dialog, const QString& name) {
    const QString dir = qEnvironmentVariable("QUINTALEVA_SHOT_DIR");
    if (!dir.isEmpty())
        dialog.grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}
