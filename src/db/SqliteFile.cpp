#include "db/SqliteFile.h"

#include "db/DbError.h"

#include <sqlite3.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

const char* const SqliteFile::kMovedMessage =
    "- El archivo de la base de datos fue movido o reemplazado mientras el programa estaba abierto: no se "
    "guardó nada. Cierre el programa y ábralo de nuevo -";

SqliteFile::SqliteFile(sqlite3* handle, std::string path) : m_db(handle) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    m_path = ec ? path : absolute.string();
    seenAt(m_path, m_seen);
}

SqliteFile::~SqliteFile() {
    if (!m_db)
        return;
    // Other stations may keep the file open, and then closing does not checkpoint: bring the file
    // itself up to date first, so that a copy of the .mdb alone holds everything. A station that is
    // writing is waited for a moment only.
    const Change found = change();
    if (m_watchContent && found == Change::None) {
        sqlite3_busy_timeout(m_db, 1000);
        sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_FULL, nullptr, nullptr);
    }
    close(found);
}

bool SqliteFile::seenAt(const std::string& path, Seen& seen) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    seen = {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    return true;
}

// Through the connection's own mapping of the index: a descriptor of ours opened and closed on the
// -shm file would drop every lock this process holds on it.
std::optional<SqliteFile::Journal> SqliteFile::journal(bool& checkpointing) const {
    checkpointing = false;
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods || file->pMethods->iVersion < 2)
        return std::nullopt;
    const sqlite3_io_methods& io = *file->pMethods;
    // A checkpoint holds the index's checkpoint lock while it writes the file and until it records
    // how far it got. Asked before the index is read: a checkpoint that wrote the file before this
    // moment has recorded it by now. Taken and let go at once, it delays nobody.
    constexpr int kCheckpointLock = 1;
    const int rc = io.xShmLock(file, kCheckpointLock, 1, SQLITE_SHM_LOCK | SQLITE_SHM_EXCLUSIVE);
    if (rc == SQLITE_OK)
        io.xShmLock(file, kCheckpointLock, 1, SQLITE_SHM_UNLOCK | SQLITE_SHM_EXCLUSIVE);
    else
        checkpointing = true;
    volatile void* region = nullptr;
    if (io.xShmMap(file, 0, 32768, 0, &region) != SQLITE_OK || !region)
        return std::nullopt;
    // The first copy of the index header (48 bytes), then nBackfill and nBackfillAttempted.
    const auto* bytes = static_cast<const volatile unsigned char*>(region);
    Journal found{};
    for (std::size_t i = 0; i < 48; ++i)
        found[i] = bytes[i];
    for (std::size_t i = 0; i < 4; ++i) {
        found[48 + i] = bytes[96 + i];
        found[52 + i] = bytes[128 + i];
    }
    return found;
}

void SqliteFile::remember() {
    // The index first, then the file: a checkpoint of another station in between is then either
    // in the file as seen or recorded after the index as remembered, never the one without the
    // other (which would look like the file overwritten).
    bool checkpointing = false;
    m_journal = inWalMode() ? journal(checkpointing) : std::nullopt;
    Seen now;
    if (seenAt(m_path, now) && now.device == m_seen.device && now.inode == m_seen.inode)
        m_seen = now;
}

void SqliteFile::watchContent() {
    if (!m_db)
        return;
    m_watchContent = true;
    remember();
    sqlite3_wal_hook(m_db, &SqliteFile::afterCommit, this);
}

// After every commit: the journal copied into the file as far as no reader holds it (waiting for
// nobody), and the file's new size and time taken as ours.
int SqliteFile::afterCommit(void* self, sqlite3* db, const char* name, int) {
    sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    static_cast<SqliteFile*>(self)->remember();
    return SQLITE_OK;
}

SqliteFile::Change SqliteFile::change() {
    int moved = 0;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved)
        return Change::Moved;
    Seen now;
    if (!seenAt(m_path, now) || now.device != m_seen.device || now.inode != m_seen.inode)
        return Change::Moved;
    if (!m_watchContent || (now.size == m_seen.size && now.modified.tv_sec == m_seen.modified.tv_sec &&
                            now.modified.tv_nsec == m_seen.modified.tv_nsec))
        return Change::None;
    // The file changed since our last look. Only checkpoints write it, ours or another station's,
    // and each is recorded in the WAL index; a change with none recorded (and none under way) is
    // the file overwritten by something else. Unsure, it is never called overwritten. Out of WAL
    // mode (a copy about to take a target's name) the connection writes the file itself, and
    // there is no index to ask: mapping one would make it.
    if (!inWalMode()) {
        m_seen = now;
        return Change::None;
    }
    bool checkpointing = false;
    const std::optional<Journal> index = journal(checkpointing);
    if (checkpointing || !index || !m_journal || *index != *m_journal) {
        // Looked at again after the index, for the same reason as in remember().
        m_journal = index;
        Seen after;
        m_seen = seenAt(m_path, after) && after.device == now.device && after.inode == now.inode ? after : now;
        return Change::None;
    }
    return Change::Overwritten;
}

bool SqliteFile::inWalMode() const {
    sqlite3_stmt* mode = nullptr;
    bool wal = false;
    if (sqlite3_prepare_v2(m_db, "PRAGMA journal_mode", -1, &mode, nullptr) == SQLITE_OK && sqlite3_step(mode) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(mode, 0));
        wal = text && std::string(text) == "wal";
    }
    sqlite3_finalize(mode);
    return wal;
}

void SqliteFile::check() {
    if (!m_db)
        throwClosed();
    const Change found = change();
    if (found == Change::None)
        return;
    close(found);
    throwClosed();
}

void SqliteFile::throwClosed() const { throw DbError(kMovedMessage, DbError::kMoved); }

void SqliteFile::close(Change found) {
    // Statements still held (a list's pages) are finalized here and left empty; their owners get the
    // refusal above on their next use. With none left the close is immediate, and whatever a write
    // had begun is rolled back.
    for (sqlite3_stmt** statement : m_statements) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
    m_statements.clear();
    // SQLite neither checkpoints nor removes the journal of a file that moved: the journal at the
    // path is then ours alone to deal with. A file moved, renamed or replaced by another name gets
    // the journal, as it is the file we have open; once all of it is there, the journal leaves the
    // path. A file overwritten in place is no longer ours: the journal must neither go into it nor
    // stay beside it.
    bool removeJournal = found == Change::Overwritten;
    if (found == Change::Moved) {
        int frames = -1, copied = -1;
        sqlite3_busy_timeout(m_db, 1000);
        removeJournal = sqlite3_wal_checkpoint_v2(m_db, "main", SQLITE_CHECKPOINT_FULL, &frames, &copied) == SQLITE_OK &&
                        frames == copied;
    }
    if (found == Change::Overwritten)
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    if (removeJournal) {
        ::unlink((m_path + "-wal").c_str());
        ::unlink((m_path + "-shm").c_str());
    }
}
