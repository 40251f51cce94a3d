#include "config/DatabaseBackup.h"

#include "config/DatabaseFiles.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/DbErrorText.h"
#include "db/Schema.h"
#include "db/Statement.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kStampLength = 16; // "-AAAAMMDD-HHMMSS"
constexpr const char* kSuffix = ".mdb";

bool Digits(const std::string& text, std::size_t from, std::size_t count) {
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                       text.begin() + static_cast<std::ptrdiff_t>(from + count),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// Rows of every table of ours, in the schema's order.
std::vector<std::int64_t> RowCounts(Database& db) {
    std::vector<std::int64_t> counts;
    for (const TableDef& t : Schema::tables()) {
        Statement count = db.prepare("SELECT count(*) FROM \"" + t.name + "\"");
        count.step();
        counts.push_back(count.integer(0));
    }
    return counts;
}

// Empty when the file at `path` is sound and holds, table by table, one of the two row counts
// the origin showed around the copy (the program may save a document meanwhile).
std::string CheckCopy(const std::string& path, const std::vector<std::int64_t>& before,
                      const std::vector<std::int64_t>& after) {
    std::unique_ptr<Database> copy = Database::open(path);
    Statement integrity = copy->prepare("PRAGMA integrity_check");
    if (!integrity.step() || integrity.text(0) != "ok")
        return "el archivo del respaldo está dañado";
    const std::vector<std::int64_t> counts = RowCounts(*copy);
    if (counts == before || counts == after)
        return {};
    for (std::size_t i = 0; i < counts.size(); ++i)
        if (counts[i] != after[i])
            return "la tabla " + Schema::tables()[i].name + " tiene " + std::to_string(counts[i]) +
                   " renglones en el respaldo y " + std::to_string(after[i]) + " en el origen";
    return "los renglones del respaldo no son los del origen";
}

} // namespace

std::string CDatabaseBackup::NameOf(const std::string& location) {
    if (const auto server = DatabaseLocation::parseServer(location))
        return server->database.empty() ? server->user : server->database;
    return fs::path(location).stem().string();
}

std::string CDatabaseBackup::FileName(const std::string& name, std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return name + "-" + stamp + kSuffix;
}

bool CDatabaseBackup::IsBackupOf(const std::string& fileName, const std::string& name) {
    const std::string suffix = kSuffix;
    const std::size_t length = name.size() + kStampLength + suffix.size();
    if (name.empty() || fileName.size() != length || fileName.compare(0, name.size(), name) != 0 ||
        fileName.compare(length - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    const std::size_t at = name.size();
    return fileName[at] == '-' && Digits(fileName, at + 1, 8) && fileName[at + 9] == '-' && Digits(fileName, at + 10, 6);
}

std::vector<std::string> CDatabaseBackup::Find(const std::string& folder, const std::string& name) {
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (IsBackupOf(it->path().filename().string(), name) && it->is_regular_file(typeError))
            found.push_back(it->path().string());
    }
    // The stamp sorts as the time does.
    std::sort(found.begin(), found.end(), std::greater<>());
    return found;
}

std::optional<int> CDatabaseBackup::ParseKeep(const std::string& text) {
    if (text.empty() || text.size() > 6 || !Digits(text, 0, text.size()))
        return std::nullopt;
    const int keep = std::stoi(text);
    return keep >= 1 ? std::optional<int>(keep) : std::nullopt;
}

CDatabaseBackup::Result CDatabaseBackup::Run(Database& db, const std::string& folder, int keep, std::time_t when,
                                             const CDatabaseFiles::BeforeReplace& beforeReplace) {
    Result result;
    if (keep < 1) {
        result.error = "El número de respaldos que se conservan debe ser 1 o más";
        return result;
    }
    const std::string name = NameOf(db.path());
    const fs::path target = fs::path(folder) / FileName(name, when);
    result.file = target.string();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        result.error = "No se pudo crear la carpeta de respaldos " + folder + ": " + ec.message();
        return result;
    }
    if (fs::exists(target, ec)) {
        result.error = "Ya existe el respaldo " + target.string();
        return result;
    }
    try {
        const std::vector<std::int64_t> before = RowCounts(db);
        if (std::string error = CDatabaseFiles::Backup(db, target.string(), beforeReplace); !error.empty()) {
            result.error = std::move(error);
            return result;
        }
        const std::vector<std::int64_t> after = RowCounts(db);
        if (std::string wrong = CheckCopy(target.string(), before, after); !wrong.empty()) {
            CDatabaseFiles::RemoveWithJournals(target.string());
            result.error = "El respaldo " + target.string() + " no salió completo y se borró: " + wrong;
            return result;
        }
        result.tables = static_cast<int>(after.size());
    } catch (const std::exception& e) {
        CDatabaseFiles::RemoveWithJournals(target.string());
        result.error = "No se pudo respaldar en " + target.string() + ": " + DbErrorText(e);
        return result;
    }
    std::vector<std::string> older = Find(folder, name);
    std::erase_if(older, [&](const std::string& file) { return fs::path(file).filename() == target.filename(); });
    const auto kept = static_cast<std::size_t>(keep - 1);
    for (std::size_t i = older.size(); i > kept; --i) {
        CDatabaseFiles::RemoveWithJournals(older[i - 1]);
        result.removed.push_back(older[i - 1]);
    }
    return result;
}
