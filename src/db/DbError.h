#pragma once

#include <stdexcept>
#include <string>

// The one exception of the data layer. Its text is the engine's own description of the failure
// (or ours, in Spanish, for a database that is not one of ours); `code()` is SQLite's extended
// result code (a server's SQLSTATE is given the code of the same meaning, or one of the server's
// own below), 0 when the text is ours and already speaks to the operator. The dialog
// that ran the operation shows it through DbErrorText (db/DbErrorText.h).
class DbError final : public std::runtime_error {
public:
    // The engine's generic failure (SQLITE_ERROR), for the English texts of our record sets that
    // stand in for the engine's own.
    static constexpr int kGeneric = 1;
    static constexpr int kBusy = 5;
    static constexpr int kCantOpen = 14;
    static constexpr int kConstraint = 19;
    static constexpr int kUniqueViolation = 19 | (8 << 8);  // SQLITE_CONSTRAINT_UNIQUE
    // A server's own: it wants a password and none was given (ask for it).
    static constexpr int kAuth = 200;
    // The server is down, unreachable, or the connection was lost.
    static constexpr int kServer = 201;
    // Another station's transaction conflicted with ours; running it again can succeed.
    static constexpr int kConflict = 202;
    // The database file was moved, renamed or replaced while open: nothing more is written to it.
    // The text is the operator's message.
    static constexpr int kMoved = 203;
    // A server's refusals, each from its SQLSTATE: the password given is wrong (28P01); the user
    // may not log in from here or does not exist (28000); the user lacks rights on a table
    // (42501); the session may only read (25006); no database of that name (3D000); the server is
    // starting or shutting down (57P03); it has no room for another connection (53300).
    static constexpr int kWrongPassword = 204;
    static constexpr int kLoginRefused = 205;
    static constexpr int kDenied = 206;
    static constexpr int kReadOnlySession = 207;
    static constexpr int kNoDatabase = 208;
    static constexpr int kServerStarting = 209;
    static constexpr int kServerFull = 210;

    explicit DbError(const std::string& description, int code = 0)
        : std::runtime_error(description), m_code(code) {}

    int code() const { return m_code; }

private:
    int m_code;
};
