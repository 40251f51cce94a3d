#pragma once

#include <optional>
#include <string>

// Where a database lives, as `Config/Path` and the command line give it: a file path (SQLite on
// this computer) or a connection URI "postgresql://usuario@servidor:5432/base" (a shared server).
namespace DatabaseLocation {

constexpr int kDefaultPort = 5432;

// The parts of a server location the prompt asks for.
struct Server {
    std::string host;
    int port = kDefaultPort;
    std::string database;
    std::string user;
};

// True for "postgresql://..." and "postgres://..." (the scheme in any case).
bool isServer(const std::string& location);

// "postgresql://usuario@servidor:puerto/base", each part percent-encoded; an IPv6 address in
// brackets.
std::string serverUri(const Server& server);

// The parts of a server URI, decoded; nothing when the location is not a server URI.
std::optional<Server> parseServer(const std::string& location);

// The location as it may be stored: a password written in the URI ("usuario:clave@" or a
// "password=" parameter) is taken out; anything else, and every file path, comes back as it is.
std::string withoutPassword(const std::string& location);

// True when the URI carries a password of its own.
bool hasPassword(const std::string& location);

// The server URI with its database (the path after the host) replaced by `name`, user, host,
// port and parameters kept: another database on the same server.
std::string withDatabase(const std::string& uri, const std::string& name);

} // namespace DatabaseLocation
