#include "config/DatabaseRestore.h"

#include "config/DatabaseBackup.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/Statement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kStampLength = 15; // "AAAAMMDD-HHMMSS"

// Closes the descriptor on every way out.
class Fd final {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    // The close's own error matters for a file just written (a network disk reports late).
    void close(const std::string& what) {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            throw DbError(what + ": " + std::strerror(errno));
    }

private:
    int m_fd;
};

[[noreturn]] void Fail(const std::string& what) { throw DbError(what + ": " + std::strerror(errno)); }

// The bytes of `from` into the new file `to` with the permissions of `like` (the file it replaces,
// which other users of the computer may share), on the disk before this returns.
void CopySynced(const std::string& from, const std::string& to, const std::string& like) {
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        Fail("No se pudo leer el respaldo " + from);
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (out.get() < 0)
        Fail("No se pudo escribir en la carpeta de la base de datos");
    struct stat mode {};
    if (::stat(like.c_str(), &mode) == 0) {
        [[maybe_unused]] const int kept = ::fchmod(out.get(), mode.st_mode & 07777);
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            Fail("No se pudo leer el respaldo " + from);
        if (got == 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const ssize_t put = ::write(out.get(), buffer + at, static_cast<std::size_t>(got - at));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                Fail("No se pudo escribir la copia del respaldo");
            at += put;
        }
    }
    if (::fsync(out.get()) != 0)
        Fail("No se pudo escribir la copia del respaldo");
    out.close("No se pudo escribir la copia del respaldo");
}

void Sync(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0 || ::fsync(fd.get()) != 0)
        Fail("No se pudo escribir " + path);
}

std::string Quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The server database a restore goes into, beside the one in use.
std::string RestoredName(const std::string& location) { return CDatabaseBackup::NameOf(location) + "_restaurada"; }

} // namespace

CDatabaseRestore::Backup CDatabaseRestore::Inspect(const std::string& file, const std::string& stamp) {
    Backup b;
    b.file = file;
    b.stamp = stamp;
    // The engine opens only what it may write: a backup on read-only media is checked as a copy.
    std::string copy;
    try {
        if (::access(file.c_str(), F_OK) == 0 && ::access(file.c_str(), W_OK) != 0) {
            copy = CDatabaseFiles::TempBeside((fs::temp_directory_path() / fs::path(file).filename()).string());
            CopySynced(file, copy, {});
        }
        b = Check(copy.empty() ? file : copy, stamp, file);
    } catch (const std::exception& e) {
        b.problem = DbErrorText(e);
    }
    if (!copy.empty())
        CDatabaseFiles::RemoveWithJournals(copy);
    return b;
}

CDatabaseRestore::Backup CDatabaseRestore::Check(const std::string& path, const std::string& stamp,
                                                 const std::string& file) {
    Backup b;
    b.file = file;
    b.stamp = stamp;
    try {
        // Opening checks that the file is ours with every table and column the program uses.
        std::unique_ptr<Database> db = Database::open(path);
        Statement integrity = db->prepare("PRAGMA integrity_check");
        if (!integrity.step() || integrity.text(0) != "ok")
            b.problem = "el archivo está dañado";
        else {
            Statement count = db->prepare("SELECT count(*) FROM Documentos");
            count.step();
            b.documents = count.integer(0);
        }
    } catch (const std::exception& e) {
        b.problem = DbErrorText(e);
    }
    return b;
}

std::vector<CDatabaseRestore::Backup> CDatabaseRestore::List(const std::string& folder, const std::string& name) {
    std::vector<Backup> found;
    const std::size_t stampAt = name.size() + 1;
    for (const std::string& file : CDatabaseBackup::Find(folder, name))
        found.push_back(Inspect(file, fs::path(file).filename().string().substr(stampAt, kStampLength)));
    return found;
}

CDatabaseRestore::Result CDatabaseRestore::Run(Database& db, const std::string& backup, const std::string& folder,
                                               std::time_t when, const CDatabaseFiles::BeforeReplace& beforeReplace) {
    Result result;
    const std::string target = db.path();
    if (DatabaseLocation::isServer(target)) {
        result.error = ServerMessage(backup, target);
        return result;
    }
    if (CDatabaseFiles::InUse(db, backup)) {
        result.error = "El respaldo elegido es la base de datos en uso.";
        return result;
    }
    std::string temp;
    try {
        temp = CDatabaseFiles::TempBeside(target);
        CopySynced(backup, temp, target);
        // The copy is what takes the file's place, so the copy is what is checked.
        const Backup checked = Check(temp, {}, backup);
        if (!checked.sound()) {
            CDatabaseFiles::RemoveWithJournals(temp);
            result.error = "El respaldo " + backup + " no se puede restaurar: " + checked.problem +
                           "\nNo se cambió nada.";
            return result;
        }
        result.documents = checked.documents;
        // Closing the check's connection wrote its journal back; the file alone is the data.
        Sync(temp);
        // Nothing of the folder is rotated away now: the backup being restored may be the oldest.
        const CDatabaseBackup::Result saved = CDatabaseBackup::Run(db, folder, INT_MAX, when);
        if (!saved.error.empty()) {
            CDatabaseFiles::RemoveWithJournals(temp);
            result.error = "No se restauró el respaldo porque antes no se pudieron respaldar los datos actuales:\n" +
                           saved.error + "\nNo se cambió nada.";
            return result;
        }
        result.saved = saved.file;
        if (beforeReplace)
            beforeReplace(temp);
        fs::rename(temp, target);
        temp.clear();
        // The connection notices its file is gone and closes now, taking its journal off the path
        // before anything opens the restored file.
        try {
            db.checkStillThere();
        } catch (const DbError&) {
        }
        // The rename itself on the disk, so a power cut does not bring the old file back; the
        // replacement is done either way.
        const fs::path dir = fs::path(target).has_parent_path() ? fs::path(target).parent_path() : fs::path(".");
        if (const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    } catch (const fs::filesystem_error& e) {
        if (!temp.empty())
            CDatabaseFiles::RemoveWithJournals(temp);
        result.error = "No se pudo restaurar el respaldo en " + target + ": " + e.code().message() +
                       "\nLa base de datos quedó como estaba.";
    } catch (const std::exception& e) {
        if (!temp.empty())
            CDatabaseFiles::RemoveWithJournals(temp);
        result.error = "No se pudo restaurar el respaldo en " + target + ": " + DbErrorText(e) +
                       "\nLa base de datos quedó como estaba.";
    }
    return result;
}

std::string CDatabaseRestore::ServerTarget(const std::string& location) {
    return DatabaseLocation::withoutPassword(DatabaseLocation::withDatabase(location, RestoredName(location)));
}

std::string CDatabaseRestore::ServerCommand(const std::string& backup, const std::string& location) {
    return "quintaleva-cli copiar " + Quoted(backup) + " " + Quoted(ServerTarget(location));
}

std::string CDatabaseRestore::ServerMessage(const std::string& backup, const std::string& location) {
    return "La base de datos en uso está en un servidor: el programa no la reemplaza.\n"
           "Para restaurar un respaldo, el técnico crea en el servidor una base de datos vacía (aquí " +
           RestoredName(location) +
           ") y copia el respaldo en ella con este comando; la copia se niega si la base de datos de destino "
           "tiene tablas:\n\n" +
           ServerCommand(backup, location) +
           "\n\nDespués, cada estación se conecta a esa base de datos en Configurar.";
}
