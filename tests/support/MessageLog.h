#pragma once

#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

// Answers every message box with `answer` while it lives, keeping the texts in the order shown.
struct MessageLog {
    QTimer timer;
    QStringList texts;
    int answer = 1;
    MessageLog() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<CTolMessageDlg*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->done(answer);
            }
        });
        timer.start(10);
    }
};
