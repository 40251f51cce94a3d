#pragma once

#include "config/NewDatabase.h"
#include "db/Database.h"
#include "platform/TerminalPassword.h"

#include <memory>
#include <string>

// The database a command names, a server's password asked on the terminal when it wants one.
inline std::unique_ptr<Database> OpenDatabase(const std::string& location) {
    return TerminalPassword::open(location, [&](const std::string& password) { return Database::open(location, password); });
}

// The same, to be read only: a file or folder the user may not write is no obstacle.
inline std::unique_ptr<Database> OpenDatabaseForReading(const std::string& location) {
    return TerminalPassword::open(location,
                                  [&](const std::string& password) { return Database::openForReading(location, password); });
}

inline std::unique_ptr<Database> CreateDatabase(const std::string& location) {
    return TerminalPassword::open(location,
                                  [&](const std::string& password) { return CreateNewDatabase(location, password); });
}
