#include "invoice/AmountInWords.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const char* const kUnits[] = {"", "UN", "DOS", "TRES", "CUATRO", "CINCO", "SEIS", "SIETE", "OCHO", "NUEVE"};
const char* const kTeens[] = {"DIEZ", "ONCE", "DOCE", "TRECE", "CATORCE", "QUINCE",
                              "DIECISEIS", "DIECISIETE", "DIECIOCHO", "DIECINUEVE"};
const char* const kTens[] = {"", "", "VEINTE", "TREINTA", "CUARENTA", "CINCUENTA",
                             "SESENTA", "SETENTA", "OCHENTA", "NOVENTA"};
const char* const kHundreds[] = {"", "CIENTO ", "DOSCIENTOS ", "TRESCIENTOS ", "CUATROCIENTOS ",
                                 "QUINIENTOS ", "SEISCIENTOS ", "SETECIENTOS ", "OCHOCIENTOS ", "NOVECIENTOS "};
const char* const kOutOfRange = "Numero fuera de rango!";

std::string& currencyName() {
    static std::string name = "PESOS";
    return name;
}

std::string& currencySuffix() {
    static std::string suffix = "M.N.";
    return suffix;
}

// A hundreds word, or "CIEN" when it is exactly one hundred of its group.
std::string hundreds(int digit, const std::string& rest) {
    return (digit == 1 && rest.empty()) ? std::string("CIEN") : std::string(kHundreds[digit]);
}

} // namespace

std::string TwoDigitWords(const int* digits, int count) {
    if (count == 1)
        return kUnits[digits[0]];
    if (count != 2)
        return {};
    const int u = digits[0], t = digits[1];
    if (t == 1)
        return kTeens[u];
    std::string tens = kTens[t];
    const std::string units = kUnits[u];
    std::string connector;
    if (!tens.empty() && !units.empty()) {
        if (tens.back() == 'E') { // VEINTE + UN → VEINTIUN
            tens.pop_back();
            connector = "I";
        } else {
            connector = " Y ";
        }
    }
    return tens + connector + units;
}

std::string IntegerInWords(long long n) {
    if (n == 0)
        return "Cero";
    if (n < 0)
        return n < -999999 ? kOutOfRange : "MENOS " + IntegerInWords(-n);
    if (n > 999999)
        return kOutOfRange;
    int d[6] = {};
    int k = 0;
    for (long long rest = n; rest > 0; rest /= 10)
        d[k++] = static_cast<int>(rest % 10);
    if (k <= 2)
        return TwoDigitWords(d, k);
    const std::string r = TwoDigitWords(d, 2);
    if (k == 3)
        return hundreds(d[2], r) + " " + r;
    if (k <= 5) {
        const std::string a = k == 4 ? std::string(kUnits[d[3]]) : TwoDigitWords(d + 3, 2);
        return a + " MIL " + hundreds(d[2], r) + r;
    }
    const std::string a = TwoDigitWords(d + 3, 2);
    return hundreds(d[5], a) + a + " MIL " + hundreds(d[2], r) + r;
}

std::string AmountInWords(double amount) {
    if (!std::isfinite(amount))
        return kOutOfRange;
    char s[512];
    std::snprintf(s, sizeof s, "%.2f", std::fabs(amount));
    const std::string text = s;
    const std::string whole = text.substr(0, text.size() - 3);
    const std::string cents = text.substr(text.size() - 2);
    // More digits than a long long holds are out of range anyway.
    const long long n = whole.size() > 15 ? 1000000 : std::atoll(whole.c_str());
    const std::string words = IntegerInWords(n);
    if (words == kOutOfRange)
        return words;
    // A negative amount that rounds to 0.00 has nothing to say "MENOS" about.
    const bool negative = amount < 0 && text != "0.00";
    return (negative ? "MENOS " : "") + words + " " + currencyName() + " " + cents + "/100 " + currencySuffix();
}

void SetCurrencyWords(const std::string& name, const std::string& suffix) {
    currencyName() = name;
    currencySuffix() = suffix;
}

const std::string& CurrencyName() { return currencyName(); }
const std::string& CurrencySuffix() { return currencySuffix(); }
