#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QTimer>

#include <thread>

class QWidget;

// The first start of each day backs the database file up into the backup folder of the settings
// (CarpetaRespaldos; the documents folder's Quintaleva/Respaldos by default), keeping the last
// CDatabaseBackup::kDefaultKeep. It runs on a thread and a connection of its own, so the operator
// works meanwhile; the day is remembered (UltimoRespaldo) only once a backup succeeded. A program
// left open past midnight takes the new day's backup as well: a timer looks every few minutes, and
// the close takes it when the timer did not.
class CDailyBackup final : public QObject {
    Q_OBJECT
public:
    explicit CDailyBackup(QObject* parent = nullptr);
    // Waits for a backup under way: the file must not be left to a thread that outlives us.
    ~CDailyBackup() override;
    Q_DISABLE_COPY_MOVE(CDailyBackup)

    static QString defaultFolder();
    // The folder of the settings, or the default when none is set.
    static QString folder();

    // Starts backing up the database file at `location` unless today's backup was taken or one is
    // under way; a server's database is backed up by its own means (quintaleva-cli respaldar).
    // True when it started.
    bool startIfDue(const QString& location, const QDate& today = QDate::currentDate());

    static constexpr int kCheckMs = 5 * 60 * 1000;
    // From now on, while the program runs: the backup of each new day since `started`, once.
    void watchWhileOpen(const QString& location, const QDate& started = QDate::currentDate(), int intervalMs = kCheckMs);
    // The backup of a day after `started`, unless it was taken or tried in this run. True when it started.
    bool startIfDayChanged(const QString& location, const QDate& started, const QDate& today = QDate::currentDate());
    // At the window's close: the watch ends, the day's backup is taken when the date changed since
    // the start, and a backup under way is waited for with a note over `parent`, so none is lost.
    void finishAtClose(QWidget* parent, const QDate& today = QDate::currentDate());
    bool running() const { return m_running; }

Q_SIGNALS:
    // On the window's thread once the backup ended: empty on success, else the operator's message
    // with where and why.
    void finished(const QString& error);

private:
    void start(const QString& location, const QDate& day);
    void done(const QString& error, const QDate& day);

    std::thread m_worker;
    bool m_running = false;
    QTimer m_watch;
    QString m_location;
    QDate m_started;
    QDate m_tried; // the last day a backup was started for while open
};
