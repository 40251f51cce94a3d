#include "config/ui/Maintenance.h"

#include "config/DatabaseFiles.h"
#include "config/Import13.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
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
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite |
                      QFileDialog::ReadOnly);
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

} // namespace

QString CMaintenance::OverwriteQuestion(const QString& path) {
    return QStringLiteral("El archivo %1 ya existe.\n¿Desea reemplazarlo?").arg(QDir::toNativeSeparators(path));
}

bool CMaintenance::NewDatabase(Database& db, QWidget* parent) {
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
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::string error = CDatabaseFiles::CreateEmpty(db, s(path));
    QApplication::restoreOverrideCursor();
    return Report(error, CDatabaseFiles::kMsgCreated);
}

bool CMaintenance::RunBackup(Database& db, const QString& path, QWidget* parent) {
    if (!MayWrite(db, path))
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::string error = CDatabaseFiles::Backup(db, s(path));
    QApplication::restoreOverrideCursor();
    return Report(error, CDatabaseFiles::kMsgBackedUp);
}

bool CMaintenance::RunImport(Database& db, const QString& path, QWidget* parent) {
    QProgressDialog progress(QStringLiteral("Importando de Quintaleva 1.3..."), QStringLiteral("Cancelar"), 0, 0, parent);
    progress.setWindowTitle(QStringLiteral("Importar de Quintaleva 1.3"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setValue(0);
    // While the reader process works the dialog stays painted and "Cancelar" stays live.
    const auto cancel = [&progress] {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return progress.wasCanceled();
    };
    const CImport13::Result r = CImport13::Run(
        db, s(path),
        [&progress](int done, int total) {
            progress.setMaximum(total);
            progress.setValue(done);
        },
        cancel);
    progress.close();
    TolMessage(q(r.message));
    return r.ok;
}
