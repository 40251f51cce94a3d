#include "config/DatabaseFiles.h"

#include "config/DatabaseCopy.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/Transaction.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <regex>
#include <system_error>

namespace fs = std::filesystem;

namespace {

fs::path FolderOf(const fs::path& target) { return target.has_parent_path() ? target.parent_path() : fs::path("."); }

// Our temporary files are named ".<target>.tmp<pid>-<n>", with the engine's journals beside them.
const std::regex& TempName() {
    static const std::regex re(R"(^\..+\.tmp([0-9]+)-[0-9]+(-wal|-shm|-journal)?$)");
    return re;
}

// Temporary files of ours that a program killed mid-way left in the folder: their process is gone.
// Those of a process still running (another station making its backup now) are left alone.
void RemoveStale(const fs::path& dir) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::smatch m;
        if (!std::regex_match(name, m, TempName()))
            continue;
        const long pid = std::strtol(m[1].str().c_str(), nullptr, 10);
        if (pid <= 0 || pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        std::error_code ignored;
        fs::remove(it->path(), ignored);
    }
}

// A name no file has, beside the target, so the final rename stays on one file system.
fs::path TempBeside(const fs::path& target) {
    std::random_device rd;
    const fs::path dir = FolderOf(target);
    for (;;) {
        fs::path p = dir / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" +
                            std::to_string(rd() % 1000000u));
        std::error_code ec;
        if (!fs::exists(p, ec) && !ec)
            return p;
        if (ec)
            throw DbError("No se puede escribir en la carpeta " + dir.string() + ": " + ec.message());
    }
}

void RemoveQuietly(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
    fs::remove(p.string() + "-wal", ec);
    fs::remove(p.string() + "-shm", ec);
    fs::remove(p.string() + "-journal", ec);
}

// The operator chose the target; our temporary name means nothing to them.
std::string WithTargetName(std::string text, const fs::path& temp, const fs::path& target) {
    for (const auto& [from, to] : {std::pair{temp.string(), target.string()},
                                   std::pair{temp.filename().string(), target.filename().string()}})
        for (std::size_t at = 0; !from.empty() && (at = text.find(from, at)) != std::string::npos; at += to.size())
            text.replace(at, from.size(), to);
    return text;
}

// Writes the file with `fill`, then renames it over the target. Any failure removes the
// temporary file and leaves the target as it was.
std::string Replace(Database& db, const std::string& target, const CDatabaseFiles::BeforeReplace& hook,
                    const std::function<void(const fs::path&)>& fill) {
    const fs::path to(target);
    if (CDatabaseFiles::InUse(db, target))
        return CDatabaseFiles::kMsgSameFile;
    fs::path temp;
    try {
        RemoveStale(FolderOf(to));
        temp = TempBeside(to);
        fill(temp);
        if (hook)
            hook(temp.string());
        // A journal left by an earlier program beside the old target would be replayed into the
        // new file on its first open.
        std::error_code ec;
        fs::remove(to.string() + "-wal", ec);
        fs::remove(to.string() + "-shm", ec);
        fs::rename(temp, to);
        return {};
    } catch (const fs::filesystem_error& e) {
        // Its text names both paths; the reason alone is what the operator needs.
        if (!temp.empty())
            RemoveQuietly(temp);
        return "No se pudo escribir el archivo " + target + ": " + e.code().message();
    } catch (const std::exception& e) {
        if (!temp.empty())
            RemoveQuietly(temp);
        return "No se pudo escribir el archivo " + target + ": " + WithTargetName(DbErrorText(e), temp, to);
    }
}

// A file's database is compacted into the copy; a server's is copied table by table into a new
// file, which opens anywhere.
void CompactInto(Database& db, const fs::path& temp, const CDatabaseCopy::Progress& progress) {
    if (DatabaseLocation::isServer(db.path()))
        CDatabaseCopy::Run(db, temp.string(), progress);
    else
        db.execute("VACUUM INTO ?", {temp.string()});
}

// The copy with everything but the articles, customers and documents: lines and payments go with
// their documents through the cascading references.
void EmptyInto(Database& db, const fs::path& temp, const CDatabaseCopy::Progress& progress) {
    CompactInto(db, temp, progress);
    std::unique_ptr<Database> copy = Database::open(temp.string());
    {
        Transaction t(*copy);
        copy->execute("DELETE FROM Articulos");
        copy->execute("DELETE FROM Clientes");
        copy->execute("DELETE FROM Documentos");
        t.commit();
    }
    copy->execute("VACUUM");
    // No journal beside the file when it takes the target's name.
    copy->execute("PRAGMA journal_mode=DELETE");
}

} // namespace

std::string CDatabaseFiles::TempBeside(const std::string& target) {
    RemoveStale(FolderOf(target));
    return ::TempBeside(target).string();
}

void CDatabaseFiles::RemoveWithJournals(const std::string& path) { RemoveQuietly(path); }

bool CDatabaseFiles::InUse(const Database& db, const std::string& target) {
    std::error_code ec;
    return fs::equivalent(db.path(), target, ec) && !ec;
}

std::string CDatabaseFiles::Backup(Database& db, const std::string& target, const BeforeReplace& hook,
                                   const CDatabaseCopy::Progress& progress) {
    return Replace(db, target, hook, [&](const fs::path& temp) { CompactInto(db, temp, progress); });
}

std::string CDatabaseFiles::CreateEmpty(Database& db, const std::string& target, const BeforeReplace& hook,
                                        const CDatabaseCopy::Progress& progress) {
    return Replace(db, target, hook, [&](const fs::path& temp) { EmptyInto(db, temp, progress); });
}

void CDatabaseFiles::CreateEmptyOnServer(Database& db, const std::string& location, const std::string& password,
                                         const CDatabaseCopy::Progress& progress) {
    // Refused, or a password asked for, before the long part.
    Database::checkServerTarget(location, password);
    const fs::path folder = fs::temp_directory_path();
    RemoveStale(folder);
    const fs::path temp = TempBeside(folder / "nueva.mdb");
    try {
        EmptyInto(db, temp, progress);
        std::unique_ptr<Database> source = Database::open(temp.string());
        CDatabaseCopy::Run(*source, location, progress, {}, password);
    } catch (...) {
        RemoveQuietly(temp);
        throw;
    }
    RemoveQuietly(temp);
}

std::string CDatabaseFiles::Compact(Database& db, const CDatabaseCopy::Progress& progress) {
    try {
        std::vector<std::string> tables;
        for (const std::string& t : CDatabaseCopy::Tables())
            if (!db.dialect().compactSql(t).empty() && db.hasTable(t))
                tables.push_back(t);
        const auto total = static_cast<std::int64_t>(tables.size());
        for (std::int64_t i = 0; i < total; ++i) {
            const std::string& table = tables[static_cast<std::size_t>(i)];
            if (progress)
                progress(table, i, total);
            db.execute(db.dialect().compactSql(table));
        }
        if (progress && total > 0)
            progress(tables.back(), total, total);
        return {};
    } catch (const std::exception& e) {
        return "No se pudo compactar la base de datos del servidor: " + DbErrorText(e);
    }
}
