#include "app/DesktopSession.h"
#include "app/ui/LocaleMoneyFormat.h"
#include "app/ui/PrincipalApp.h"
#include "app/ui/Resources.h"
#include "app/ui/SettingsStore.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Checked before QApplication exists: without a session it would abort with its own English
    // message about the platform plugin.
    if (!DesktopSession::Available(std::vector<std::string>(argv + 1, argv + argc))) {
        std::fputs(DesktopSession::MissingMessage().c_str(), stderr);
        return 1;
    }
    QApplication app(argc, argv);
    InitQuintalevaResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/quintaleva.png")));
    QApplication::setDesktopFileName(QStringLiteral("quintaleva"));
    QApplication::setOrganizationName(QLatin1String(SettingsStore::kOrganization));
    QApplication::setApplicationName(QLatin1String(SettingsStore::kApplication));
    // Every screen speaks Spanish, the framework's own dialogs (files, printing) included.
    QTranslator framework;
    if (framework.load(QLocale(QLocale::Spanish, QLocale::Mexico), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&framework);
    MoneyFormat::setCurrent(LocaleMoneyFormat(QLocale::system()));
    CPrincipalApp principal;
    return principal.run();
}
