#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"
#include "db/ui/DatabaseWatch.h"
#include "designer/DesignerCommand.h"
#include "designer/ui/DesignerWnd.h"
#include "platform/ApplicationState.h"
#include "platform/ProgramVersion.h"
#include "platform/SharedValues.h"
#include "platform/ui/DesktopApp.h"
#include "platform/ui/FileChooser.h"
#include "platform/ui/SettingsStore.h"
#include "printing/DefaultFormats.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <iostream>

// lantorela [ARCHIVO]: the page-format designer on that database, the one in the settings, or
// one the operator chooses. lantorela --exportar / --importar run without a display.
int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (ProgramVersion::AnswerVersion(args, "lantorela"))
        return 0;
    if (DesignerCommand::IsCommand(args))
        return DesignerCommand::Run(args, std::cout, std::cerr);

    if (!CheckDesktopSession(argc, argv))
        return 1;
    QApplication app(argc, argv);
    SetUpDesktopApplication();
    QApplication::setDesktopFileName(QStringLiteral("lantorela"));
    CTolMessageDlg::registerToolkit();

    QString path = args.empty() ? SettingsStore::readText("Path") : QString::fromStdString(args.front());
    // A shared server's URI is no file; the server says whether it can be reached.
    if (path.isEmpty() || (!DatabaseLocation::isServer(path.toStdString()) && !QFileInfo(path).isFile())) {
        if (!path.isEmpty() && !QFileInfo::exists(path))
            TolMessage(CDatabaseWatch::missingFileMessage(path));
        path = ChooseFileToOpen(nullptr, QStringLiteral("Lantorela - Base de datos"), QString(),
                                QStringLiteral("Bases de datos de Quintaleva (*.mdb);;Todos (*)"));
        if (path.isEmpty())
            return 0;
    }
    std::unique_ptr<Database> db;
    try {
        db = Database::open(path.toStdString());
    } catch (const DbError& e) {
        TolMessage(QStringLiteral("No se pudo abrir la base de datos\n%1\n\n%2")
                       .arg(path, QString::fromStdString(DbErrorText(e))));
        return 1;
    }
    // A database made before the ready layout "Factura electrónica" gets it once, as the program does.
    try {
        AddMissingDefaultFormats(*db);
    } catch (const DbError&) {
    }
    // A chosen document prints its total in words with the shop's currency words.
    try {
        ApplicationState state;
        LoadSharedValues(*db, state);
    } catch (const DbError&) {
        // Only the words of the amount lack them; the layout itself is unaffected.
    }
    CDesignerWnd window(*db);
    // The file moved or replaced under the open designer is told at once, not at the next save.
    CDatabaseWatch watch(*db, &window);
    CTolMessageDlg::setMainWindow(&window);
    window.show();
    const int result = app.exec();
    CTolMessageDlg::setMainWindow(nullptr);
    return result;
}
