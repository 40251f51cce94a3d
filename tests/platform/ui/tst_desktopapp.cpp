// What both desktop programs (quintaleva and lantorela) set up before their first window.
#include "invoice/MoneyFormat.h"
#include "platform/ApplicationState.h"
#include "platform/ui/DesktopApp.h"
#include "platform/ui/SettingsStore.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QApplication>
#include <QtTest>

class TestDesktopApp final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void messageBoxesSettingsAndMoneyAreTheProgramsOwn() {
        MoneyFormat none;
        none.symbol.clear();
        MoneyFormat::setCurrent(none);
        SetUpDesktopApplication();
        // The message boxes carry the application title, which the toolkit itself does not know.
        QCOMPARE(CTolMessageDlg::messageTitle(), QString::fromUtf8(kApplicationTitle));
        CTolMessageDlg box(QStringLiteral("Hola"), false);
        QCOMPARE(box.windowTitle(), QStringLiteral("Quintaleva 2"));
        QCOMPARE(QApplication::organizationName(), QLatin1String(SettingsStore::kOrganization));
        QCOMPARE(QApplication::applicationName(), QLatin1String(SettingsStore::kApplication));
        QVERIFY(!QApplication::windowIcon().isNull());
        QVERIFY(!MoneyFormat::current().symbol.empty());
    }
};

QTEST_MAIN(TestDesktopApp)
#include "tst_desktopapp.moc"
