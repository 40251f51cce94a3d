#include "platform/ui/DesktopApp.h"

#include "platform/ApplicationState.h"
#include "platform/DesktopSession.h"
#include "platform/ui/FrameworkTranslator.h"
#include "platform/ui/LocaleMoneyFormat.h"
#include "platform/ui/Resources.h"
#include "platform/ui/SettingsStore.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>

#include <cstdio>

void SetUpDesktopApplication() {
    InitQuintalevaResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/quintaleva.png")));
    QApplication::setOrganizationName(QLatin1String(SettingsStore::kOrganization));
    QApplication::setApplicationName(QLatin1String(SettingsStore::kApplication));
    // Every screen speaks Spanish, the framework's own dialogs (files, printing) included.
    CFrameworkTranslator::install();
    MoneyFormat::setCurrent(LocaleMoneyFormat(QLocale::system()));
    CTolMessageDlg::setMessageTitle(QString::fromUtf8(kApplicationTitle));
}

bool CheckDesktopSession(int argc, char** argv) {
    if (DesktopSession::Available(std::vector<std::string>(argv + 1, argv + argc)))
        return true;
    std::fputs(DesktopSession::MissingMessage().c_str(), stderr);
    return false;
}
