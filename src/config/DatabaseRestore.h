#pragma once

#include "config/DatabaseFiles.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

class Database;

// Puts a backup back in place of the database file in use. The backup is first copied beside the
// file under a temporary name, synced to disk and checked there (the engine's integrity check and
// our tables); the data in use is then backed up into the backup folder, and only then does the
// copy take the file's name by a rename. Any failure before the rename removes the copy and leaves
// the file in use as it was. A server's database is never replaced here: it is restored with
// quintaleva-cli into an empty database.
class CDatabaseRestore final {
public:
    struct Backup {
        std::string file;
        std::string stamp;            // "AAAAMMDD-HHMMSS" from a dated backup's name, else empty
        std::int64_t documents = -1;  // rows of Documentos when sound
        std::string problem;          // empty when it may be restored; else why not, for the operator
        bool sound() const { return problem.empty(); }
    };

    struct Result {
        std::string error;            // empty on success: the operator's message otherwise
        std::string saved;            // the backup of the data that was replaced
        std::int64_t documents = 0;   // documents of the restored data
    };

    // The dated backups of `name` (CDatabaseBackup::NameOf) in `folder`, newest first, each
    // opened and checked. A missing folder has none.
    static std::vector<Backup> List(const std::string& folder, const std::string& name);
    // Opens the file and checks it. Opening may turn the file into the engine's WAL mode, as the
    // program does with every file it opens; nothing of the data changes. A file that may not be
    // written (read-only media) is checked as a temporary copy.
    static Backup Inspect(const std::string& file, const std::string& stamp = {});

    // Replaces the file of `db` with `backup`, after backing the data in use up into `folder`
    // (nothing of the folder is deleted meanwhile). On success `db` is closed (every use throws
    // DbError::kMoved) and the caller opens the location again; on failure it is as it was. `beforeReplace` is
    // called with the checked copy just before the rename; a test throws from it to stand for an
    // interruption.
    static Result Run(Database& db, const std::string& backup, const std::string& folder,
                      std::time_t when = std::time(nullptr), const CDatabaseFiles::BeforeReplace& beforeReplace = {});

    // The empty database on the server of `location` that a restore goes into ("<name>_restaurada"),
    // without a password.
    static std::string ServerTarget(const std::string& location);
    // The command that restores `backup` into ServerTarget(location), quoted for the shell.
    static std::string ServerCommand(const std::string& backup, const std::string& location);
    // What the operator reads instead of a replacement on a server.
    static std::string ServerMessage(const std::string& backup, const std::string& location);

private:
    // Checks the database at `path`, reported as `file`.
    static Backup Check(const std::string& path, const std::string& stamp, const std::string& file);
};
