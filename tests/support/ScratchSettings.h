#pragma once

#include "platform/ui/SettingsStore.h"

#include <QSettings>
#include <QString>

// Points the user-scope settings into `folder`, so a test never reads or writes the operator's own.
inline void UseScratchSettings(const QString& folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
}

// The program's settings as the program opens them, for a test to seed, clear or read back.
inline QSettings ProgramSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(SettingsStore::kOrganization),
                     QLatin1String(SettingsStore::kApplication));
}
