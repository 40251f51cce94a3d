#pragma once

#include <memory>
#include <string>

class Database;

// A new database ready for work: the schema, the seed rows and the ready print layouts (a
// letter-size invoice and a 40-column ticket), all written before the file appears. `password`
// is a server's, as Database::create takes it.
std::unique_ptr<Database> CreateNewDatabase(const std::string& path, const std::string& password = {});
