#pragma once

#include <string>

// When the daily backup is due, from days written "AAAA-MM-DD" (as the settings keep the day of the
// last backup; empty when there was none).
class CDailyBackupDay final {
public:
    // At the program's start: unless today's backup was taken.
    static bool DueAtStart(const std::string& lastBackup, const std::string& today);
    // While the program stays open (and at its close): once the date moved past the day it
    // started on, unless that day's backup was taken. A clock set back is no new day.
    static bool DueWhileOpen(const std::string& started, const std::string& lastBackup, const std::string& today);
};
