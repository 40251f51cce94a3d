#pragma once

#include <optional>

// A calendar date and time as an OLE automation date: days since 1899-12-30, the fraction being
// the time of day. Before that day the whole part counts back while the fraction still runs
// forward (-1.25 is 1899-12-29 06:00), as automation dates always did. Stored as REAL.
struct CivilDateTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

struct OleDate final {
    double value = 0.0;

    static OleDate fromDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    static OleDate today();
    static OleDate now();

    // Automation dates are defined for the years 100 to 9999.
    bool isValid() const;
    // The calendar fields, or nothing when the date is not valid.
    std::optional<CivilDateTime> split() const;
    // The same day at midnight; a whole day later or earlier.
    OleDate dateOnly() const;
    OleDate addDays(int days) const;

    friend bool operator==(OleDate a, OleDate b) { return a.value == b.value; }
};
