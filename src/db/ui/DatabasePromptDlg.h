#pragma once

#include "db/DatabaseLocation.h"
#include "toolkit/ui/TolDialog.h"

class CTolEdit;
class QButtonGroup;
class QLabel;

// Where the program's database is: a file on this computer (chosen next in the file dialog) or a
// shared PostgreSQL server, given by its name or address, port, database and user; the password
// only when the server asked for one.
class CDatabasePromptDlg final : public CTolDialog {
    Q_OBJECT
public:
    static constexpr int kFileId = 1001;
    static constexpr int kServerId = 1002;
    static constexpr int kHostId = 1010;
    static constexpr int kPortId = 1011;
    static constexpr int kDatabaseId = 1012;
    static constexpr int kUserId = 1013;
    static constexpr int kPasswordId = 1014;
    static constexpr int kNoteId = 1020;
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;

    enum class Kind { File, Server };

    explicit CDatabasePromptDlg(QWidget* parent = nullptr);

    // Shows the server's parts and chooses "Servidor compartido".
    void setServer(const DatabaseLocation::Server& server);
    // Shows the password field, with `note` above the buttons (why it is asked).
    void askPassword(const QString& note);

    Kind kind() const;
    // The server's URI (never with a password in it); empty for a file.
    QString location() const;
    QString password() const;

private:
    void onOk();
    void showKind();

    QButtonGroup* m_kind;
    CTolEdit* m_host;
    CTolEdit* m_port;
    CTolEdit* m_database;
    CTolEdit* m_user;
    CTolEdit* m_password;
    QLabel* m_passwordLabel;
    QLabel* m_note;
};
