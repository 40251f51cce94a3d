#pragma once

#include <stdexcept>
#include <string>

// The one exception of the data layer. Its text is the engine's own description of the failure
// (or ours, in Spanish, for a file that is not one of our databases); `code()` is the engine's
// extended result code, 0 when the text is ours and already speaks to the operator. The dialog
// that ran the operation shows it through DbErrorText (db/DbErrorText.h).
class DbError final : public std::runtime_error {
public:
    // The engine's generic failure (SQLITE_ERROR), for the English texts of our record sets that
    // stand in for the engine's own.
    static constexpr int kGeneric = 1;
    // The server wants a password, or refused the one given: ask the operator for it.
    static constexpr int kAuth = 0x10017;

    explicit DbError(const std::string& description, int code = 0)
        : std::runtime_error(description), m_code(code) {}

    int code() const { return m_code; }

private:
    int m_code;
};
