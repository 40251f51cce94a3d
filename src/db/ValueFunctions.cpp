#include "db/ValueFunctions.h"

#include "db/SpanishText.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace {

const char* const kShortMonths[] = {"Ene", "Feb", "Mar", "Abr", "May", "Jun",
                                    "Jul", "Ago", "Sep", "Oct", "Nov", "Dic"};
const char* const kLongMonths[] = {"Enero", "Febrero", "Marzo",      "Abril",   "Mayo",      "Junio",
                                   "Julio", "Agosto",  "Septiembre", "Octubre", "Noviembre", "Diciembre"};

std::string twoDigits(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

DbValue dayValue(OleDate date) {
    return date.isValid() ? DbValue{date.dateOnly().value} : DbValue{};
}

} // namespace

SqlCondition BetweenDates(OleDate from, OleDate to) {
    const DbValue upper = to.isValid() ? dayValue(to.addDays(1)) : DbValue{};
    return {"Between ? And ?", {dayValue(from), upper}};
}

std::string DateToText(OleDate date, bool longMonth, bool time) {
    const auto c = date.split();
    if (time)
        return c ? twoDigits(c->hour) + ":" + twoDigits(c->minute) : std::string("00:00");
    if (!c || c->year <= 1900)
        return "--/--/--";
    const char* month = (longMonth ? kLongMonths : kShortMonths)[c->month - 1];
    return twoDigits(c->day) + "/" + month + "/" + std::to_string(c->year);
}

std::string NumberToText(long number) { return std::to_string(number); }

std::string PadZeros(std::string_view text, std::size_t width) {
    const std::size_t length = SpanishText::length(text);
    return length >= width ? std::string(text) : std::string(width - length, '0') + std::string(text);
}

std::string NumberToPaddedText(long number, std::size_t width) { return PadZeros(NumberToText(number), width); }

std::string PadRight(std::string_view text, std::size_t width) {
    if (width == 0)
        return std::string(text);
    const std::size_t length = SpanishText::length(text);
    if (length >= width)
        return SpanishText::left(text, width);
    return std::string(text) + std::string(width - length, ' ');
}

namespace {

// The leading decimal number of a folio text, reading no further once it exceeds a Long.
long long leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value <= INT_MAX; ++i)
        value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

} // namespace

long ParseFolioText(std::string_view text) {
    // A folio is a 32-bit Long; more digits than that cannot be one.
    return static_cast<long>(std::clamp<long long>(leadingNumber(text), -INT_MAX, INT_MAX));
}

std::optional<std::int32_t> ReadFolio(std::string_view text) {
    const long long value = leadingNumber(text);
    if (value > INT_MAX || value < INT_MIN)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}
