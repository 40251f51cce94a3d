#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class Database;

// Looks every few seconds, while the program waits for the operator, whether the open database file
// is still the one at its path. A file moved or replaced meanwhile is told at once, once, instead of
// at the next save; from then on the database refuses every statement (Database::checkStillThere).
class CDatabaseWatch final : public QObject {
public:
    static constexpr int kIntervalMs = 3000;

    CDatabaseWatch(Database& db, QObject* parent, int intervalMs = kIntervalMs);

    // What the operator is told; TolMessage unless a test replaces it.
    std::function<void(const QString&)> tell;

    // Looks now; true while the file is still the one at its path.
    bool checkNow();

    // What a program says at start-up when the file it opened last time is gone.
    static QString missingFileMessage(const QString& path);

private:
    Database& m_db;
    QTimer m_timer;
    bool m_told = false;
};
