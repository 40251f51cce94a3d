#include "platform/ui/Help.h"

#include "toolkit/ui/TolMessageDlg.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

bool ShowHelp(const char* page) {
    const QString topic = QStringLiteral("help/html/") + QString::fromUtf8(page);
    for (const QString& folder : {QCoreApplication::applicationDirPath(), QDir::currentPath()}) {
        const QFileInfo page(QDir(folder).filePath(topic));
        if (!page.exists())
            continue;
        if (QDesktopServices::openUrl(QUrl::fromLocalFile(page.absoluteFilePath())))
            return true;
        TolMessage(QStringLiteral("- No se pudo abrir el navegador para mostrar la ayuda -\n%1")
                       .arg(QDir::toNativeSeparators(page.absoluteFilePath())));
        return false;
    }
    TolMessage(QStringLiteral("- No se encontró la ayuda -"));
    return false;
}
