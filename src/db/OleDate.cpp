#include "db/OleDate.h"

#include <cmath>
#include <ctime>

namespace {

constexpr double kMinOle = -657434.0;              // 0100-01-01
constexpr double kMaxOle = 2958465.99999999;       // 9999-12-31 23:59:59
constexpr long kOleEpochDays = -25569;             // 1899-12-30 in days since 1970-01-01

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
long daysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

void civilFromDays(long z, int& y, int& m, int& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long yy = static_cast<long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

OleDate fromTm(const std::tm& t) {
    return OleDate::fromDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

} // namespace

OleDate OleDate::fromDate(int year, int month, int day, int hour, int minute, int second) {
    const long days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kOleEpochDays;
    const double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    // Negative dates keep a forward-running fraction: -1 + 0.25 is written -1.25.
    return OleDate{days >= 0 ? days + time : days - time};
}

OleDate OleDate::today() { return now().dateOnly(); }

OleDate OleDate::now() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return fromTm(local);
}

bool OleDate::isValid() const {
    return std::isfinite(value) && value >= kMinOle && value <= kMaxOle;
}

std::optional<CivilDateTime> OleDate::split() const {
    if (!isValid())
        return std::nullopt;
    const double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    // Round to the second so 0.999999 of a day is not shown a second short.
    long seconds = std::lround(fraction * 86400.0);
    long days = static_cast<long>(whole);
    if (seconds >= 86400) {
        // The next calendar day has the next day number on both sides of the epoch: the whole
        // part of -1.9999999 is day -1 (29 Dec 1899) and its rounded midnight is day 0.
        seconds -= 86400;
        days += 1;
    }
    CivilDateTime c;
    civilFromDays(days + kOleEpochDays, c.year, c.month, c.day);
    c.hour = static_cast<int>(seconds / 3600);
    c.minute = static_cast<int>(seconds / 60 % 60);
    c.second = static_cast<int>(seconds % 60);
    return c;
}

OleDate OleDate::dateOnly() const {
    const auto c = split();
    return c ? fromDate(c->year, c->month, c->day) : *this;
}

OleDate OleDate::addDays(int days) const {
    const auto c = split();
    if (!c)
        return *this;
    const long d = daysFromCivil(c->year, static_cast<unsigned>(c->month), static_cast<unsigned>(c->day)) + days;
    int y, m, dd;
    civilFromDays(d, y, m, dd);
    return fromDate(y, m, dd, c->hour, c->minute, c->second);
}
