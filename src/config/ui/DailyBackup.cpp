#include "config/ui/DailyBackup.h"

#include "config/DatabaseBackup.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/DbErrorText.h"
#include "platform/ui/SettingsStore.h"

#include <QDir>
#include <QMetaObject>
#include <QStandardPaths>

namespace {

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
        SettingsStore::readText("UltimoRespaldo") == today.toString(Qt::ISODate))
        return false;
    if (m_worker.joinable())
        m_worker.join();
    m_running = true;
    const std::string path = location.toStdString();
    const std::string target = QDir::toNativeSeparators(folder()).toStdString();
    m_worker = std::thread([this, path, target, today] {
        const QString error = BackUp(path, target);
        QMetaObject::invokeMethod(this, [this, error, today] { done(error, today); }, Qt::QueuedConnection);
    });
    return true;
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
