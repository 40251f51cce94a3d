// The total in words as Mexican invoices print it, to the byte: the doubled blanks that the
// hundreds words leave are part of the printed text.
#include "invoice/AmountInWords.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class AmountInWordsTest : public ::testing::Test {
protected:
    // The currency words are process-wide; every test starts from and returns to the defaults.
    void SetUp() override { SetCurrencyWords("PESOS", "M.N."); }
    void TearDown() override { SetCurrencyWords("PESOS", "M.N."); }
};

struct Worked {
    double amount;
    const char* text;
};

TEST_F(AmountInWordsTest, WorkedValues) {
    const Worked table[] = {
        {0.75, "Cero PESOS 75/100 M.N."},
        {21, "VEINTIUN PESOS 00/100 M.N."},
        {100, "CIEN  PESOS 00/100 M.N."},
        {120, "CIENTO  VEINTE PESOS 00/100 M.N."},
        {1242.50, "UN MIL DOSCIENTOS CUARENTA Y DOS PESOS 50/100 M.N."},
        {15000, "QUINCE MIL  PESOS 00/100 M.N."},
        {100100, "CIEN MIL CIEN PESOS 00/100 M.N."},
        {999999.99, "NOVECIENTOS NOVENTA Y NUEVE MIL NOVECIENTOS NOVENTA Y NUEVE PESOS 99/100 M.N."},
        {1000000, "Numero fuera de rango!"},
        // The edges around them.
        {999999.999, "Numero fuera de rango!"},
        {1000, "UN MIL  PESOS 00/100 M.N."},
        {2000, "DOS MIL  PESOS 00/100 M.N."},
        {101, "CIENTO  UN PESOS 00/100 M.N."},
        {101000, "CIENTO UN MIL  PESOS 00/100 M.N."},
        {0, "Cero PESOS 00/100 M.N."},
        {0.999, "UN PESOS 00/100 M.N."},
        {0.01, "Cero PESOS 01/100 M.N."},
        {1, "UN PESOS 00/100 M.N."},
        {10, "DIEZ PESOS 00/100 M.N."},
        {16, "DIECISEIS PESOS 00/100 M.N."},
        {20, "VEINTE PESOS 00/100 M.N."},
        {29, "VEINTINUEVE PESOS 00/100 M.N."},
        {31, "TREINTA Y UN PESOS 00/100 M.N."},
        {90, "NOVENTA PESOS 00/100 M.N."},
        {500, "QUINIENTOS   PESOS 00/100 M.N."},
        {110, "CIENTO  DIEZ PESOS 00/100 M.N."},
        {1001, "UN MIL UN PESOS 00/100 M.N."},
        {1100, "UN MIL CIEN PESOS 00/100 M.N."},
        {1101, "UN MIL CIENTO UN PESOS 00/100 M.N."},
        {10000, "DIEZ MIL  PESOS 00/100 M.N."},
        {21000, "VEINTIUN MIL  PESOS 00/100 M.N."},
        {99999.5, "NOVENTA Y NUEVE MIL NOVECIENTOS NOVENTA Y NUEVE PESOS 50/100 M.N."},
        {100000, "CIEN MIL  PESOS 00/100 M.N."},
        {200000, "DOSCIENTOS  MIL  PESOS 00/100 M.N."},
        {120001, "CIENTO VEINTE MIL UN PESOS 00/100 M.N."},
        {777777.77, "SETECIENTOS SETENTA Y SIETE MIL SETECIENTOS SETENTA Y SIETE PESOS 77/100 M.N."},
    };
    for (const Worked& w : table)
        EXPECT_EQ(AmountInWords(w.amount), w.text) << w.amount;
}

TEST_F(AmountInWordsTest, TwoDigitAndIntegerWords) {
    const int twentyOne[] = {1, 2};
    const int twentyTwo[] = {2, 2};
    const int seven[] = {7, 0};
    const int zero[] = {0, 0};
    const int nineteen[] = {9, 1};
    EXPECT_EQ(TwoDigitWords(twentyOne, 2), "VEINTIUN");
    EXPECT_EQ(TwoDigitWords(twentyTwo, 2), "VEINTIDOS");
    EXPECT_EQ(TwoDigitWords(seven, 2), "SIETE");
    EXPECT_EQ(TwoDigitWords(seven, 1), "SIETE");
    EXPECT_EQ(TwoDigitWords(zero, 2), "");
    EXPECT_EQ(TwoDigitWords(nineteen, 2), "DIECINUEVE");
    EXPECT_EQ(TwoDigitWords(twentyOne, 3), "");
    EXPECT_EQ(IntegerInWords(0), "Cero");
    EXPECT_EQ(IntegerInWords(999999), "NOVECIENTOS NOVENTA Y NUEVE MIL NOVECIENTOS NOVENTA Y NUEVE");
    EXPECT_EQ(IntegerInWords(1000000), "Numero fuera de rango!");
    EXPECT_EQ(IntegerInWords(std::numeric_limits<long long>::max()), "Numero fuera de rango!");
    EXPECT_EQ(IntegerInWords(std::numeric_limits<long long>::min()), "Numero fuera de rango!");
}

TEST_F(AmountInWordsTest, NegativeAmountsSayMenos) {
    EXPECT_EQ(AmountInWords(-1242.5), "MENOS UN MIL DOSCIENTOS CUARENTA Y DOS PESOS 50/100 M.N.");
    EXPECT_EQ(AmountInWords(-100), "MENOS CIEN  PESOS 00/100 M.N.");
    EXPECT_EQ(AmountInWords(-0.5), "MENOS Cero PESOS 50/100 M.N.");
    // Nothing left after rounding to cents: no sign.
    EXPECT_EQ(AmountInWords(-0.004), "Cero PESOS 00/100 M.N.");
    EXPECT_EQ(AmountInWords(-0.0), "Cero PESOS 00/100 M.N.");
    EXPECT_EQ(AmountInWords(-1000000), "Numero fuera de rango!");
    EXPECT_EQ(AmountInWords(-999999.999), "Numero fuera de rango!");
}

TEST_F(AmountInWordsTest, AmountsNoPrinterCanShow) {
    EXPECT_EQ(AmountInWords(1e20), "Numero fuera de rango!");
    EXPECT_EQ(AmountInWords(-1e300), "Numero fuera de rango!");
    EXPECT_EQ(AmountInWords(std::numeric_limits<double>::max()), "Numero fuera de rango!");
    EXPECT_EQ(AmountInWords(std::numeric_limits<double>::infinity()), "Numero fuera de rango!");
    EXPECT_EQ(AmountInWords(std::nan("")), "Numero fuera de rango!");
}

TEST_F(AmountInWordsTest, CurrencyWordsFromTheDatabase) {
    EXPECT_EQ(CurrencyName(), "PESOS");
    EXPECT_EQ(CurrencySuffix(), "M.N.");
    SetCurrencyWords("DÓLARES", "USD");
    EXPECT_EQ(CurrencyName(), "DÓLARES");
    EXPECT_EQ(AmountInWords(21.5), "VEINTIUN DÓLARES 50/100 USD");
    EXPECT_EQ(AmountInWords(1000000), "Numero fuera de rango!");
    // Empty columns replace the words with empty text; the blanks of the format stay.
    SetCurrencyWords("", "");
    EXPECT_EQ(AmountInWords(2), "DOS  00/100 ");
}

} // namespace
