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

inline std::unique_ptr<Database> CreateDatabase(const std::string& location) {
    return TerminalPassword::open(location,
                                  [&](const std::string& password) { return CreateNewDatabase(location, password); });
}
