#pragma once

#include "config/DatabaseFiles.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

class Database;

// Dated backups of one database in a folder of their own, as a daily job or the program's first
// start of the day takes them: "<name>-AAAAMMDD-HHMMSS.mdb", written by CDatabaseFiles::Backup
// (a temporary name, then a rename), checked against the origin, then the oldest backups of that
// same database beyond the number kept are deleted. Nothing else in the folder is touched, and a
// backup that fails deletes nothing.
class CDatabaseBackup final {
public:
    static constexpr int kDefaultKeep = 30;

    struct Result {
        std::string error;                // empty on success: the operator's message otherwise
        std::string file;                 // the backup written
        std::vector<std::string> removed; // older backups deleted, oldest first
        int tables = 0;                   // tables whose rows were counted on both sides
    };

    // The name a backup of the database at `location` starts with: a file's base name
    // ("/x/mitienda.mdb" -> "mitienda"), or the server database's name.
    static std::string NameOf(const std::string& location);
    // "<name>-AAAAMMDD-HHMMSS.mdb" at `when`, in local time.
    static std::string FileName(const std::string& name, std::time_t when);
    // True when `fileName` (no folder) is a backup of `name` by FileName's exact pattern.
    static bool IsBackupOf(const std::string& fileName, const std::string& name);
    // The backups of `name` in `folder` (paths), newest first; none when the folder is missing.
    static std::vector<std::string> Find(const std::string& folder, const std::string& name);
    // The number of backups to keep, as typed ("30"): nothing unless a whole number of 1 or more.
    static std::optional<int> ParseKeep(const std::string& text);

    // Backs `db` up into `folder` (made when missing), checks the copy, then keeps the `keep`
    // newest backups of this database, the new one always among them. `beforeReplace` as
    // CDatabaseFiles::Backup takes it.
    static Result Run(Database& db, const std::string& folder, int keep = kDefaultKeep,
                      std::time_t when = std::time(nullptr), const CDatabaseFiles::BeforeReplace& beforeReplace = {});
};
