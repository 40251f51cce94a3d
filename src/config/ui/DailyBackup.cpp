#include "config/ui/DailyBackup.h"

#include "config/DailyBackupDay.h"
#include "config/DatabaseBackup.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/DbErrorText.h"
#include "platform/ui/SettingsStore.h"
#include "toolkit/ui/TolWait.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QMetaObject>
#include <QStandardPaths>
#include <QThread>

namespace {

std::string Day(const QDate& day) { return day.toString(Qt::ISODate).toStdString(); }
std::string LastBackup() { return SettingsStore::readText("UltimoRespaldo").toStdString(); }

// What the thread does, with nothing of the window's: a connection of its own, which only reads
// (not "query_only": the engine counts writing the copy as a write of that connection).
QString BackUp(const std::string& location, const std::string& folder) {
    try {
        std::unique_ptr<Database> db = Database::open(location);
        const CDatabaseBackup::Result r = CDatabaseBackup::Run(*db, folder);
        return QString::fromStdString(r.error);
    } catch (const std::exception& e) {
        return QStringLiteral("No se pudo abrir la base de datos para respaldarla: %1")
            .arg(QString::fromStdString(DbErrorText(e)));
    }
}

} // namespace

CDailyBackup::CDailyBackup(QObject* parent) : QObject(parent) {}

CDailyBackup::~CDailyBackup() {
    if (m_worker.joinable())
        m_worker.join();
}

QString CDailyBackup::defaultFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(QStringLiteral("Quintaleva/Respaldos"));
}

QString CDailyBackup::folder() {
    const QString chosen = SettingsStore::readText("CarpetaRespaldos").trimmed();
    return chosen.isEmpty() ? defaultFolder() : chosen;
}

bool CDailyBackup::startIfDue(const QString& location, const QDate& today) {
    if (m_running || location.isEmpty() || DatabaseLocation::isServer(location.toStdString()) ||
        !CDailyBackupDay::DueAtStart(LastBackup(), Day(today)))
        return false;
    start(location, today);
    return true;
}

void CDailyBackup::watchWhileOpen(const QString& location, const QDate& started, int intervalMs) {
    m_location = location;
    m_started = started;
    m_watch.setInterval(intervalMs);
    m_watch.disconnect(this);
    connect(&m_watch, &QTimer::timeout, this, [this] { startIfDayChanged(m_location, m_started); });
    m_watch.start();
}

bool CDailyBackup::startIfDayChanged(const QString& location, const QDate& started, const QDate& today) {
    if (m_running || today == m_tried || location.isEmpty() || DatabaseLocation::isServer(location.toStdString()) ||
        !CDailyBackupDay::DueWhileOpen(Day(started), LastBackup(), Day(today)))
        return false;
    m_tried = today;
    start(location, today);
    return true;
}

void CDailyBackup::finishAtClose(QWidget* parent, const QDate& today) {
    m_watch.stop();
    if (!m_location.isEmpty())
        startIfDayChanged(m_location, m_started, today);
    if (!m_running)
        return;
    CTolWait wait(parent, QStringLiteral("Respaldo diario"),
                  QStringLiteral("Terminando el respaldo del día de la base de datos antes de cerrar..."),
                  CTolWait::Options{.delayMs = 300, .cancel = false, .minimumWidth = 360});
    const std::function<bool()> paint = wait.keepGoing();
    // done() arrives as a queued call on this thread.
    while (m_running) {
        paint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(20);
    }
}

void CDailyBackup::start(const QString& location, const QDate& day) {
    if (m_worker.joinable())
        m_worker.join();
    m_running = true;
    const std::string path = location.toStdString();
    const std::string target = QDir::toNativeSeparators(folder()).toStdString();
    m_worker = std::thread([this, path, target, day] {
        const QString error = BackUp(path, target);
        QMetaObject::invokeMethod(this, [this, error, day] { done(error, day); }, Qt::QueuedConnection);
    });
}

void CDailyBackup::done(const QString& error, const QDate& day) {
    m_running = false;
    if (error.isEmpty()) {
        SettingsStore::write("UltimoRespaldo", day.toString(Qt::ISODate));
        Q_EMIT finished(error);
        return;
    }
    Q_EMIT finished(QStringLiteral("No se pudo hacer el respaldo diario de la base de datos.\n\n%1\n\n"
                                   "Se intentará de nuevo la próxima vez que abra el programa; la carpeta de "
                                   "los respaldos se cambia en Configurar.")
                        .arg(error));
}
