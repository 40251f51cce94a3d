#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>
#include <QtTest>

// With CFDI_DIALOG_PNG=prefix set, saves a picture of `w` as prefix + name + ".png", so the
// dialogs a test drives can be looked at.
inline void shot(QWidget& w, const char* name) {
    const QByteArray prefix = qgetenv("CFDI_DIALOG_PNG");
    if (prefix.isEmpty())
        return;
    w.show();
    (void)QTest::qWaitForWindowExposed(&w);
    w.grab().save(QString::fromLocal8Bit(prefix) + QLatin1String(name) + QStringLiteral(".png"));
}
