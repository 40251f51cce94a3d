#include "designer/ui/DesignerLauncher.h"

#include "toolkit/ui/TolMessageDlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

bool StartDesigner(const QString& databasePath) {
    return StartDesigner(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("lantorela")), databasePath);
}

bool StartDesigner(const QString& program, const QString& databasePath) {
    QProcess process;
    process.setProgram(program);
    process.setArguments({databasePath});
    process.setWorkingDirectory(QDir::currentPath());
    // Not inherited: the designer lives on after the program and has its own console.
    process.setStandardInputFile(QProcess::nullDevice());
    if (process.startDetached())
        return true;
    TolMessage(QStringLiteral("No se pudo iniciar el diseñador de formatos Lantorela (%1).").arg(program));
    return false;
}
