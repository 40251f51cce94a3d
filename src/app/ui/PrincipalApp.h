#pragma once

#include "app/ApplicationState.h"

#include <QString>

#include <functional>
#include <memory>

class Database;

// Start-up and the whole run: settings, finding and opening the database, the values every part
// shares, the access password, then the main window until it closes.
class CPrincipalApp final {
public:
    CPrincipalApp();
    ~CPrincipalApp();

    // The process's exit code: 0 when the run ended normally (cancelled prompts included), 1 when
    // the database could not be opened.
    int run();

    const ApplicationState& state() const { return m_state; }

    // What a test replaces: the database prompt (empty text: cancelled), the plain message box of
    // a fatal error, the password check and the main window.
    std::function<QString()> chooseDatabase;
    std::function<void(const QString&)> showFatal;
    std::function<bool(Database&)> askPassword;
    std::function<void(ApplicationState&)> runMainWindow;

    static QString askForDatabase();

private:
    bool openDatabase(const QString& path, bool created);

    std::unique_ptr<Database> m_db;
    ApplicationState m_state;
};
