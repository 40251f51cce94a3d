// Dates as OLE automation days, the period condition, and the small text helpers of folios and
// columns.
#include "db/Database.h"
#include "db/OleDate.h"
#include "db/ValueFunctions.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Civil { int y, mo, d, h, mi, s; };

void expectSplit(OleDate date, Civil want) {
    const auto c = date.split();
    ASSERT_TRUE(c.has_value()) << date.value;
    EXPECT_EQ(c->year, want.y) << date.value;
    EXPECT_EQ(c->month, want.mo) << date.value;
    EXPECT_EQ(c->day, want.d) << date.value;
    EXPECT_EQ(c->hour, want.h) << date.value;
    EXPECT_EQ(c->minute, want.mi) << date.value;
    EXPECT_EQ(c->second, want.s) << date.value;
}

TEST(OleDate, KnownDayNumbers) {
    // Automation dates have no 29 February 1900: day 60 is the 28th, day 61 the 1st of March.
    EXPECT_EQ(OleDate::fromDate(1899, 12, 30).value, 0.0);
    EXPECT_EQ(OleDate::fromDate(1900, 1, 1).value, 2.0);
    EXPECT_EQ(OleDate::fromDate(1900, 3, 1).value, 61.0);
    EXPECT_EQ(OleDate::fromDate(2004, 3, 5).value, 38051.0);
    EXPECT_DOUBLE_EQ(OleDate::fromDate(2004, 3, 5, 18, 0, 0).value, 38051.75);
    // Before the epoch the day counts back and the hour still runs forward.
    EXPECT_DOUBLE_EQ(OleDate::fromDate(1899, 12, 29, 6, 0, 0).value, -1.25);
    EXPECT_EQ(OleDate::fromDate(1850, 6, 15).value, -18095.0);
    expectSplit(OleDate{-1.25}, {1899, 12, 29, 6, 0, 0});
    expectSplit(OleDate{-0.5}, {1899, 12, 30, 12, 0, 0});
}

TEST(OleDate, RoundTripsOnBothSidesOfTheEpoch) {
    const Civil dates[] = {{2004, 3, 5, 9, 5, 0},     {2000, 2, 29, 23, 59, 59}, {1999, 12, 31, 0, 0, 1},
                           {1900, 1, 1, 12, 30, 0},   {1899, 12, 30, 0, 0, 0},   {1899, 12, 29, 23, 59, 59},
                           {1850, 6, 15, 13, 30, 45}, {1600, 2, 29, 8, 0, 0},    {100, 1, 1, 0, 0, 0},
                           {9999, 12, 31, 23, 59, 59}};
    for (const Civil& c : dates) {
        const OleDate d = OleDate::fromDate(c.y, c.mo, c.d, c.h, c.mi, c.s);
        EXPECT_TRUE(d.isValid()) << c.y;
        expectSplit(d, c);
        expectSplit(d.dateOnly(), {c.y, c.mo, c.d, 0, 0, 0});
    }
    expectSplit(OleDate::fromDate(2004, 2, 28, 10, 0, 0).addDays(1), {2004, 2, 29, 10, 0, 0});
    expectSplit(OleDate::fromDate(1899, 12, 29, 6, 0, 0).addDays(2), {1899, 12, 31, 6, 0, 0});
    expectSplit(OleDate::fromDate(1900, 1, 1, 6, 0, 0).addDays(-3), {1899, 12, 29, 6, 0, 0});
}

TEST(OleDate, FractionsRoundToTheNearestSecondIntoTheNextDay) {
    // Half a second short of midnight is midnight of the next calendar day, on either side of
    // the epoch (before it, the next day has the greater day number too).
    const double almost = 1.0 - 0.4 / 86400.0;
    expectSplit(OleDate{38051 + almost}, {2004, 3, 6, 0, 0, 0});
    expectSplit(OleDate{-1 - almost}, {1899, 12, 30, 0, 0, 0});
    expectSplit(OleDate{-2 - almost}, {1899, 12, 29, 0, 0, 0});
    expectSplit(OleDate{-2 - almost}.dateOnly(), {1899, 12, 29, 0, 0, 0});
}

TEST(OleDate, InvalidValues) {
    for (double v : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1e7, 3e6}) {
        const OleDate d{v};
        EXPECT_FALSE(d.isValid()) << v;
        EXPECT_FALSE(d.split().has_value()) << v;
        EXPECT_FALSE(d.addDays(1).isValid()) << v;
    }
}

class BetweenDatesTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = testDb.create();
        const OleDate stamps[] = {
            OleDate::fromDate(2004, 2, 29, 23, 59, 59), // the day before the period
            OleDate::fromDate(2004, 3, 1, 0, 0, 0),     // first moment of the period
            OleDate::fromDate(2004, 3, 15, 12, 0, 0),
            OleDate::fromDate(2004, 3, 31, 23, 59, 0),  // last minute of the last day
            OleDate::fromDate(2004, 4, 1, 0, 0, 1),     // one second after the period
        };
        for (std::size_t i = 0; i < std::size(stamps); ++i)
            db->execute("INSERT INTO Documentos (Folio, Fecha) VALUES (?, ?)",
                        {static_cast<std::int64_t>(i), stamps[i].value});
    }

    std::vector<std::int64_t> folios(const SqlCondition& c) {
        Statement st = db->prepare("SELECT Folio FROM Documentos WHERE Fecha " + c.sql + " ORDER BY Folio");
        st.bindAll(c.params);
        std::vector<std::int64_t> out;
        while (st.step())
            out.push_back(st.integer(0));
        return out;
    }

    TestDatabase testDb;
    std::unique_ptr<Database> db;
};

TEST_F(BetweenDatesTest, TheWholeLastDayIsInside) {
    // The hours of the dates given do not narrow the period.
    const auto march = BetweenDates(OleDate::fromDate(2004, 3, 1, 17, 0, 0), OleDate::fromDate(2004, 3, 31, 8, 0, 0));
    EXPECT_EQ(folios(march), (std::vector<std::int64_t>{1, 2, 3}));
    const auto oneDay = BetweenDates(OleDate::fromDate(2004, 3, 31), OleDate::fromDate(2004, 3, 31));
    EXPECT_EQ(folios(oneDay), (std::vector<std::int64_t>{3}));
    // Across the end of a leap February; the period's end is inclusive, so a row stamped exactly at
    // midnight of the following day counts too.
    const auto leap = BetweenDates(OleDate::fromDate(2004, 2, 29), OleDate::fromDate(2004, 2, 29));
    EXPECT_EQ(folios(leap), (std::vector<std::int64_t>{0, 1}));
}

TEST_F(BetweenDatesTest, InvalidDatesMatchNothing) {
    const OleDate bad{std::numeric_limits<double>::quiet_NaN()};
    const OleDate good = OleDate::fromDate(2004, 3, 15);
    EXPECT_TRUE(folios(BetweenDates(bad, good)).empty());
    EXPECT_TRUE(folios(BetweenDates(good, bad)).empty());
    EXPECT_TRUE(folios(BetweenDates(OleDate{-1e9}, OleDate{1e9})).empty());
}

TEST(DateToText, DaysMonthsAndTimes) {
    const OleDate d = OleDate::fromDate(2004, 3, 5, 9, 5, 30);
    EXPECT_EQ(DateToText(d), "05/Mar/2004");
    EXPECT_EQ(DateToText(d, true), "05/Marzo/2004");
    EXPECT_EQ(DateToText(d, false, true), "09:05");
    EXPECT_EQ(DateToText(d, true, true), "09:05");
    EXPECT_EQ(DateToText(OleDate::fromDate(2010, 1, 31)), "31/Ene/2010");
    EXPECT_EQ(DateToText(OleDate::fromDate(2010, 12, 1), true), "01/Diciembre/2010");
    EXPECT_EQ(DateToText(OleDate::fromDate(2010, 9, 10), true), "10/Septiembre/2010");
    EXPECT_EQ(DateToText(OleDate::fromDate(2010, 8, 10)), "10/Ago/2010");
    EXPECT_EQ(DateToText(OleDate::fromDate(1901, 1, 1)), "01/Ene/1901");
    EXPECT_EQ(DateToText(OleDate::fromDate(2004, 3, 5, 23, 59, 0), false, true), "23:59");

    EXPECT_EQ(DateToText(OleDate{}), "--/--/--");
    EXPECT_EQ(DateToText(OleDate::fromDate(1900, 12, 31, 23, 0, 0)), "--/--/--");
    EXPECT_EQ(DateToText(OleDate::fromDate(1850, 6, 15), true), "--/--/--");
    EXPECT_EQ(DateToText(OleDate{std::numeric_limits<double>::quiet_NaN()}), "--/--/--");
    EXPECT_EQ(DateToText(OleDate{1e12}), "--/--/--");
}

TEST(TextHelpers, PadZerosAndFolios) {
    EXPECT_EQ(NumberToPaddedText(123), "000123");
    EXPECT_EQ(NumberToPaddedText(0), "000000");
    EXPECT_EQ(NumberToPaddedText(1234567), "1234567");
    EXPECT_EQ(NumberToPaddedText(123456), "123456");
    EXPECT_EQ(NumberToPaddedText(42, 3), "042");
    EXPECT_EQ(NumberToText(-2147483647L), "-2147483647");
    EXPECT_EQ(PadZeros("", 3), "000");
    EXPECT_EQ(PadZeros("ñ", 3), "00ñ");
    EXPECT_EQ(PadZeros("abcd", 2), "abcd");
}

TEST(TextHelpers, PadRightCountsCharacters) {
    EXPECT_EQ(PadRight("Peña", 0), "Peña");
    EXPECT_EQ(PadRight("Peña", 6), "Peña  ");
    EXPECT_EQ(PadRight("Peña", 4), "Peña");
    EXPECT_EQ(PadRight("Peñasco", 3), "Peñ");
    EXPECT_EQ(PadRight("ÁÉÍ", 2), "ÁÉ");
    EXPECT_EQ(PadRight("", 2), "  ");
    EXPECT_EQ(PadRight("abc", 1), "a");
}

TEST(TextHelpers, ParseFolioText) {
    EXPECT_EQ(ParseFolioText(" -12abc"), -12);
    EXPECT_EQ(ParseFolioText("000123"), 123);
    EXPECT_EQ(ParseFolioText("+7 8"), 7);
    EXPECT_EQ(ParseFolioText("\t 45"), 45);
    EXPECT_EQ(ParseFolioText("abc"), 0);
    EXPECT_EQ(ParseFolioText(""), 0);
    EXPECT_EQ(ParseFolioText("   "), 0);
    EXPECT_EQ(ParseFolioText("-"), 0);
    EXPECT_EQ(ParseFolioText("--5"), 0);
    EXPECT_EQ(ParseFolioText("12-3"), 12);
    // A run of digits longer than a Long holds stays within a Long.
    EXPECT_EQ(ParseFolioText("99999999999999999999999"), 2147483647);
    EXPECT_EQ(ParseFolioText("-99999999999999999999999"), -2147483647);
}

TEST(TextHelpers, ReadFolioRefusesWhatALongCannotHold) {
    EXPECT_EQ(ReadFolio("2147483647"), 2147483647);
    EXPECT_EQ(ReadFolio("0002147483647x"), 2147483647);
    EXPECT_EQ(ReadFolio("000123"), 123);
    EXPECT_EQ(ReadFolio(""), 0);
    EXPECT_EQ(ReadFolio("-2147483648"), -2147483647 - 1);
    for (const char* big : {"2147483648", "9999999999", "99999999999999999999999", "-2147483649"})
        EXPECT_EQ(ReadFolio(big), std::nullopt) << big;
}

} // namespace
