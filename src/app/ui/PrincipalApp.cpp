#include "app/ui/PrincipalApp.h"

#include "app/ui/PasswordDlg.h"
#include "cfdi/FiscalTables.h"
#include "config/NewDatabase.h"
#include "config/ui/DailyBackup.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/Statement.h"
#include "db/ui/DatabasePromptDlg.h"
#include "db/ui/DatabaseWatch.h"
#include "invoice/ui/PrincipalDlg.h"
#include "platform/SharedValues.h"
#include "platform/ui/FileChooser.h"
#include "printing/DefaultFormats.h"
#include "platform/ui/SettingsStore.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolWait.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace {

// A new database gives new articles the usual tax, unless the workstation already chose one.
void proposeDefaultTax(Database& db) {
    if (SettingsStore::contains("Impuesto"))
        return;
    Statement st = db.prepare("SELECT Id_Impuesto FROM Impuestos WHERE Nombre = ? AND Retencion = 0");
    st.bind(1, std::string("IVA 16 %"));
    if (st.step())
        SettingsStore::write("Impuesto", static_cast<int>(st.integer(0)));
}

} // namespace

CPrincipalApp::CPrincipalApp() {
    chooseDatabase = &CPrincipalApp::askForDatabase;
    showFatal = [](const QString& text) {
        QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), text, QMessageBox::Ok);
        box.exec();
    };
    showMessage = [](const QString& text) { TolMessage(text); };
    openServer = [](const std::string& location, const std::string& password) {
        return Database::open(location, password);
    };
    askPassword = [](Database& db) { return CPasswordDlg(db).exec() == QDialog::Accepted; };
    runMainWindow = [](ApplicationState& state) {
        CPrincipalDlg form(*state.database, state);
        CTolMessageDlg::setMainWindow(&form);
        // Taken while the operator works; closing the window waits for it to end.
        CDailyBackup daily;
        QObject::connect(&daily, &CDailyBackup::finished, &form, [](const QString& error) {
            if (!error.isEmpty())
                TolMessage(error);
        });
        const QString location = QString::fromStdString(state.database->path());
        daily.startIfDue(location);
        // Left open past midnight, the new day is backed up too.
        daily.watchWhileOpen(location);
        form.exec();
        // A restored file was backed up just before; otherwise a day that changed is not lost.
        if (!state.reopenDatabase)
            daily.finishAtClose(nullptr);
        CTolMessageDlg::setMainWindow(nullptr);
    };
}

CPrincipalApp::~CPrincipalApp() = default;

QString CPrincipalApp::askForFile() {
    QFileDialog dialog(nullptr, QStringLiteral("¿Que base de datos desea utilizar?"));
    dialog.setNameFilter(QStringLiteral("*.mdb (*.mdb)"));
    dialog.setDefaultSuffix(QStringLiteral("mdb"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Typing a name that does not exist yet makes a new database.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    PrepareFileChooser(dialog);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    dialog.setDirectory(QDir(documents).exists() ? documents : QDir::homePath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}

DatabaseChoice CPrincipalApp::askForDatabase(const DatabaseChoice& last, const QString& passwordNote) {
    for (;;) {
        CDatabasePromptDlg prompt;
        if (const auto server = DatabaseLocation::parseServer(last.location.toStdString()))
            prompt.setServer(*server);
        if (!passwordNote.isEmpty())
            prompt.askPassword(passwordNote);
        if (prompt.exec() != QDialog::Accepted)
            return {};
        if (prompt.kind() == CDatabasePromptDlg::Kind::Server)
            return {prompt.location(), prompt.password()};
        // The file dialog cancelled goes back to the choice between file and server.
        const QString file = askForFile();
        if (!file.isEmpty())
            return {file, {}};
    }
}

std::unique_ptr<Database> CPrincipalApp::openFile(const std::string& location) {
    // A large file from an older version gains the lists' indexes at its first opening, which can
    // take a while; cancelling leaves them for the next opening.
    CTolWait wait(nullptr, QString::fromUtf8(kApplicationTitle),
                  QStringLiteral("Preparando el archivo para esta versión del programa.\n"
                                 "Esto se hace una sola vez y puede tardar unos minutos..."));
    return Database::open(location, {}, wait.keepGoing());
}

CPrincipalApp::Opened CPrincipalApp::openDatabase(const DatabaseChoice& choice, bool created) {
    const std::string location = choice.location.toStdString();
    const bool server = DatabaseLocation::isServer(location);
    // What the operator reads names the server without the password a typed URI may carry.
    const QString shown = QString::fromStdString(DatabaseLocation::withoutPassword(location));
    try {
        m_db = server    ? openServer(location, choice.password.toStdString())
               : created ? CreateNewDatabase(location)
                         : openFile(location);
        if (created)
            proposeDefaultTax(*m_db);
        ApplySettings(SettingsStore::read(), m_state);
        m_state.database = m_db.get();
        LoadSharedValues(*m_db, m_state);
        // A file from before the electronic invoice gets its fiscal tables now; one another
        // station keeps busy gets them at their first use instead.
        try {
            FiscalTables::ensure(*m_db);
        } catch (const DbError&) {
        }
        // And the ready layouts that came after it was made ("Factura electrónica"), once.
        try {
            AddMissingDefaultFormats(*m_db);
        } catch (const DbError&) {
        }
    } catch (const std::exception& e) {
        m_db.reset();
        m_state.database = nullptr;
        const auto* dbError = dynamic_cast<const DbError*>(&e);
        if (!server) {
            // What happened and what to do, then the engine's own words.
            showFatal(QStringLiteral("No se pudo abrir la base de datos\n%1\n\n%2")
                          .arg(shown, QString::fromStdString(DbErrorText(e))));
            return Opened::FileFailed;
        }
        // No password given yet: the prompt asks for it, without an error first.
        if (dbError && dbError->code() == DbError::kAuth && choice.password.isEmpty() &&
            !DatabaseLocation::hasPassword(location))
            return Opened::ServerWantsPassword;
        showMessage(QStringLiteral("No se pudo abrir la base de datos del servidor\n%1\n\n%2")
                        .arg(shown, QString::fromStdString(DbErrorText(e))));
        return dbError && IsDbPasswordRefused(*dbError) ? Opened::ServerWantsPassword : Opened::ServerFailed;
    }
    return Opened::Yes;
}

void CPrincipalApp::warnAboutNetworkFile(const QString& path) {
    if (m_networkWarned)
        return;
    const std::string filesystem = NetworkFilesystem::name(path.toStdString(), probeFilesystem);
    if (filesystem.empty())
        return;
    m_networkWarned = true;
    showMessage(QString::fromStdString(NetworkFilesystem::warning(path.toStdString(), filesystem)));
}

int CPrincipalApp::run() {
    CTolMessageDlg::registerToolkit();

    DatabaseChoice choice{SettingsStore::readText("Path"), {}};
    bool ask = choice.location.isEmpty() ||
               (!DatabaseLocation::isServer(choice.location.toStdString()) && !QFileInfo(choice.location).isFile());
    // The file of the last start is gone: say why the chooser opens instead of the database.
    if (ask && !choice.location.isEmpty() && !QFileInfo::exists(choice.location))
        showMessage(CDatabaseWatch::missingFileMessage(choice.location));
    QString passwordNote;
    for (;;) {
        if (ask) {
            choice = chooseDatabase(choice, passwordNote);
            if (choice.location.isEmpty())
                return 0;
        }
        ask = true;
        const bool server = DatabaseLocation::isServer(choice.location.toStdString());
        const bool created = !server && !QFileInfo::exists(choice.location);
        const Opened opened = openDatabase(choice, created);
        if (opened == Opened::Yes)
            break;
        if (opened == Opened::FileFailed)
            return 1;
        passwordNote = opened == Opened::ServerWantsPassword
                           ? QStringLiteral("El servidor pide la contraseña del usuario.")
                           : QString();
    }
    // Stored only once the database opened: a bad choice is asked again at the next start
    // instead of failing at every start. A password in a typed URI is never stored.
    const QString stored = QString::fromStdString(DatabaseLocation::withoutPassword(choice.location.toStdString()));
    if (SettingsStore::readText("Path") != stored)
        SettingsStore::write("Path", stored);
    if (!DatabaseLocation::isServer(stored.toStdString()))
        warnAboutNetworkFile(stored);

    while (askPassword(*m_db)) {
        m_state.reopenDatabase = false;
        runMainWindow(m_state);
        if (!m_state.reopenDatabase)
            break;
        // The file was replaced under the window: opened again (and its password asked again),
        // as at a start.
        m_state.database = nullptr;
        m_db.reset();
        if (openDatabase(choice, false) != Opened::Yes)
            return 1;
    }

    m_state.database = nullptr;
    m_db.reset();
    return 0;
}
