#pragma once

#include "toolkit/ui/TolDialog.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

// Presses button `id` of `dlg` expecting a refusal: the message shown (closed with Escape), with
// the dialog still open ("(closed)" when it ended). The watch ends with the press, so a message
// that never comes cannot catch a later dialog.
inline QString refusal(CTolDialog* dlg, int id) {
    QString shown = QStringLiteral("(no message)");
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == dlg)
            return;
        watch.stop();
        auto* box = qobject_cast<CTolMessageDlg*>(modal);
        shown = box ? box->text() : QStringLiteral("(not a message box)");
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    watch.start();
    dlg->control<QPushButton>(id)->click();
    return dlg->isVisible() ? shown : QStringLiteral("(closed)");
}
