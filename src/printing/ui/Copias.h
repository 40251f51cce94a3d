#pragma once

#include <QString>

#include <optional>

// The number of copies a print asks for, shared by the format selection and the registration
// dialogs: a whole number from 1 to 5.
inline constexpr int kMinCopias = 1;
inline constexpr int kMaxCopias = 5;

// The copies typed in `text` (blanks around it allowed); nothing when it is not a whole number
// from 1 to 5.
std::optional<int> ReadCopias(const QString& text);
// The framework's range message, "Please enter an integer between 1 and 5."
QString CopiasRangeMessage();
