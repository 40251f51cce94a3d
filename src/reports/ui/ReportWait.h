#pragma once

#include "reports/ReportProgress.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

// The wait of a long report: the wait cursor at once, and once the work has taken longer than
// `delayMs`, a window-modal progress window with "Cancelar" that stays painted while the builder
// runs. Hand progress() to the builder; it returns false once the operator cancelled.
class CReportWait final {
public:
    static constexpr int kDefaultDelayMs = 1000;

    CReportWait(QWidget* parent, QString label, int delayMs = kDefaultDelayMs);
    ~CReportWait();
    CReportWait(const CReportWait&) = delete;
    CReportWait& operator=(const CReportWait&) = delete;

    ReportProgress progress();
    bool cancelled() const { return m_cancelled; }
    // The cursor and the window go before a message is shown.
    void finish();

private:
    bool step(std::int64_t done, std::int64_t total);

    QWidget* m_parent;
    QString m_label;
    int m_delayMs;
    QElapsedTimer m_clock;
    qint64 m_lastEvents = 0;
    bool m_cursor = false;
    bool m_cancelled = false;
    std::unique_ptr<QProgressDialog> m_dialog;
};
