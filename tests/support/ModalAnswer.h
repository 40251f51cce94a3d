#pragma once

#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Runs `answer` on the next modal dialog that opens, polling until one does: modal dialogs block
// in exec(), so the test schedules its interaction before the call that opens one. The returned
// watcher deletes itself once it has answered; delete it to stop waiting.
inline QPointer<QTimer> answerNextModal(std::function<void(QWidget*)> answer, QWidget* notThis = nullptr) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, notThis] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == notThis)
            return;
        timer->stop();
        timer->deleteLater();
        answer(modal);
    });
    timer->start();
    return timer;
}

// Answers the next message box with "OK"/"Si" (or "No") and keeps its text.
inline std::shared_ptr<QString> answerMessage(bool yes = true, QWidget* notThis = nullptr) {
    auto text = std::make_shared<QString>(QStringLiteral("<no message>"));
    answerNextModal(
        [text, yes](QWidget* w) {
            auto* box = qobject_cast<CTolMessageDlg*>(w);
            *text = box ? box->text() : QStringLiteral("<not a message box: %1>").arg(w->metaObject()->className());
            if (box)
                box->done(yes ? 1 : 2);
        },
        notThis);
    return text;
}
