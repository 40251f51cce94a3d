#pragma once

#include <QDate>
#include <QObject>
#include <QString>

#include <thread>

// The first start of each day backs the database file up into the backup folder of the settings
// (CarpetaRespaldos; the documents folder's Quintaleva/Respaldos by default), keeping the last
// CDatabaseBackup::kDefaultKeep. It runs on a thread and a connection of its own, so the operator
// works meanwhile; the day is remembered (UltimoRespaldo) only once a backup succeeded.
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

Q_SIGNALS:
    // On the window's thread once the backup ended: empty on success, else the operator's message
    // with where and why.
    void finished(const QString& error);

private:
    void done(const QString& error, const QDate& day);

    std::thread m_worker;
    bool m_running = false;
};
