#include "config/DailyBackupDay.h"

#include <gtest/gtest.h>

TEST(DailyBackupDay, OncePerDayAtStartAndAfterMidnightWhileOpen) {
    EXPECT_TRUE(CDailyBackupDay::DueAtStart("", "2026-12-08"));
    EXPECT_TRUE(CDailyBackupDay::DueAtStart("2026-12-07", "2026-12-08"));
    EXPECT_FALSE(CDailyBackupDay::DueAtStart("2026-12-08", "2026-12-08"));

    // Started on the 8th and backed up then: nothing until the date changes.
    EXPECT_FALSE(CDailyBackupDay::DueWhileOpen("2026-12-08", "2026-12-08", "2026-12-08"));
    EXPECT_TRUE(CDailyBackupDay::DueWhileOpen("2026-12-08", "2026-12-08", "2026-12-09"));
    // Across a month and a year, and after days left open.
    EXPECT_TRUE(CDailyBackupDay::DueWhileOpen("2026-12-31", "2026-12-31", "2027-01-01"));
    EXPECT_TRUE(CDailyBackupDay::DueWhileOpen("2026-12-08", "2026-12-09", "2026-12-11"));
    // The new day's backup already taken (by the timer, or another start of the program).
    EXPECT_FALSE(CDailyBackupDay::DueWhileOpen("2026-12-08", "2026-12-09", "2026-12-09"));
    // The start's backup failed the same day: the next start tries again, not the close.
    EXPECT_FALSE(CDailyBackupDay::DueWhileOpen("2026-12-08", "2026-12-07", "2026-12-08"));
    // A clock set back.
    EXPECT_FALSE(CDailyBackupDay::DueWhileOpen("2026-12-08", "2026-12-08", "2026-12-07"));
}
