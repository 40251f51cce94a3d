#pragma once

#include <QString>

class Database;
class QWidget;

// The three entries of the "Utilerias" menu: a new database from the one in use, a compacted
// backup, and the import from version 1.3. Each asks for its file, runs, and reports with
// TolMessage; none changes which database the program uses. On a server the new database may be
// a file here or an empty database on a server, and the backup (a file) is followed by the
// server's own maintenance.
class CMaintenance final {
public:
    enum class ServerResult { Created, WantsPassword, Failed };

    // The file dialogs; false when the operator cancelled.
    static bool NewDatabase(Database& db, QWidget* parent);
    static bool Backup(Database& db, QWidget* parent);
    // True when something was imported, so the caller reloads its article and tax tables.
    static bool Import(Database& db, QWidget* parent);

    // The same once the file is chosen. An existing target is replaced only after the operator
    // said yes. Each returns true on success.
    static bool RunNewDatabase(Database& db, const QString& path, QWidget* parent);
    static bool RunBackup(Database& db, const QString& path, QWidget* parent);
    static bool RunImport(Database& db, const QString& path, QWidget* parent);
    // The new database into the server database at `location`; WantsPassword when the server asks
    // for one that was not given (nothing shown), otherwise the outcome has been told.
    static ServerResult RunNewDatabaseOnServer(Database& db, const QString& location, const QString& password,
                                               QWidget* parent);

    static QString OverwriteQuestion(const QString& path);
};
