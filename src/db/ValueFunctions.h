#pragma once

#include "db/DbValue.h"
#include "db/OleDate.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A condition to append to SQL text, with the values of its "?" placeholders.
struct SqlCondition {
    std::string sql;
    std::vector<DbValue> params;
};

// The period condition "Between ? And ?" from the first date's day to the start of the day after
// the second date, both ends included: every row of the last day, at any hour, falls inside. A
// date that is not valid binds Null, so the period matches nothing.
SqlCondition BetweenDates(OleDate from, OleDate to);

// 05/Mar/2004 (or 05/Marzo/2004 with longMonth); 09:05 with time; "--/--/--" for a date that is
// not valid or falls in 1900 or earlier (the zero date among them).
std::string DateToText(OleDate date, bool longMonth = false, bool time = false);

std::string NumberToText(long number);
// Leading "0" characters up to `width`; longer text is returned unchanged.
std::string PadZeros(std::string_view text, std::size_t width);
// Folios show as six digits: 123 → "000123".
std::string NumberToPaddedText(long number, std::size_t width = 6);
// Width 0: unchanged; longer: cut to `width` characters; shorter: blanks on the right.
std::string PadRight(std::string_view text, std::size_t width);

// The reading half of a folio edit: the leading decimal number of the text (leading blanks and a
// sign allowed, reading stops at the first other character); empty or no digits gives 0.
long ParseFolioText(std::string_view text);
// The same reading for a folio that is kept: nothing when the number does not fit a Long (a
// folio beyond 2147483647 is refused, not taken as another one).
std::optional<std::int32_t> ReadFolio(std::string_view text);
