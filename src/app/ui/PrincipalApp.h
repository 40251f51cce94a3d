#pragma once

#include "db/NetworkFilesystem.h"
#include "platform/ApplicationState.h"

#include <QString>

#include <functional>
#include <memory>

class Database;

// What the database prompt gives: a file path or a server URI (empty: cancelled), and the
// password the operator typed for the server, which is never stored.
struct DatabaseChoice {
    QString location;
    QString password;
};

// Start-up and the whole run: settings, finding and opening the database, the values every part
// shares, the access password, then the main window until it closes (and again on the
// same database when it closed for a restored backup).
class CPrincipalApp final {
public:
    CPrincipalApp();
    ~CPrincipalApp();

    // The process's exit code: 0 when the run ended normally (cancelled prompts included), 1 when
    // the database file could not be opened. A server that cannot be reached, refuses the
    // password or holds another program's database is reported and asked for again.
    int run();

    const ApplicationState& state() const { return m_state; }

    // What a test replaces: the database prompt (shown with the last choice, and the password
    // field when the server asked for one; an empty location: cancelled), the plain message box
    // of a fatal error, the operator's messages, the password check, the main window, and the
    // question about the filesystem holding a database file, and the server's opening.
    std::function<DatabaseChoice(const DatabaseChoice& last, const QString& passwordNote)> chooseDatabase;
    std::function<void(const QString&)> showFatal;
    std::function<void(const QString&)> showMessage;
    std::function<bool(Database&)> askPassword;
    std::function<void(ApplicationState&)> runMainWindow;
    NetworkFilesystem::Probe probeFilesystem = NetworkFilesystem::systemProbe;
    // Opens a server's database with the password typed (empty: ~/.pgpass or none).
    std::function<std::unique_ptr<Database>(const std::string& location, const std::string& password)> openServer;

    static DatabaseChoice askForDatabase(const DatabaseChoice& last, const QString& passwordNote);
    static QString askForFile();

private:
    enum class Opened { Yes, FileFailed, ServerFailed, ServerWantsPassword };
    Opened openDatabase(const DatabaseChoice& choice, bool created);
    static std::unique_ptr<Database> openFile(const std::string& location);
    void warnAboutNetworkFile(const QString& path);

    std::unique_ptr<Database> m_db;
    ApplicationState m_state;
    bool m_networkWarned = false;
};
