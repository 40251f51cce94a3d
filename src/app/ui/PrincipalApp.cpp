#include "app/ui/PrincipalApp.h"

#include "app/SharedValues.h"
#include "app/ui/PasswordDlg.h"
#include "app/ui/SettingsStore.h"
#include "cfdi/FiscalTables.h"
#include "config/NewDatabase.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/Statement.h"
#include "invoice/ui/PrincipalDlg.h"
#include "toolkit/ui/TolMessageDlg.h"

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
    askPassword = [](Database& db) { return CPasswordDlg(db).exec() == QDialog::Accepted; };
    runMainWindow = [](ApplicationState& state) {
        CPrincipalDlg form(*state.database, state);
        CTolMessageDlg::setMainWindow(&form);
        form.exec();
        CTolMessageDlg::setMainWindow(nullptr);
    };
}

CPrincipalApp::~CPrincipalApp() = default;

QString CPrincipalApp::askForDatabase() {
    QFileDialog dialog(nullptr, QStringLiteral("¿Que base de datos desea utilizar?"));
    dialog.setNameFilter(QStringLiteral("*.mdb (*.mdb)"));
    dialog.setDefaultSuffix(QStringLiteral("mdb"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Typing a name that does not exist yet makes a new database.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ReadOnly, false);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    dialog.setDirectory(QDir(documents).exists() ? documents : QDir::homePath());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}

bool CPrincipalApp::openDatabase(const QString& path, bool created) {
    try {
        m_db = created ? CreateNewDatabase(path.toStdString()) : Database::open(path.toStdString());
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
    } catch (const std::exception& e) {
        m_db.reset();
        m_state.database = nullptr;
        // What happened and what to do, then the engine's own words.
        showFatal(QStringLiteral("No se pudo abrir la base de datos\n%1\n\n%2")
                      .arg(path, QString::fromStdString(DbErrorText(e))));
        return false;
    }
    return true;
}

int CPrincipalApp::run() {
    CTolMessageDlg::registerToolkit();

    QString path = SettingsStore::readText("Path");
    bool created = false;
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        path = chooseDatabase();
        if (path.isEmpty())
            return 0;
        created = !QFileInfo::exists(path);
    }
    if (!openDatabase(path, created))
        return 1;
    // Stored only once the file opened: a bad choice is asked again at the next start instead of
    // failing at every start.
    if (SettingsStore::readText("Path") != path)
        SettingsStore::write("Path", path);

    if (askPassword(*m_db))
        runMainWindow(m_state);

    m_state.database = nullptr;
    m_db.reset();
    return 0;
}
