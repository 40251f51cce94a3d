#include "config/NewDatabase.h"

#include "db/Database.h"
#include "printing/DefaultFormats.h"

std::unique_ptr<Database> CreateNewDatabase(const std::string& path, const std::string& password) {
    return Database::create(path, [](Database& db) { AddDefaultFormats(db); }, password);
}
