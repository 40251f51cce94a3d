#pragma once

#include <string>

// The total of a document in Spanish words, as printed on Mexican invoices:
// 1242.50 → "UN MIL DOSCIENTOS CUARENTA Y DOS PESOS 50/100 M.N.". The doubled blanks that the
// hundreds words leave ("CIEN  PESOS") are part of the printed forms and are kept.

// Words of the whole pesos, the currency word, the cents over 100 and the suffix. Amounts of a
// million or more give "Numero fuera de rango!"; negative amounts "MENOS " and the words of the
// absolute value.
std::string AmountInWords(double amount);
// Words of 0 … 999,999 ("Cero" for 0), or "Numero fuera de rango!".
std::string IntegerInWords(long long n);
// Words of 0 … 99 from `count` (1 or 2) digits, least significant first.
std::string TwoDigitWords(const int* digits, int count);

// The process-wide currency word and suffix, "PESOS" and "M.N." until start-up reads the database.
void SetCurrencyWords(const std::string& name, const std::string& suffix);
const std::string& CurrencyName();
const std::string& CurrencySuffix();
