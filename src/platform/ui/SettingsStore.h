#pragma once

#include "platform/ApplicationState.h"

#include <QString>
#include <QVariant>

// The workstation settings of group "Config", organisation "TOLVAN Soft", application
// "Quintaleva 2": the registry key on Windows, ~/.config/TOLVAN Soft/Quintaleva 2.conf on Linux.
// A value that is missing or unreadable gives its default.
class SettingsStore final {
public:
    static constexpr const char* kOrganization = "TOLVAN Soft";
    static constexpr const char* kApplication = "Quintaleva 2";

    static Settings read();
    static int readInt(const char* name, int defaultValue);
    static QString readText(const char* name);
    static QString readText(const char* name, const QString& defaultValue);
    static bool contains(const char* name);
    static void write(const char* name, const QVariant& value);
};
