#include "db/ui/DatabaseWatch.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QDir>

CDatabaseWatch::CDatabaseWatch(Database& db, QObject* parent, int intervalMs)
    : QObject(parent), tell([](const QString& text) { TolMessage(text); }), m_db(db) {
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { checkNow(); });
    m_timer.start();
}

bool CDatabaseWatch::checkNow() {
    try {
        m_db.checkStillThere();
        return true;
    } catch (const DbError& e) {
        if (e.code() != DbError::kMoved)
            return true;
        m_timer.stop();
        if (!m_told) {
            m_told = true;
            tell(QString::fromUtf8(e.what()));
        }
        return false;
    }
}

QString CDatabaseWatch::missingFileMessage(const QString& path) {
    return QStringLiteral("No se encontró la base de datos %1: ¿la movió o le cambió el nombre?")
        .arg(QDir::toNativeSeparators(path));
}
