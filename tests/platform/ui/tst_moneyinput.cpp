#include "db/ui/FolioExchange.h"
#include "invoice/MoneyText.h"
#include "platform/ui/LocaleMoneyFormat.h"
#include "platform/ui/ParseMoney.h"
#include "support/ModalAnswer.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QLineEdit>
#include <QLocale>
#include <QtTest>

class TestMoneyInput final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { CTolMessageDlg::registerToolkit(); }

    void localeFormats() {
        // No currency of its own: Mexican pesos.
        const MoneyFormat c = LocaleMoneyFormat(QLocale::c());
        QCOMPARE(FormatMoney(-1240.5, false, false, c), std::string("-$1,240.50"));

        const MoneyFormat mx = LocaleMoneyFormat(QLocale(QLocale::Spanish, QLocale::Mexico));
        QCOMPARE(FormatMoney(1240, false, false, mx), std::string("$1,240.00"));
        QCOMPARE(FormatMoney(-1240.5, false, false, mx), std::string("-$1,240.50"));

        // A locale that writes the symbol behind, with a blank, and a decimal comma.
        const MoneyFormat de = LocaleMoneyFormat(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(!de.symbolFirst);
        QVERIFY(de.symbolSpace);
        QCOMPARE(FormatMoney(1240.5, false, false, de), std::string("1.240,50 €"));
        QCOMPARE(TryParseMoney("1.240,50 €", de).value_or(-1), 1240.5);
    }

    void parseMoneyReadsOrComplains() {
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        QCOMPARE(ParseMoney(QStringLiteral("$1,240.00")), 1240.0);
        QCOMPARE(ParseMoney(QStringLiteral("1,240.5")), 1240.5);
        QCOMPARE(ParseMoney(QStringLiteral("0.123456")), 0.1235);
        QString shown;
        answerNextModal([&](QWidget* w) {
            shown = static_cast<CTolMessageDlg*>(w)->text();
            QTest::keyClick(w->focusWidget(), Qt::Key_Return);
        });
        QCOMPARE(ParseMoney(QStringLiteral("doce pesos")), 0.0);
        QCOMPARE(shown, QStringLiteral("Please enter a currency."));
    }

    void folioExchangeBothWays() {
        QLineEdit edit;
        long folio = 123;
        FolioExchange(&edit, folio, true);
        QCOMPARE(edit.text(), QStringLiteral("000123"));
        const std::pair<const char*, long> typed[] = {{"", 0}, {"  42abc", 42}, {"-7", -7}, {"x9", 0}, {"0001234567", 1234567}};
        for (const auto& [text, expected] : typed) {
            edit.setText(QString::fromUtf8(text));
            FolioExchange(&edit, folio, false);
            QCOMPARE(folio, expected);
        }
    }
};

QTEST_MAIN(TestMoneyInput)
#include "tst_moneyinput.moc"
