// Amounts as text: the regional currency format, padding for the totals panel and printouts,
// fixed decimals, and reading typed amounts back.
#include "invoice/MoneyFormat.h"
#include "invoice/MoneyText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

MoneyFormat euroLike() {
    MoneyFormat f;
    f.symbol = "€";
    f.decimalPoint = ",";
    f.groupSeparator = ".";
    f.symbolFirst = false;
    f.symbolSpace = true;
    return f;
}

class MoneyTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = MoneyFormat::current();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
    }
    void TearDown() override { MoneyFormat::setCurrent(saved); }
    MoneyFormat saved;
};

TEST_F(MoneyTextTest, MexicanCurrencyText) {
    EXPECT_EQ(FormatMoney(1240), "$1,240.00");
    EXPECT_EQ(FormatMoney(-1240.5), "-$1,240.50");
    EXPECT_EQ(FormatMoney(0), "$0.00");
    EXPECT_EQ(FormatMoney(7), "$7.00");
    EXPECT_EQ(FormatMoney(999), "$999.00");
    EXPECT_EQ(FormatMoney(1000), "$1,000.00");
    EXPECT_EQ(FormatMoney(1234567.891), "$1,234,567.89");
    EXPECT_EQ(FormatMoney(-1234567890.12), "-$1,234,567,890.12");
}

TEST_F(MoneyTextTest, RoundsTheSixDecimalTextHalfAwayFromZero) {
    EXPECT_EQ(FormatMoney(0.125), "$0.13");
    EXPECT_EQ(FormatMoney(-0.125), "-$0.13");
    EXPECT_EQ(FormatMoney(0.999), "$1.00");
    EXPECT_EQ(FormatMoney(0.333 * 3), "$1.00");
    // 2.675 is stored a hair below itself, but its six-decimal text "2.675000" rounds up.
    EXPECT_EQ(FormatMoney(2.675), "$2.68");
    EXPECT_EQ(FormatMoney(0.004999), "$0.00");
    // The carry runs through every digit and opens a new group.
    EXPECT_EQ(FormatMoney(999999.995), "$1,000,000.00");
    EXPECT_EQ(FormatMoney(-999.996), "-$1,000.00");
    // What rounds to zero has no sign.
    EXPECT_EQ(FormatMoney(-0.001), "$0.00");
    EXPECT_EQ(FormatMoney(-0.0), "$0.00");
}

TEST_F(MoneyTextTest, PlainAndBlankIfZero) {
    EXPECT_EQ(FormatMoney(1240.5, true), "1240.50");
    EXPECT_EQ(FormatMoney(-3, true), "-3.00");
    EXPECT_EQ(FormatMoney(0, true), "0.00");
    EXPECT_EQ(FormatMoney(0, false, true), "");
    EXPECT_EQ(FormatMoney(-0.0, false, true), "");
    EXPECT_EQ(FormatMoney(0, true, true), "");
    EXPECT_EQ(FormatMoney(5, false, true), "$5.00");
    EXPECT_EQ(FormatMoney(0.001, false, true), "$0.00") << "only an exact zero is left blank";
    // Never "nan" or "inf" on a document.
    for (bool plain : {false, true}) {
        EXPECT_EQ(FormatMoney(std::nan(""), plain), "") << plain;
        EXPECT_EQ(FormatMoney(std::numeric_limits<double>::infinity(), plain), "") << plain;
        EXPECT_EQ(FormatMoney(-std::numeric_limits<double>::infinity(), plain), "") << plain;
    }
}

TEST_F(MoneyTextTest, OtherRegionalFormats) {
    const MoneyFormat euro = euroLike();
    EXPECT_EQ(FormatMoney(1240.5, false, false, euro), "1.240,50 €");
    EXPECT_EQ(FormatMoney(-1240.5, false, false, euro), "-1.240,50 €");
    EXPECT_EQ(FormatMoney(0.5, false, false, euro), "0,50 €");
    // The process-wide format is what the default argument reads.
    MoneyFormat::setCurrent(euro);
    EXPECT_EQ(FormatMoney(1234567), "1.234.567,00 €");
    EXPECT_EQ(FormatMoney(2.5, true), "2.50") << "the plain text is not regional";

    MoneyFormat whole = MoneyFormat::mexican();
    whole.decimals = 0;
    EXPECT_EQ(FormatMoney(1240.5, false, false, whole), "$1,241");
    MoneyFormat ungrouped = MoneyFormat::mexican();
    ungrouped.groupSize = 0;
    EXPECT_EQ(FormatMoney(1234567.5, false, false, ungrouped), "$1234567.50");
    MoneyFormat three = MoneyFormat::mexican();
    three.decimals = 3;
    EXPECT_EQ(FormatMoney(1.0005, false, false, three), "$1.001");
    // A format with a nonsensical decimal count is read as none rather than out of bounds.
    MoneyFormat broken = MoneyFormat::mexican();
    broken.decimals = -3;
    EXPECT_EQ(FormatMoney(1240.5, false, false, broken), "$1,241");
    broken.groupSize = -1;
    EXPECT_EQ(FormatMoney(1240.5, false, false, broken), "$1241");
}

TEST_F(MoneyTextTest, PadMoneyRightJustifiesOrCuts) {
    EXPECT_EQ(PadMoney("$1,240.00", 14), "     $1,240.00");
    EXPECT_EQ(PadMoney("$0.00", 14).size(), 14u);
    EXPECT_EQ(PadMoney("$1,234,567,890.12", 14), "$1,234,567,890");
    EXPECT_EQ(PadMoney("$12,345,678.90", 14), "$12,345,678.90");
    EXPECT_EQ(PadMoney("", 3), "   ");
    EXPECT_EQ(PadMoney("abc", 0), "");
    // Width counts characters: the euro sign is one.
    EXPECT_EQ(PadMoney("1.240,50 €", 12), "  1.240,50 €");
    EXPECT_EQ(PadMoney("1.240,50 €", 10), "1.240,50 €");
    EXPECT_EQ(PadMoney("1.240,50 €", 9), "1.240,50 ");
}

TEST_F(MoneyTextTest, FormatNumberDecimals) {
    const double pi = 3.14159265;
    const char* wanted[] = {"3", "3.1", "3.14", "3.142", "3.1416", "3.14159", "3.141593"};
    for (int d = 0; d <= 6; ++d)
        EXPECT_EQ(FormatNumber(pi, d), wanted[d]) << d;
    EXPECT_EQ(FormatNumber(pi, -1), "3.141593");
    EXPECT_EQ(FormatNumber(pi, 7), "3.141593");
    EXPECT_EQ(FormatNumber(-1240.5, 2), "-1240.50");
    EXPECT_EQ(FormatNumber(1e6, 0), "1000000");
}

TEST_F(MoneyTextTest, ParseTypedAmounts) {
    struct Case { const char* text; double value; };
    const Case good[] = {
        {"$1,240.00", 1240},  {"1240", 1240},       {"1,240.5", 1240.5}, {"(5.00)", -5},     {"-$3", -3},
        {"$-3", -3},          {"3-", -3},           {"+7", 7},           {" $ 12.5 ", 12.5}, {".5", 0.5},
        {"0", 0},             {"$0.00", 0},         {"5.", 5},           {"($1,000.25)", -1000.25},
        {"1,234,567.8", 1234567.8},
    };
    for (const Case& c : good) {
        const auto v = TryParseMoney(c.text);
        ASSERT_TRUE(v.has_value()) << c.text;
        EXPECT_DOUBLE_EQ(*v, c.value) << c.text;
    }
    const char* bad[] = {"", "   ", "$", "abc", "12abc", "1.2.3", "--5", "(5", "5)", "-(5)", "1 2", "$$5",
                         "1e5", ",5", "1.240,50", "5%"};
    for (const char* text : bad)
        EXPECT_FALSE(TryParseMoney(text).has_value()) << '"' << text << '"';
}

TEST_F(MoneyTextTest, ParseKeepsFourDecimals) {
    // Fixed point with four decimals; beyond that, half to even.
    EXPECT_DOUBLE_EQ(*TryParseMoney("0.12344"), 0.1234);
    EXPECT_DOUBLE_EQ(*TryParseMoney("0.12346"), 0.1235);
    EXPECT_DOUBLE_EQ(*TryParseMoney("0.12345"), 0.1234);
    EXPECT_DOUBLE_EQ(*TryParseMoney("0.12355"), 0.1236);
    EXPECT_DOUBLE_EQ(*TryParseMoney("0.123450001"), 0.1235);
    EXPECT_DOUBLE_EQ(*TryParseMoney("1.99999"), 2.0);
    EXPECT_DOUBLE_EQ(*TryParseMoney("-1.99999"), -2.0);
    EXPECT_DOUBLE_EQ(*TryParseMoney("0000012.5"), 12.5);
}

TEST_F(MoneyTextTest, ParseRefusesWhatTheCurrencyTypeCannotHold) {
    // The currency type holds ±922,337,203,685,477.5807.
    const auto largest = TryParseMoney("922337203685477.5807");
    ASSERT_TRUE(largest.has_value());
    EXPECT_DOUBLE_EQ(*largest, 922337203685477.5807);
    EXPECT_TRUE(TryParseMoney("-922337203685477.5808").has_value());
    EXPECT_FALSE(TryParseMoney("922337203685477.5808").has_value());
    EXPECT_FALSE(TryParseMoney("999999999999999").has_value());
    EXPECT_FALSE(TryParseMoney("-999999999999999").has_value());
    EXPECT_FALSE(TryParseMoney("922337203685477.58075").has_value()) << "rounds up past the largest";
    EXPECT_FALSE(TryParseMoney("12345678901234567890").has_value());
}

TEST_F(MoneyTextTest, ParseRegionalTextAndRoundTrip) {
    const MoneyFormat euro = euroLike();
    EXPECT_DOUBLE_EQ(*TryParseMoney("1.240,50 €", euro), 1240.5);
    EXPECT_DOUBLE_EQ(*TryParseMoney("-1.240,50 €", euro), -1240.5);
    EXPECT_FALSE(TryParseMoney("$1,240.50", euro).has_value());
    // Locales that group with a (narrow) no-break space read their own text back.
    MoneyFormat spaced = euro;
    spaced.groupSeparator = "\u202F";
    EXPECT_EQ(FormatMoney(-1234567.5, false, false, spaced), "-1\u202F234\u202F567,50 €");
    EXPECT_DOUBLE_EQ(*TryParseMoney("-1\u202F234\u202F567,50 €", spaced), -1234567.5);
    for (double v : {0.0, 0.01, 1240.0, -1240.5, 1234567.89, -0.99, 999999.99}) {
        const auto mx = TryParseMoney(FormatMoney(v));
        ASSERT_TRUE(mx.has_value()) << v;
        EXPECT_DOUBLE_EQ(*mx, v);
        const auto eu = TryParseMoney(FormatMoney(v, false, false, euro), euro);
        ASSERT_TRUE(eu.has_value()) << v;
        EXPECT_DOUBLE_EQ(*eu, v);
    }
}

} // namespace
