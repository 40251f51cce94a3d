#include "platform/ui/Help.h"

#include "platform/InstallLayout.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

bool ShowHelp(const char* page) {
    QStringList folders;
    for (const std::filesystem::path& folder :
         InstallLayout::HelpFolders(QCoreApplication::applicationDirPath().toStdString()))
        folders << QString::fromStdString(folder.string());
    folders << QDir(QDir::currentPath()).filePath(QStringLiteral("help/html"));
    for (const QString& folder : folders) {
        const QFileInfo topic(QDir(folder).filePath(QString::fromUtf8(page)));
        if (!topic.exists())
            continue;
        if (QDesktopServices::openUrl(QUrl::fromLocalFile(topic.absoluteFilePath())))
            return true;
        TolMessage(QStringLiteral("- No se pudo abrir el navegador para mostrar la ayuda -\n%1")
                       .arg(QDir::toNativeSeparators(topic.absoluteFilePath())));
        return false;
    }
    TolMessage(QStringLiteral("- No se encontró la ayuda -"));
    return false;
}
