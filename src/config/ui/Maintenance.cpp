#include "config/ui/Maintenance.h"

#include "config/DatabaseFiles.h"
#include "config/Import13.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/ui/DatabasePromptDlg.h"
#include "platform/ui/FileChooser.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolWait.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return QFileInfo(q).absoluteFilePath().toStdString(); }

// Our own dialog (the same under every platform and offscreen); the overwrite question is ours too,
// so it goes through TolMessage like every other message.
QString AskFile(QWidget* parent, const QString& title, const QString& filter, bool save, const Database& db) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::ReadOnly);
    PrepareFileChooser(dialog);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(QStringLiteral("mdb"));
    // Beside the database file; a server's backup goes to the documents folder.
    if (DatabaseLocation::isServer(db.path()))
        dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    else
        dialog.setDirectory(QFileInfo(q(db.path())).dir());
    dialog.selectFile(QStringLiteral("*.mdb"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// The database in use is refused before the overwrite question: a yes could not be honoured.
bool MayWrite(const Database& db, const QString& path) {
    if (CDatabaseFiles::InUse(db, s(path))) {
        TolMessage(QString::fromUtf8(CDatabaseFiles::kMsgSameFile));
        return false;
    }
    return !QFileInfo::exists(path) || TolMessage(CMaintenance::OverwriteQuestion(path), true) == 1;
}

bool Report(const std::string& error, const char* success) {
    TolMessage(q(error.empty() ? std::string(success) : error));
    return error.empty();
}

// The long runs on a server, painted between tables and every few thousand rows. No "Cancelar":
// a copy is one transaction that ends whole either way, and the maintenance ends table by table.
// On a file the copy is quick: only the wait cursor shows.
constexpr CTolWait::Options kServerWait{.delayMs = 0, .cancel = false, .minimumWidth = 360};

// `label` names the table with %1.
CDatabaseCopy::Progress TableProgress(CTolWait& wait, const QString& label) {
    return [&wait, label, progress = wait.progress()](const std::string& table, std::int64_t done, std::int64_t total) {
        wait.setLabel(label.arg(q(table)));
        progress(done, total);
    };
}

const QString kCopying = QStringLiteral("Copiando la tabla %1...");

// While on a server: a file here, as the backup, or an empty database a technician made on a
// server, chosen in the start-up prompt with the server in use shown.
bool NewDatabaseFromServer(Database& db, QWidget* parent) {
    DatabaseLocation::Server shown = DatabaseLocation::parseServer(db.path()).value_or(DatabaseLocation::Server{});
    shown.database.clear();
    QString note;
    for (;;) {
        CDatabasePromptDlg prompt(parent);
        prompt.setWindowTitle(QStringLiteral("Crear nueva base de datos"));
        prompt.setServer(shown);
        if (!note.isEmpty())
            prompt.askPassword(note);
        if (prompt.exec() != QDialog::Accepted)
            return false;
        note.clear();
        if (prompt.kind() == CDatabasePromptDlg::Kind::File) {
            const QString path = AskFile(parent, QStringLiteral("Crear nueva base de datos"),
                                         QStringLiteral("Crear de base de datos (*.mdb)"), true, db);
            // The file dialog cancelled goes back to the choice between file and server.
            if (path.isEmpty())
                continue;
            return CMaintenance::RunNewDatabase(db, path, parent);
        }
        if (const auto typed = DatabaseLocation::parseServer(prompt.location().toStdString()))
            shown = *typed;
        switch (CMaintenance::RunNewDatabaseOnServer(db, prompt.location(), prompt.password(), parent)) {
        case CMaintenance::ServerResult::Created: return true;
        case CMaintenance::ServerResult::WantsPassword:
            note = QStringLiteral("El servidor pide la contraseña del usuario.");
            break;
        case CMaintenance::ServerResult::Failed: break;
        }
    }
}

} // namespace

QString CMaintenance::OverwriteQuestion(const QString& path) {
    return QStringLiteral("El archivo %1 ya existe.\n¿Desea reemplazarlo?").arg(QDir::toNativeSeparators(path));
}

bool CMaintenance::NewDatabase(Database& db, QWidget* parent) {
    if (DatabaseLocation::isServer(db.path()))
        return NewDatabaseFromServer(db, parent);
    const QString path =
        AskFile(parent, QStringLiteral("Crear nueva base de datos"), QStringLiteral("Crear de base de datos (*.mdb)"), true, db);
    return !path.isEmpty() && RunNewDatabase(db, path, parent);
}

bool CMaintenance::Backup(Database& db, QWidget* parent) {
    const QString path =
        AskFile(parent, QStringLiteral("Nombre del archivo de respaldo"), QStringLiteral("*.mdb (*.mdb)"), true, db);
    return !path.isEmpty() && RunBackup(db, path, parent);
}

bool CMaintenance::Import(Database& db, QWidget* parent) {
    const QString path =
        AskFile(parent, QStringLiteral("¿De donde desea importar?"), QStringLiteral("*.mdb (*.mdb)"), false, db);
    return !path.isEmpty() && RunImport(db, path, parent);
}

bool CMaintenance::RunNewDatabase(Database& db, const QString& path, QWidget* parent) {
    if (!MayWrite(db, path))
        return false;
    std::string error;
    {
        CTolWait wait(parent, QStringLiteral("Crear nueva base de datos"), {}, kServerWait);
        error = CDatabaseFiles::CreateEmpty(db, s(path), {},
                                            DatabaseLocation::isServer(db.path()) ? TableProgress(wait, kCopying)
                                                                                  : CDatabaseCopy::Progress{});
    }
    return Report(error, CDatabaseFiles::kMsgCreated);
}

CMaintenance::ServerResult CMaintenance::RunNewDatabaseOnServer(Database& db, const QString& location,
                                                                const QString& password, QWidget* parent) {
    const std::string where = location.toStdString();
    const QString shown = q(DatabaseLocation::withoutPassword(where));
    try {
        CTolWait wait(parent, QStringLiteral("Crear nueva base de datos"), {}, kServerWait);
        CDatabaseFiles::CreateEmptyOnServer(db, where, password.toStdString(), TableProgress(wait, kCopying));
    } catch (const std::exception& e) {
        const auto* dbError = dynamic_cast<const DbError*>(&e);
        const bool auth = dbError && IsDbPasswordRefused(*dbError);
        // No password given yet: the prompt asks for it, without an error first.
        if (auth && password.isEmpty() && !DatabaseLocation::hasPassword(where))
            return ServerResult::WantsPassword;
        TolMessage(QStringLiteral("No se pudo crear la base de datos en el servidor\n%1\n\n%2")
                       .arg(shown, q(DbErrorText(e))));
        return auth ? ServerResult::WantsPassword : ServerResult::Failed;
    }
    TolMessage(QString::fromUtf8(CDatabaseFiles::kMsgCreated));
    return ServerResult::Created;
}

bool CMaintenance::RunBackup(Database& db, const QString& path, QWidget* parent) {
    if (!MayWrite(db, path))
        return false;
    CTolWait wait(parent, QStringLiteral("Respaldar base de datos"), {}, kServerWait);
    if (!DatabaseLocation::isServer(db.path())) {
        const std::string error = CDatabaseFiles::Backup(db, s(path));
        wait.finish();
        return Report(error, CDatabaseFiles::kMsgBackedUp);
    }
    // The backup is a file that opens anywhere; the server then reclaims its own space.
    const std::string error = CDatabaseFiles::Backup(db, s(path), {}, TableProgress(wait, kCopying));
    if (!error.empty()) {
        wait.finish();
        return Report(error, CDatabaseFiles::kMsgBackedUp);
    }
    const std::string compacted =
        CDatabaseFiles::Compact(db, TableProgress(wait, QStringLiteral("Compactando la tabla %1 en el servidor...")));
    wait.finish();
    TolMessage(QString::fromUtf8(CDatabaseFiles::kMsgBackedUp) + QStringLiteral("\n") +
               q(compacted.empty() ? std::string(CDatabaseFiles::kMsgCompacted) : compacted));
    return true;
}

bool CMaintenance::RunImport(Database& db, const QString& path, QWidget* parent) {
    // While the reader process works the window stays painted and "Cancelar" stays live.
    CTolWait wait(parent, QStringLiteral("Importar de Quintaleva 1.3"), QStringLiteral("Importando de Quintaleva 1.3..."), 0);
    const CTolWait::Progress progress = wait.progress();
    const CImport13::Result r = CImport13::Run(
        db, s(path), [&progress](int done, int total) { progress(done, total); },
        [keepGoing = wait.keepGoing()] { return !keepGoing(); });
    wait.finish();
    TolMessage(q(r.message));
    return r.ok;
}
