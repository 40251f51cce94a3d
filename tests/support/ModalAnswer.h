#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

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
