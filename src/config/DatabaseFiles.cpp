#include "config/DatabaseFiles.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/Transaction.h"

#include <filesystem>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// A name no file has, beside the target, so the final rename stays on one file system.
fs::path TempBeside(const fs::path& target) {
    std::random_device rd;
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    for (;;) {
        fs::path p = dir / ("." + target.filename().string() + ".tmp" + std::to_string(rd() % 1000000u));
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

bool SameFile(const Database& db, const fs::path& target) {
    std::error_code ec;
    return fs::equivalent(db.path(), target, ec) && !ec;
}

// Writes the file with `fill`, then renames it over the target. Any failure removes the
// temporary file and leaves the target as it was.
std::string Replace(Database& db, const std::string& target, const CDatabaseFiles::BeforeReplace& hook,
                    const std::function<void(const fs::path&)>& fill) {
    const fs::path to(target);
    if (SameFile(db, to))
        return CDatabaseFiles::kMsgSameFile;
    fs::path temp;
    try {
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
    } catch (const std::exception& e) {
        if (!temp.empty())
            RemoveQuietly(temp);
        return std::string("No se pudo escribir el archivo ") + target + ": " + DbErrorText(e);
    }
}

void CompactInto(Database& db, const fs::path& temp) { db.execute("VACUUM INTO ?", {temp.string()}); }

} // namespace

std::string CDatabaseFiles::Backup(Database& db, const std::string& target, const BeforeReplace& hook) {
    return Replace(db, target, hook, [&db](const fs::path& temp) { CompactInto(db, temp); });
}

std::string CDatabaseFiles::CreateEmpty(Database& db, const std::string& target, const BeforeReplace& hook) {
    return Replace(db, target, hook, [&db](const fs::path& temp) {
        CompactInto(db, temp);
        std::unique_ptr<Database> copy = Database::open(temp.string());
        {
            // Lines and payments go with their documents through the cascading references.
            Transaction t(*copy);
            copy->execute("DELETE FROM Articulos");
            copy->execute("DELETE FROM Clientes");
            copy->execute("DELETE FROM Documentos");
            t.commit();
        }
        copy->execute("VACUUM");
        // No journal beside the file when it takes the target's name.
        copy->execute("PRAGMA journal_mode=DELETE");
        copy.reset();
    });
}
