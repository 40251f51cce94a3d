#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class CComboTabla;
class CTolEdit;
class Database;
class QWidget;

// The print choice shared by the format selection and the registration dialogs: the number of
// copies, a whole number from 1 to 5, and the list of page-printer formats.
inline constexpr int kMinCopias = 1;
inline constexpr int kMaxCopias = 5;

// The copies box: digits only, two at the most, right-aligned, proposing one copy.
CTolEdit* NewCopiasEdit(QWidget* parent);
// The copies typed in `text` (blanks around it allowed); nothing when it is not a whole number
// from 1 to 5.
std::optional<int> ReadCopias(const QString& text);
// The framework's range message, "Please enter an integer between 1 and 5."
QString CopiasRangeMessage();
// The copies typed in `edit`; when they are out of range, says so and gives the box back the
// focus with its text selected.
std::optional<int> CheckCopias(CTolEdit& edit);

// Lists the page-printer formats (never a ticket format) in `list` and selects the first; a
// database error is shown and leaves the list empty.
void FillPageFormats(CComboTabla& list, Database& db);
// The id of the format chosen in `list` (-1 when none is); a database error is shown and gives
// nothing.
std::optional<std::int32_t> SelectedPageFormat(const CComboTabla& list);
