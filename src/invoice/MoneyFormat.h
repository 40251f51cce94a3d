#pragma once

#include <string>

// The user's regional currency format. One process-wide instance, set once at start-up from the
// system locale (Mexican pesos where the locale has no currency of its own); tests set it too.
struct MoneyFormat final {
    std::string symbol = "$";
    std::string decimalPoint = ".";
    std::string groupSeparator = ",";
    int decimals = 2;
    int groupSize = 3;       // 0: no grouping
    bool symbolFirst = true; // "$1.00" rather than "1,00 €"
    bool symbolSpace = false;

    static MoneyFormat mexican() { return {}; }
    static const MoneyFormat& current();
    static void setCurrent(const MoneyFormat& format);
};
