#include "config/DailyBackupDay.h"

bool CDailyBackupDay::DueAtStart(const std::string& lastBackup, const std::string& today) {
    return !today.empty() && today != lastBackup;
}

bool CDailyBackupDay::DueWhileOpen(const std::string& started, const std::string& lastBackup, const std::string& today) {
    // ISO days sort as the dates do.
    return DueAtStart(lastBackup, today) && today > started;
}
