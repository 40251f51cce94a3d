#include "db/ui/DatabasePromptDlg.h"

#include "toolkit/ui/TolButton.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QRadioButton>

CDatabasePromptDlg::CDatabasePromptDlg(QWidget* parent) : CTolDialog(parent) {
    setWindowTitle(QStringLiteral("¿Que base de datos desea utilizar?"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setClientSize(dialogSize(230, 176));

    m_kind = new QButtonGroup(this);
    auto* file = new QRadioButton(QStringLiteral("Archivo en esta computadora"), this);
    setId(file, kFileId);
    place(file, 7, 6, 216, 10);
    auto* server = new QRadioButton(QStringLiteral("Servidor compartido"), this);
    setId(server, kServerId);
    place(server, 7, 20, 216, 10);
    m_kind->addButton(file, int(Kind::File));
    m_kind->addButton(server, int(Kind::Server));

    auto* group = new QGroupBox(QStringLiteral("Servidor PostgreSQL"), this);
    place(group, 7, 34, 216, 96);
    struct Field {
        CTolEdit** edit;
        int id;
        const char* label;
        int y;
    };
    const Field fields[] = {{&m_host, kHostId, "Servidor:", 46},
                            {&m_port, kPortId, "Puerto:", 61},
                            {&m_database, kDatabaseId, "Base de datos:", 76},
                            {&m_user, kUserId, "Usuario:", 91},
                            {&m_password, kPasswordId, "Contraseña:", 106}};
    for (const Field& f : fields) {
        auto* label = new QLabel(QString::fromUtf8(f.label), this);
        place(label, 14, f.y + 2, 62, 10);
        *f.edit = new CTolEdit(this);
        setId(*f.edit, f.id);
        place(*f.edit, 78, f.y, 138, 12);
        if (f.id == kPasswordId)
            m_passwordLabel = label;
    }
    m_port->setValidator(new QIntValidator(1, 65535, m_port));
    m_port->setMaxLength(5);
    m_port->setText(QString::number(DatabaseLocation::kDefaultPort));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->hide();
    m_passwordLabel->hide();

    m_note = new QLabel(this);
    setId(m_note, kNoteId);
    m_note->setWordWrap(true);
    place(m_note, 7, 133, 216, 20);

    auto* ok = new CTolButton(QStringLiteral("Aceptar"), this);
    setId(ok, kOkId);
    place(ok, 104, 157, 56, 14);
    connect(ok, &QPushButton::clicked, this, &CDatabasePromptDlg::onOk);
    auto* cancel = new CTolButton(QStringLiteral("Cancelar"), this);
    setId(cancel, kCancelId);
    place(cancel, 167, 157, 56, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    connect(m_kind, &QButtonGroup::idToggled, this, [this](int, bool) { showKind(); });
    file->setChecked(true);
    showKind();
}

void CDatabasePromptDlg::showKind() {
    const bool server = kind() == Kind::Server;
    for (CTolEdit* e : {m_host, m_port, m_database, m_user, m_password})
        e->setEnabled(server);
    if (server && isVisible())
        m_host->setFocus();
}

void CDatabasePromptDlg::setServer(const DatabaseLocation::Server& server) {
    m_kind->button(int(Kind::Server))->setChecked(true);
    m_host->setText(QString::fromStdString(server.host));
    m_port->setText(QString::number(server.port));
    m_database->setText(QString::fromStdString(server.database));
    m_user->setText(QString::fromStdString(server.user));
    showKind();
}

void CDatabasePromptDlg::askPassword(const QString& note) {
    m_password->show();
    m_passwordLabel->show();
    m_password->clear();
    m_note->setText(note);
    m_password->setFocus();
}

CDatabasePromptDlg::Kind CDatabasePromptDlg::kind() const {
    return m_kind->checkedId() == int(Kind::Server) ? Kind::Server : Kind::File;
}

QString CDatabasePromptDlg::location() const {
    if (kind() != Kind::Server)
        return {};
    DatabaseLocation::Server s;
    s.host = m_host->text().trimmed().toStdString();
    s.port = m_port->text().toInt();
    s.database = m_database->text().trimmed().toStdString();
    s.user = m_user->text().trimmed().toStdString();
    return QString::fromStdString(DatabaseLocation::serverUri(s));
}

QString CDatabasePromptDlg::password() const { return m_password->isHidden() ? QString() : m_password->text(); }

void CDatabasePromptDlg::onOk() {
    if (kind() == Kind::Server) {
        const auto missing = [](CTolEdit* edit, const char* message) {
            if (!edit->text().trimmed().isEmpty())
                return false;
            TolMessage(QString::fromUtf8(message));
            edit->setFocus();
            return true;
        };
        if (missing(m_host, "- Escriba el nombre o la dirección del servidor -") ||
            missing(m_database, "- Escriba el nombre de la base de datos -"))
            return;
        const int port = m_port->text().toInt();
        if (port < 1 || port > 65535) {
            TolMessage(QStringLiteral("- El puerto debe ser un número entre 1 y 65535 -"));
            m_port->setFocus();
            return;
        }
    }
    accept();
}
