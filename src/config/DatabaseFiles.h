#pragma once

#include "config/DatabaseCopy.h"

#include <functional>
#include <string>

class Database;

// Whole-database utilities on the database in use: a compacted backup copy, a new database that
// keeps everything but the articles, customers and documents, and a server's own maintenance.
// None changes which database is in use. The target is written under a temporary name in its own folder and renamed over the old
// file only when complete, so a failure leaves the old target as it was and no temporary file;
// those that a killed program left behind are removed before the next run in that folder.
class CDatabaseFiles final {
public:
    static constexpr const char* kMsgCreated = "- La nueva base de datos se creó exitosamente -";
    static constexpr const char* kMsgBackedUp = "- Base de datos respaldada -";
    static constexpr const char* kMsgSameFile = "No se puede escribir sobre la base de datos en uso";
    static constexpr const char* kMsgCompacted = "- Base de datos del servidor compactada -";

    // Called with the complete temporary file just before it replaces the target; a test throws
    // from it to stand for an interruption.
    using BeforeReplace = std::function<void(const std::string& tempPath)>;

    // The target is the file of the database in use: refused before anything is asked or written.
    static bool InUse(const Database& db, const std::string& target);
    // A name no file has beside `target`, for writing it whole before a rename; what killed
    // programs left in that folder is removed first. Throws DbError when the folder cannot be read.
    static std::string TempBeside(const std::string& target);
    // Removes `path` and the engine's journals beside it, quietly.
    static void RemoveWithJournals(const std::string& path);

    // Empty on success; otherwise the operator's message, with the target untouched.
    // A server's backup is a copy into a new file, reported table by table through `progress`.
    static std::string Backup(Database& db, const std::string& target, const BeforeReplace& hook = {},
                              const CDatabaseCopy::Progress& progress = {});
    static std::string CreateEmpty(Database& db, const std::string& target, const BeforeReplace& hook = {},
                                   const CDatabaseCopy::Progress& progress = {});

    // The new database written into `location`, an empty database on a server that the technician
    // made: in one transaction, so it is complete or not written at all. A database that holds
    // tables (ours or another program's) is refused and left as it is. Throws DbError with the
    // server's text (DbError::kAuth when it wants a password).
    static void CreateEmptyOnServer(Database& db, const std::string& location, const std::string& password = {},
                                    const CDatabaseCopy::Progress& progress = {});

    // A server database's own maintenance, table by table: the space of deleted rows is reclaimed
    // and the planner's statistics refreshed, while the other stations keep working. Empty on
    // success (and on a file, which is compacted into its backups instead); otherwise the
    // operator's message with the server's text.
    static std::string Compact(Database& db, const CDatabaseCopy::Progress& progress = {});
};
