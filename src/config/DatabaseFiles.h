#pragma once

#include <functional>
#include <string>

class Database;

// Whole-file utilities on the database in use: a compacted backup copy, and a new database that
// keeps everything but the articles, customers and documents. Neither changes the database in
// use. The target is written under a temporary name in its own folder and renamed over the old
// file only when complete, so a failure leaves the old target as it was and no temporary file;
// those that a killed program left behind are removed before the next run in that folder.
class CDatabaseFiles final {
public:
    static constexpr const char* kMsgCreated = "- La nueva base de datos se creó exitosamente -";
    static constexpr const char* kMsgBackedUp = "- Base de datos respaldada -";
    static constexpr const char* kMsgSameFile = "No se puede escribir sobre la base de datos en uso";

    // Called with the complete temporary file just before it replaces the target; a test throws
    // from it to stand for an interruption.
    using BeforeReplace = std::function<void(const std::string& tempPath)>;

    // The target is the file of the database in use: refused before anything is asked or written.
    static bool InUse(const Database& db, const std::string& target);

    // Empty on success; otherwise the operator's message, with the target untouched.
    static std::string Backup(Database& db, const std::string& target, const BeforeReplace& hook = {});
    static std::string CreateEmpty(Database& db, const std::string& target, const BeforeReplace& hook = {});
};
