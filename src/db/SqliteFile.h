#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <set>
#include <string>
#include <sys/types.h>

struct sqlite3;
struct sqlite3_stmt;

// The open database file behind a connection and its statements, shared by them so that the
// statements outlive nothing they use. It also knows which file it opened: a file moved, renamed,
// deleted or replaced at its path while the program runs (a technician restoring a copy, a sync
// tool) is noticed before a write, and the connection is then closed at once, so that no -wal or
// -shm of ours stays at a path that now names another file (a new file would read our journal as
// its own and look damaged).
class SqliteFile final {
public:
    // The operator's words for a file that is no longer the one at its path.
    static const char* const kMovedMessage;

    SqliteFile(sqlite3* handle, std::string path);
    ~SqliteFile();
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    sqlite3* handle() const { return m_db; }
    bool closed() const { return m_db == nullptr; }
    // From now on (the file is in WAL mode, so only checkpoints write it) a file overwritten in
    // place, keeping its inode (`cp` onto it), is noticed too; and every commit is followed by a
    // passive checkpoint, so that the .mdb alone is current within a save.
    void watchContent();
    // Throws DbError(kMovedMessage, DbError::kMoved) when the file was moved or replaced, now or
    // earlier; the first time, the connection is closed first.
    void check();
    [[noreturn]] void throwClosed() const;

    // Statements say when they are made and finalized; a close finalizes those still alive.
    void adopt(sqlite3_stmt** statement) { m_statements.insert(statement); }
    void release(sqlite3_stmt** statement) { m_statements.erase(statement); }

private:
    enum class Change { None, Moved, Overwritten };
    struct Seen {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
    };
    // What SQLite's shared WAL index says of commits and checkpoints (its header and backfill count,
    // as laid out by the WAL format): every legitimate write of the file changes it.
    using Journal = std::array<unsigned char, 56>;
    static bool seenAt(const std::string& path, Seen& seen);
    static int afterCommit(void* self, sqlite3* db, const char* name, int pages);
    std::optional<Journal> journal(bool& checkpointing) const;
    bool inWalMode() const;
    void remember();
    Change change();
    void close(Change found);

    sqlite3* m_db;
    std::string m_path;
    Seen m_seen;
    bool m_watchContent = false;
    // The WAL index as it was when the file last changed: a file that changes while no commit or
    // checkpoint anywhere is recorded there was written by something else.
    std::optional<Journal> m_journal;
    std::set<sqlite3_stmt**> m_statements;
};
