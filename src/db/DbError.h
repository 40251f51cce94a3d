#pragma once

#include <stdexcept>
#include <string>

// The one exception of the data layer. Its text is the engine's own description of the failure
// (or ours, in Spanish, for a file that is not one of our databases); the dialog that ran the
// operation shows it.
class DbError final : public std::runtime_error {
public:
    explicit DbError(const std::string& description) : std::runtime_error(description) {}
};
