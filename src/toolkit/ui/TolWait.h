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

    CTolWait(QWidget* parent, QString title, QString label, int delayMs = kDefaultDelayMs);
    ~CTolWait();
    CTolWait(const CTolWait&) = delete;
    CTolWait& operator=(const CTolWait&) = delete;

    std::function<bool(std::int64_t done, std::int64_t total)> progress();
    std::function<bool()> keepGoing();
    bool cancelled() const { return m_cancelled; }
    // The cursor and the window go before a message is shown.
    void finish();

private:
    bool step(std::int64_t done, std::int64_t total);

    QWidget* m_parent;
    QString m_title;
    QString m_label;
    int m_delayMs;
    QElapsedTimer m_clock;
    qint64 m_lastEvents = 0;
    bool m_cursor = false;
    bool m_cancelled = false;
    std::unique_ptr<QProgressDialog> m_dialog;
};
