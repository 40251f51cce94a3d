#include "app/ApplicationState.h"
#include "app/SharedValues.h"
#include "app/ui/Resources.h"
#include "app/ui/SettingsStore.h"
#include "catalogs/ui/ComboTabla.h"
#include "config/ui/ConfigDlg.h"
#include "db/Database.h"
#include "db/GeneralSet.h"
#include "db/Statement.h"
#include "invoice/AmountInWords.h"
#include "invoice/MoneyFormat.h"
#include "invoice/ui/PrincipalDlg.h"
#include "support/LayoutCheck.h"
#include "support/ModalAnswer.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolTextEdit.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QSettings rawSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(SettingsStore::kOrganization),
                     QLatin1String(SettingsStore::kApplication));
}

// Watches for message boxes while it lives, answering each with OK and keeping its text.
class MessageLog final {
public:
    MessageLog() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<CTolMessageDlg*>(QApplication::activeModalWidget());
            if (!box)
                return;
            m_texts << box->text();
            box->done(1);
        });
        m_timer.start();
    }
    const QStringList& texts() const { return m_texts; }

private:
    QTimer m_timer;
    QStringList m_texts;
};

} // namespace

class TestConfigDlg final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_n = 0;
    std::unique_ptr<Database> m_db;
    ApplicationState m_state;

    std::string extraName(int consec) {
        Statement st = m_db->prepare("SELECT Nombre FROM CamposExtras WHERE Consec = ?");
        st.bind(1, std::int64_t{consec});
        st.step();
        return st.text(0);
    }
    std::string storedIn() {
        CGeneralSet general(*m_db);
        general.Open(OpenType::Snapshot);
        return general.m_In;
    }
    static CTolEdit* edit(CConfigDlg& dlg, int id) { return dlg.control<CTolEdit>(id); }
    static QCheckBox* check(CConfigDlg& dlg, int id) { return dlg.control<QCheckBox>(id); }
    static QGroupBox* ticket(CConfigDlg& dlg) { return dlg.control<QGroupBox>(CConfigDlg::kTicketPrinterId); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
        InitQuintalevaResources();
        CTolMessageDlg::registerToolkit();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
    }

    void init() {
        rawSettings().clear();
        m_db = Database::create(m_dir.filePath(QStringLiteral("q%1.mdb").arg(++m_n)).toStdString());
        m_state = ApplicationState{};
        m_state.database = m_db.get();
        SetCurrencyWords("PESOS", "M.N.");
    }

    void cleanup() { m_db.reset(); }

    void opensWithTheValuesInForce() {
        m_db->execute("UPDATE CamposExtras SET Nombre = 'Pedido' WHERE Consec = 2");
        m_db->execute("UPDATE CamposExtras SET Nombre = 'Lote' WHERE Consec = 9");
        m_db->execute("UPDATE General SET Moneda = 'DÓLARES', Postfijo = 'USD', \"In\" = ?",
                      {ScramblePassword("Clave:1")});
        m_state.pWin = 0;
        m_state.pPos = 2;
        m_state.rapido = 1;
        m_state.askPrinter = 0;
        m_state.prcAiva = 1;
        m_state.impuesto = 2;
        m_state.comando = "27,112,0,25,250";
        m_state.logo = "/srv/logos/papeleria.jpg";

        CConfigDlg dlg(*m_db, m_state);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Configuración"));
        QCOMPARE(edit(dlg, CConfigDlg::kBaseDatosId)->text(), QString::fromStdString(m_db->path()));
        QVERIFY(edit(dlg, CConfigDlg::kBaseDatosId)->isReadOnly());
        QCOMPARE(edit(dlg, CConfigDlg::kBaseDatosId)->lookupCommand(), CConfigDlg::kBrowseDatabaseCommand);
        QCOMPARE(edit(dlg, CConfigDlg::kLogoId)->text(), QStringLiteral("/srv/logos/papeleria.jpg"));
        QCOMPARE(edit(dlg, CConfigDlg::kLogoId)->lookupCommand(), CConfigDlg::kBrowseLogoCommand);
        for (int i = 0; i < 10; ++i) {
            const QString expected = i == 1 ? QStringLiteral("Pedido") : i == 8 ? QStringLiteral("Lote") : QString();
            QCOMPARE(edit(dlg, CConfigDlg::kCampoExtra1Id + i)->text(), expected);
        }
        QCOMPARE(edit(dlg, CConfigDlg::kClaveId)->text(), QStringLiteral("Clave:1"));
        QCOMPARE(edit(dlg, CConfigDlg::kClaveId)->caption(), QStringLiteral("Clave de acceso"));
        QCOMPARE(edit(dlg, CConfigDlg::kMonedaId)->text(), QStringLiteral("DÓLARES"));
        QCOMPARE(edit(dlg, CConfigDlg::kPostfijoId)->text(), QStringLiteral("USD"));
        QCOMPARE(dlg.control<CTolTextEdit>(CConfigDlg::kComandoId)->toPlainText(), QStringLiteral("27,112,0,25,250"));
        QCOMPARE(dlg.control<CTolTextEdit>(CConfigDlg::kComandoId)->caption(), QStringLiteral("Comando para abrir cajón"));
        QVERIFY(!check(dlg, CConfigDlg::kWindowsPrinterId)->isChecked());
        QVERIFY(ticket(dlg)->isChecked());
        QCOMPARE(ticket(dlg)->title(), QStringLiteral("Utilizar impresora de tickets"));
        QVERIFY(dlg.control<QRadioButton>(CConfigDlg::kLpt1Id + 2)->isChecked());
        QCOMPARE(dlg.control<QRadioButton>(CConfigDlg::kLpt1Id + 2)->text(), QStringLiteral("COM1"));
        QVERIFY(check(dlg, CConfigDlg::kRapidoId)->isChecked());
        QVERIFY(!check(dlg, CConfigDlg::kAskPrinterId)->isChecked());
        QVERIFY(check(dlg, CConfigDlg::kPrcAivaId)->isChecked());

        // Taxes only, no withholdings; the default one chosen.
        auto* taxes = dlg.control<CComboTabla>(CConfigDlg::kImpuestoId);
        QStringList names;
        for (int i = 0; i < taxes->count(); ++i)
            names << taxes->itemText(i);
        QCOMPARE(names, (QStringList{"IVA 0 %", "IVA 16 %", "IVA 8 %"}));
        QCOMPARE(taxes->currentText(), QStringLiteral("IVA 8 %"));

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QStringList faults = layoutFaults(dlg);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
        saveShot(dlg, QStringLiteral("config"));

        // The two printer choices exclude each other, both ways.
        check(dlg, CConfigDlg::kWindowsPrinterId)->click();
        QVERIFY(check(dlg, CConfigDlg::kWindowsPrinterId)->isChecked());
        QVERIFY(!ticket(dlg)->isChecked());
        QVERIFY(!dlg.control<QRadioButton>(CConfigDlg::kLpt1Id)->isEnabled());
        ticket(dlg)->setChecked(true);
        QVERIFY(!check(dlg, CConfigDlg::kWindowsPrinterId)->isChecked());
        QVERIFY(dlg.control<QRadioButton>(CConfigDlg::kLpt1Id)->isEnabled());
    }

    void guardarWritesSettingsTablesAndTheRunningState() {
        m_db->execute("UPDATE CamposExtras SET Nombre = 'Viejo' WHERE Consec IN (1, 7)");
        m_state.impuesto = 1;
        CConfigDlg dlg(*m_db, m_state);
        edit(dlg, CConfigDlg::kCampoExtra1Id)->clear();
        edit(dlg, CConfigDlg::kColumnaExtra1Id)->clear();
        edit(dlg, CConfigDlg::kCampoExtra1Id + 3)->setText(QStringLiteral("Orden de compra"));
        edit(dlg, CConfigDlg::kColumnaExtra1Id + 3)->setText(QStringLiteral("Número de serie"));
        edit(dlg, CConfigDlg::kMonedaId)->setText(QStringLiteral("DÓLARES"));
        edit(dlg, CConfigDlg::kPostfijoId)->setText(QStringLiteral("USD"));
        edit(dlg, CConfigDlg::kClaveId)->setText(QStringLiteral("Peña:2024"));
        check(dlg, CConfigDlg::kWindowsPrinterId)->setChecked(false);
        dlg.control<QRadioButton>(CConfigDlg::kLpt1Id + 3)->setChecked(true);
        dlg.control<CTolTextEdit>(CConfigDlg::kComandoId)->setPlainText(QStringLiteral("27 112 0"));
        check(dlg, CConfigDlg::kRapidoId)->setChecked(true);
        check(dlg, CConfigDlg::kAskPrinterId)->setChecked(true);
        check(dlg, CConfigDlg::kPrcAivaId)->setChecked(true);
        dlg.control<CComboTabla>(CConfigDlg::kImpuestoId)->SelectByKey(2);
        edit(dlg, CConfigDlg::kLogoId)->setText(QStringLiteral("/srv/logo.gif"));
        QVERIFY(dlg.guardar());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.databaseChanged());

        // The settings store, with the types the registry had.
        QSettings raw = rawSettings();
        raw.beginGroup(QStringLiteral("Config"));
        const std::pair<const char*, int> ints[] = {{"PrcAiva", 1}, {"pWin", 0}, {"pPos", 3},
                                                    {"Rapido", 1}, {"AskPrinter", 1}, {"Impuesto", 2}};
        for (const auto& [name, value] : ints) {
            QCOMPARE(raw.value(QLatin1String(name)).toInt(), value);
            QCOMPARE(raw.value(QLatin1String(name)).typeId(), QMetaType::Int);
        }
        QCOMPARE(raw.value(QStringLiteral("Comando")).toString(), QStringLiteral("27 112 0"));
        QCOMPARE(raw.value(QStringLiteral("Logo")).toString(), QStringLiteral("/srv/logo.gif"));
        QVERIFY(!raw.contains(QStringLiteral("Path")));
        const Settings read = SettingsStore::read();
        QCOMPARE(read.pPos, 3);
        QCOMPARE(read.comando, std::string("27 112 0"));

        // The running program, at once.
        QCOMPARE(m_state.pWin, 0);
        QCOMPARE(m_state.pPos, 3);
        QCOMPARE(m_state.rapido, 1);
        QCOMPARE(m_state.askPrinter, 1);
        QCOMPARE(m_state.prcAiva, 1);
        QCOMPARE(m_state.impuesto, 2);
        QCOMPARE(m_state.defaultTaxRate, 0.08);
        QCOMPARE(m_state.comando, std::string("27 112 0"));
        QCOMPARE(m_state.logo, std::string("/srv/logo.gif"));
        QCOMPARE(CurrencyName(), std::string("DÓLARES"));
        QCOMPARE(CurrencySuffix(), std::string("USD"));

        // The tables: names by position, the password scrambled (':' scrambles to a zero byte).
        QCOMPARE(extraName(1), std::string());
        QCOMPARE(extraName(4), std::string("Orden de compra"));
        QCOMPARE(extraName(7), std::string());
        QCOMPARE(extraName(10), std::string("Número de serie"));
        QCOMPARE(storedIn(), ScramblePassword("Peña:2024"));
        QVERIFY(storedIn() != "Peña:2024");
        QCOMPARE(storedIn().size(), std::string("Peña:2024").size());
        QVERIFY(IsAccessPassword(*m_db, "Peña:2024"));
        QVERIFY(!IsAccessPassword(*m_db, "Peña"));

        // Opened again, it shows what was saved.
        CConfigDlg again(*m_db, m_state);
        QCOMPARE(edit(again, CConfigDlg::kClaveId)->text(), QStringLiteral("Peña:2024"));
        QCOMPARE(edit(again, CConfigDlg::kColumnaExtra1Id + 3)->text(), QStringLiteral("Número de serie"));
        QVERIFY(!check(again, CConfigDlg::kWindowsPrinterId)->isChecked());
        QVERIFY(again.control<QRadioButton>(CConfigDlg::kLpt1Id + 3)->isChecked());

        // An empty password is stored empty and lets an empty typed one in.
        edit(again, CConfigDlg::kClaveId)->clear();
        QVERIFY(again.guardar());
        QCOMPARE(storedIn(), std::string());
        QVERIFY(IsAccessPassword(*m_db, ""));
    }

    void lengthsAreLimitedAndSalirWritesNothing() {
        CConfigDlg dlg(*m_db, m_state);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* clave = edit(dlg, CConfigDlg::kClaveId);
        clave->setFocus();
        QTest::keyClicks(clave, QString(41, QLatin1Char('x')));
        QCOMPARE(clave->text().size(), 40);
        auto* name = edit(dlg, CConfigDlg::kCampoExtra1Id + 5);
        name->setFocus();
        QTest::keyClicks(name, QString(30, QLatin1Char('n')));
        QCOMPARE(name->text().size(), 25);

        // A longer name put in from elsewhere is refused by "Guardar": nothing is written.
        edit(dlg, CConfigDlg::kColumnaExtra1Id)->setText(QString(26, QLatin1Char('c')));
        {
            MessageLog messages;
            dlg.control<QPushButton>(CConfigDlg::kGuardarId)->click();
            QCOMPARE(messages.texts(), QStringList{QStringLiteral("Please enter no more than 25 characters.")});
        }
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.focusWidget(), edit(dlg, CConfigDlg::kColumnaExtra1Id));
        QCOMPARE(extraName(6), std::string());
        QCOMPARE(storedIn(), std::string());
        QVERIFY(!rawSettings().contains(QStringLiteral("Config/pWin")));

        dlg.control<QPushButton>(CConfigDlg::kSalirId)->click();
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(extraName(6), std::string());
        QCOMPARE(storedIn(), std::string());
        QVERIFY(rawSettings().allKeys().isEmpty());
    }

    void catalogueButtonsRunTheCataloguesAndTheTaxListFollows() {
        m_state.impuesto = 2;
        CConfigDlg dlg(*m_db, m_state);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* taxes = dlg.control<CComboTabla>(CConfigDlg::kImpuestoId);
        taxes->SelectByKey(3);  // chosen on screen, not saved yet

        QString opened;
        QPointer<QTimer> watcher = answerNextModal(
            [this, &opened](QWidget* w) {
                opened = QString::fromLatin1(w->metaObject()->className());
                // A tax added while the catalogue is open.
                m_db->execute("INSERT INTO Impuestos (Nombre, Porcentaje, Retencion) VALUES ('IEPS 8 %', 8, 0)");
                QTest::keyClick(w, Qt::Key_Escape);
            },
            &dlg);
        dlg.control<QPushButton>(CConfigDlg::kImpuestosId)->click();
        QTRY_VERIFY(!watcher);
        QCOMPARE(opened, QStringLiteral("CCatImpuestos"));
        QCOMPARE(taxes->count(), 4);
        QCOMPARE(taxes->GetSelectedKey(), 3);

        watcher = answerNextModal(
            [&opened](QWidget* w) {
                opened = QString::fromLatin1(w->metaObject()->className());
                QTest::keyClick(w, Qt::Key_Escape);
            },
            &dlg);
        dlg.control<QPushButton>(CConfigDlg::kArticulosId)->click();
        QTRY_VERIFY(!watcher);
        QCOMPARE(opened, QStringLiteral("CCatArticulos"));
        QVERIFY(dlg.isVisible());
    }

    void choosingADatabaseWritesPathAndEndsTheDialog() {
        const QString other = m_dir.filePath(QStringLiteral("otra.mdb"));
        Database::create(other.toStdString());
        const QString junk = m_dir.filePath(QStringLiteral("basura.mdb"));
        {
            QFile f(junk);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("no es una base de datos, sino texto cualquiera que ocupa espacio");
        }

        CConfigDlg dlg(*m_db, m_state);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        edit(dlg, CConfigDlg::kMonedaId)->setText(QStringLiteral("EUROS"));
        {
            MessageLog messages;
            QVERIFY(!dlg.useDatabase(junk));
            QCOMPARE(messages.texts().size(), 1);
            QVERIFY(dlg.isVisible());
            QVERIFY(!rawSettings().contains(QStringLiteral("Config/Path")));
        }

        // Through the lookup button and its file dialog.
        MessageLog messages;
        QPointer<QTimer> watcher = answerNextModal(
            [other](QWidget* w) {
                auto* files = qobject_cast<QFileDialog*>(w);
                if (!files) {
                    qWarning() << "unexpected modal" << w->metaObject()->className();
                    w->close();
                    QFAIL("the file dialog did not open");
                }
                QCOMPARE(files->windowTitle(), QStringLiteral("¿Que base de datos desea utilizar?"));
                // Typed as a whole path, as the operator may: no wait for the folder listing.
                auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                QVERIFY(name);
                name->setText(other);
                QMetaObject::invokeMethod(files, "accept");
            },
            &dlg);
        dlg.sendCommand(CConfigDlg::kBrowseDatabaseCommand);
        QTRY_VERIFY(!watcher);
        QCOMPARE(messages.texts(),
                 QStringList{QStringLiteral("- Debe reiniciar la aplicación para reflejar los cambios -")});
        QVERIFY(dlg.databaseChanged());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(rawSettings().value(QStringLiteral("Config/Path")).toString(), other);
        // Nothing else of the dialog was saved.
        QCOMPARE(rawSettings().allKeys(), QStringList{QStringLiteral("Config/Path")});
        CGeneralSet general(*m_db);
        general.Open(OpenType::Snapshot);
        QCOMPARE(general.m_Moneda, std::string("PESOS"));
    }

    void mainFormAppliesTheConfiguration() {
        CPrincipalDlg form(*m_db, m_state);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* extra3 = form.control<CTolEdit>(CPrincipalDlg::kExtra1 + 2);
        QVERIFY(!extra3->isVisible());
        form.control<CTolEdit>(CPrincipalDlg::kCliente)->setText(QStringLiteral("A medio capturar"));

        QPointer<QTimer> watcher = answerNextModal(
            [](QWidget* w) {
                auto* dlg = qobject_cast<CConfigDlg*>(w);
                QVERIFY(dlg);
                dlg->control<CTolEdit>(CConfigDlg::kCampoExtra1Id + 2)->setText(QStringLiteral("Vendedor"));
                dlg->control<QCheckBox>(CConfigDlg::kRapidoId)->setChecked(true);
                dlg->control<QPushButton>(CConfigDlg::kGuardarId)->click();
            },
            &form);
        form.sendCommand(CPrincipalDlg::kConfigure);
        QTRY_VERIFY(!watcher);
        QVERIFY(extra3->isVisible());
        QCOMPARE(extra3->caption(), QStringLiteral("Vendedor"));
        QCOMPARE(m_state.rapido, 1);
        QCOMPARE(form.control<CTolEdit>(CPrincipalDlg::kCliente)->text(), QString());  // cleared

        // Salir changes nothing on the form.
        watcher = answerNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, &form);
        form.sendCommand(CPrincipalDlg::kConfigure);
        QTRY_VERIFY(!watcher);
        QVERIFY(form.isVisible());

        // A new database file ends the form, and with it the program.
        const QString other = m_dir.filePath(QStringLiteral("nueva%1.mdb").arg(m_n));
        Database::create(other.toStdString());
        MessageLog messages;
        watcher = answerNextModal([other](QWidget* w) { static_cast<CConfigDlg*>(w)->useDatabase(other); }, &form);
        form.sendCommand(CPrincipalDlg::kConfigure);
        QTRY_VERIFY(!watcher);
        QVERIFY(!form.isVisible());
        QCOMPARE(rawSettings().value(QStringLiteral("Config/Path")).toString(), other);
    }
};

QTEST_MAIN(TestConfigDlg)
#include "tst_configdlg.moc"
