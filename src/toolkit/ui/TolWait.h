#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

// The wait of long work: the wait cursor at once, and once the work has taken longer than
// `delayMs`, a window-modal progress window titled `title` with "Cancelar" that stays painted while
// the work runs. Hand progress() (or keepGoing(), for work that cannot count its steps) to the work;
// it returns false once the operator cancelled.
class CTolWait final {
public:
    static constexpr int kDefaultDelayMs = 1000;
    using Progress = std::function<bool(std::int64_t done, std::int64_t total)>;

    struct Options {
        int delayMs = kDefaultDelayMs;
        // Work that must end whole (one transaction, or steps that each finish) offers no
        // "Cancelar": the wait cursor then stays and the operator's input waits until it ends.
        bool cancel = true;
        // Keeps the window from jumping as a changing label grows.
        int minimumWidth = 0;
    };

    CTolWait(QWidget* parent, QString title, QString label, int delayMs = kDefaultDelayMs);
    CTolWait(QWidget* parent, QString title, QString label, Options options);
    ~CTolWait();
    CTolWait(const CTolWait&) = delete;
    CTolWait& operator=(const CTolWait&) = delete;

    Progress progress();
    std::function<bool()> keepGoing();
    bool cancelled() const { return m_cancelled; }
    // What the window says from now on, e.g. the step the work has reached.
    void setLabel(const QString& label);
    // The cursor and the window go before a message is shown.
    void finish();

private:
    bool step(std::int64_t done, std::int64_t total);
    void show();

    QWidget* m_parent;
    QString m_title;
    QString m_label;
    Options m_options;
    QElapsedTimer m_clock;
    qint64 m_lastEvents = 0;
    bool m_cursor = false;
    bool m_cancelled = false;
    std::unique_ptr<QProgressDialog> m_dialog;
};
