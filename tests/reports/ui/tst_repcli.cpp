#include "catalogs/ui/CatClientes.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "invoice/MoneyFormat.h"
#include "platform/ApplicationState.h"
#include "platform/ui/LocaleMoneyFormat.h"
#include "platform/ui/Resources.h"
#include "reports/ui/RepCatart.h"
#include "reports/ui/RepCatcli.h"
#include "reports/ui/RepCxc.h"
#include "reports/ui/RepDlg.h"
#include "reports/ui/RepDoc.h"
#include "reports/ui/RepEdo.h"
#include "support/ModalAnswer.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QLocale>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// `quintaleva-cli reporte` writes the very bytes the viewer's "Guardar" writes for the same
// report, and refuses what the dialogs refuse with the same words, writing nothing.
class TestRepCli : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_file;
    TestDatabase m_testDb;
    std::unique_ptr<Database> m_db;
    ApplicationState m_state;

    struct Run {
        int exitCode = -1;
        QString err;
    };

    Run cli(QStringList args) {
        args.insert(1, m_file);  // reporte NOMBRE ARCHIVO ...
        args.prepend(QStringLiteral("reporte"));
        QProcess p;
        p.start(QStringLiteral(QUINTALEVA_CLI_PATH), args);
        if (!p.waitForFinished(60000))
            return {};
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError())};
    }

    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Generates on `dlg`; the viewer saves both forms and closes. Empty names: nothing was shown,
    // and `message` holds what the dialog said instead.
    QStringList viewerSaves(CReportDlg& dlg, QString* message = nullptr) {
        static int n = 0;
        const QString base = m_dir.filePath(QStringLiteral("visor%1").arg(++n));
        QStringList saved;
        answerNextModal(
            [&](QWidget* w) {
                if (auto* viewer = qobject_cast<CRepDlg*>(w)) {
                    if (viewer->saveTo(base + QStringLiteral(".txt")) && viewer->saveTo(base + QStringLiteral(".rep")))
                        saved = {base + QStringLiteral(".txt"), base + QStringLiteral(".rep")};
                } else if (auto* box = qobject_cast<CTolMessageDlg*>(w); box && message) {
                    *message = box->text();
                }
                qobject_cast<QDialog*>(w)->reject();
            },
            &dlg);
        dlg.show();
        QTest::mouseClick(qobject_cast<QWidget*>(dlg.control(CReportDlg::kGenerarId)), Qt::LeftButton);
        return saved;
    }

    // The viewer's two files against the command's, byte for byte.
    void compare(CReportDlg& dlg, const QStringList& args) {
        const QStringList saved = viewerSaves(dlg);
        QCOMPARE(saved.size(), 2);
        const QString txt = m_dir.filePath(QStringLiteral("cli.txt")), rep = m_dir.filePath(QStringLiteral("cli.rep"));
        const Run t = cli(args + QStringList{QStringLiteral("--txt"), txt});
        QVERIFY2(t.exitCode == 0, qPrintable(t.err));
        const Run r = cli(args + QStringList{QStringLiteral("--rep"), rep});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QByteArray viewerText = read(saved[0]);
        QVERIFY(viewerText.size() > 40);
        QCOMPARE(read(txt), viewerText);
        QCOMPARE(read(rep), read(saved[1]));
    }

    void chooseCustomer(CReportDlg& dlg, const QString& name) {
        answerNextModal([name](QWidget* w) {
            auto* catalogue = qobject_cast<CCatClientes*>(w);
            QVERIFY(catalogue);
            catalogue->applySearch(name);
            catalogue->grid()->setFocus();
            catalogue->grid()->setCurrentCell(1, 1);
            QTest::keyClick(catalogue->grid(), Qt::Key_Return);
        }, &dlg);
        dlg.sendCommand(CReportDlg::kLookupId);
        QCOMPARE(qobject_cast<CTolEdit*>(dlg.control(CReportDlg::kClienteId))->text(), name);
    }

    static void setDay(CReportDlg& dlg, int id, QDate day) {
        qobject_cast<CTolDatePicker*>(dlg.control(id))->setDateTime(QDateTime(day, QTime(0, 0)));
    }

    void addDocument(int cliente, const char* nombre, const char* serie, int folio, double fecha, double total,
                     int cancelada, int lines, double pagado) {
        m_db->execute("INSERT INTO Documentos (Id_Cliente, Nombre, Fecha, Vence, Serie, Folio, Subtotal, Impuesto1, "
                      "Total, YaPagado, Pagado, Cancelada) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                      {std::int64_t{cliente}, std::string(nombre), fecha, fecha + 30.5,
                       serie ? DbValue(std::string(serie)) : DbValue(), std::int64_t{folio}, total / 1.16,
                       total - total / 1.16, total, pagado, std::int64_t{pagado >= total}, std::int64_t{cancelada}});
        const std::int64_t id = m_db->lastInsertId();
        for (int i = 0; i < lines; ++i)
            m_db->execute("INSERT INTO Detalles (Id_Documento, Renglon, Clave, Descripcion, Precio, Cantidad, "
                          "pDescuento, Importe, Descuento) VALUES (?, ?, ?, 'Tornillo ½\"', 5, 2, 10, 10, 1)",
                          {id, std::int64_t{i + 1}, "T" + std::to_string(i)});
        if (pagado > 0)
            m_db->execute("INSERT INTO Cobros (Id_Documento, NumPago, Fecha, Importe, Referencia, Id_Cliente) "
                          "VALUES (?, 1, ?, ?, 'Cheque 12', ?)",
                          {id, fecha + 3, pagado, std::int64_t{cliente}});
    }

private Q_SLOTS:
    void initTestCase() {
        InitQuintalevaResources();
        CTolMessageDlg::registerToolkit();
        // The command takes the money format of the computer, as the program does.
        MoneyFormat::setCurrent(LocaleMoneyFormat(QLocale::system()));
        m_file = QString::fromStdString(m_testDb.location());
        m_db = m_testDb.create();
        m_state.nombre = "MI NEGOCIO";
        m_db->execute("INSERT INTO Clientes (Id_Cliente, Nombre, Dom1, RFC, Telefono) VALUES "
                      "(1, 'Pérez Ñuño', 'Calle 5', 'PENU800101AB1', '555'), (2, 'Ana O''Higgins', NULL, NULL, ''), "
                      "(3, 'Zoé', 'Av. €uro', 'ZOEX', NULL)");
        m_db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio, PrecioNeto) VALUES "
                      "('B2', 'Alambre', 10, 11.6), ('A1', 'Clavo «fino»', 1.5, 1.74), ('C3', 'Brocha', 99, 114.84)");
        const double march = OleDate::fromDate(2024, 3, 1).value;
        addDocument(1, "Pérez Ñuño", "A", 1, march + 0.4, 116, 0, 2, 50);
        addDocument(2, "Ana O'Higgins", "A", 2, march + 5.6, 232, 0, 1, 0);
        addDocument(1, "Pérez Ñuño", "A", 3, march + 9, 1000, 1, 1, 0);
        addDocument(3, "Zoé", nullptr, 7, march + 40, 58, 0, 3, 58);
        addDocument(2, "Ana O'Higgins", "B", 1, march - 20, 10, 0, 0, 0);
    }

    void documentsJournal() {
        CRepDoc dlg(*m_db, m_state);
        compare(dlg, {QStringLiteral("documentos")});

        qobject_cast<QCheckBox*>(dlg.control(CRepDoc::kPorPeriodoId))->setChecked(true);
        setDay(dlg, CReportDlg::kDesdeId, QDate(2024, 3, 1));
        setDay(dlg, CReportDlg::kHastaId, QDate(2024, 3, 31));
        qobject_cast<CTolEdit*>(dlg.control(CReportDlg::kSerieId))->setText(QStringLiteral("A"));
        qobject_cast<QRadioButton*>(dlg.control(CRepDoc::kDetalladoId))->setChecked(true);
        compare(dlg, {QStringLiteral("documentos"), QStringLiteral("--desde"), QStringLiteral("01/03/2024"),
                      QStringLiteral("--hasta"), QStringLiteral("31/03/2024"), QStringLiteral("--serie"),
                      QStringLiteral("A"), QStringLiteral("--detallado")});

        // A folio names one document, whatever else is chosen.
        qobject_cast<CTolEdit*>(dlg.control(CReportDlg::kFolioId))->setText(QStringLiteral("2"));
        qobject_cast<QRadioButton*>(dlg.control(CRepDoc::kResumidoId))->setChecked(true);
        chooseCustomer(dlg, QStringLiteral("Pérez Ñuño"));
        compare(dlg, {QStringLiteral("documentos"), QStringLiteral("--desde"), QStringLiteral("01/03/2024"),
                      QStringLiteral("--hasta"), QStringLiteral("31/03/2024"), QStringLiteral("--serie"),
                      QStringLiteral("A"), QStringLiteral("--folio"), QStringLiteral("2"), QStringLiteral("--cliente"),
                      QStringLiteral("1")});
    }

    void receivables() {
        CRepCxc dlg(*m_db, m_state);
        compare(dlg, {QStringLiteral("cxc")});
        chooseCustomer(dlg, QStringLiteral("Ana O'Higgins"));
        qobject_cast<QRadioButton*>(dlg.control(CRepCxc::kVencidasId))->setChecked(true);
        compare(dlg, {QStringLiteral("cxc"), QStringLiteral("--cliente"), QStringLiteral("2"), QStringLiteral("--vencidas")});
    }

    void customerStatement() {
        CRepEdo dlg(*m_db, m_state);
        setDay(dlg, CReportDlg::kDesdeId, QDate(2024, 3, 2));
        setDay(dlg, CReportDlg::kHastaId, QDate(2024, 4, 30));
        const QStringList period{QStringLiteral("movimientos"), QStringLiteral("--desde"), QStringLiteral("02/03/2024"),
                                 QStringLiteral("--hasta"), QStringLiteral("30/04/2024")};
        compare(dlg, period);
        qobject_cast<QRadioButton*>(dlg.control(CRepEdo::kDetalladoId))->setChecked(true);
        compare(dlg, period + QStringList{QStringLiteral("--detallado")});
        chooseCustomer(dlg, QStringLiteral("Zoé"));
        compare(dlg, period + QStringList{QStringLiteral("--detallado"), QStringLiteral("--cliente"), QStringLiteral("3")});
    }

    void catalogues() {
        CRepCatart articles(*m_db, m_state);
        compare(articles, {QStringLiteral("articulos")});
        qobject_cast<QRadioButton*>(articles.control(CRepCatart::kDescripcionId))->setChecked(true);
        compare(articles, {QStringLiteral("articulos"), QStringLiteral("--por-descripcion")});

        CRepCatcli customers(*m_db, m_state);
        auto* list = qobject_cast<QListWidget*>(customers.control(CRepCatcli::kCamposId));
        list->item(4)->setSelected(true);  // RFC
        list->item(0)->setSelected(true);  // Nombre
        list->item(5)->setSelected(true);  // Telefono
        // The list's order, whatever the order written.
        compare(customers, {QStringLiteral("clientes"), QStringLiteral("--campos"), QStringLiteral("Telefono,RFC,Nombre")});
    }

    // What the dialogs refuse, the command refuses in the same words, and an older output file
    // stays as it was.
    void badInputWritesNothing() {
        const QString out = m_dir.filePath(QStringLiteral("previo.txt"));
        {
            QFile f(out);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("previo");
        }
        auto refused = [&](const QStringList& args, const QString& expected) {
            const Run r = cli(args + QStringList{QStringLiteral("--txt"), out});
            QCOMPARE(r.exitCode, 1);
            QCOMPARE(r.err, QStringLiteral("Error: ") + expected + QLatin1Char('\n'));
            QCOMPARE(read(out), QByteArray("previo"));
        };

        // An empty period: the dialog's own message.
        CRepDoc dlg(*m_db, m_state);
        qobject_cast<QCheckBox*>(dlg.control(CRepDoc::kPorPeriodoId))->setChecked(true);
        setDay(dlg, CReportDlg::kDesdeId, QDate(2020, 1, 1));
        setDay(dlg, CReportDlg::kHastaId, QDate(2020, 1, 31));
        QString message;
        QVERIFY(viewerSaves(dlg, &message).isEmpty());
        QCOMPARE(message, QStringLiteral("No hay elemnetos que mostrar"));
        refused({QStringLiteral("documentos"), QStringLiteral("--desde"), QStringLiteral("01/01/2020"),
                 QStringLiteral("--hasta"), QStringLiteral("31/01/2020")},
                message);
        refused({QStringLiteral("cxc"), QStringLiteral("--folio"), QStringLiteral("999")},
                QStringLiteral("- No hay elementos que mostrar -"));

        refused({QStringLiteral("movimientos"), QStringLiteral("--cliente"), QStringLiteral("44")},
                QStringLiteral("no existe el cliente 44."));
        refused({QStringLiteral("documentos"), QStringLiteral("--desde"), QStringLiteral("31/02/2024"),
                 QStringLiteral("--hasta"), QStringLiteral("01/03/2024")},
                QStringLiteral("\"31/02/2024\" no es una fecha; escríbala como DD/MM/AAAA."));
        refused({QStringLiteral("documentos"), QStringLiteral("--desde"), QStringLiteral("ayer"),
                 QStringLiteral("--hasta"), QStringLiteral("01/03/2024")},
                QStringLiteral("\"ayer\" no es una fecha; escríbala como DD/MM/AAAA."));
        refused({QStringLiteral("clientes")}, QStringLiteral("- Seleccione al menos un campo para el reporte -"));

        // An output that cannot be written: the viewer's message, before any work.
        const QString nowhere = m_dir.filePath(QStringLiteral("no/hay/r.txt"));
        CRepCatart articles(*m_db, m_state);
        QString viewerError;
        answerNextModal(
            [&](QWidget* w) {
                if (auto* viewer = qobject_cast<CRepDlg*>(w))
                    QVERIFY(!viewer->saveTo(nowhere, &viewerError));
                qobject_cast<QDialog*>(w)->reject();
            },
            &articles);
        QTest::mouseClick(qobject_cast<QWidget*>(articles.control(CReportDlg::kGenerarId)), Qt::LeftButton);
        QCOMPARE(viewerError, QStringLiteral("No se pudo escribir el archivo %1: la carpeta no existe").arg(nowhere));
        const Run r = cli({QStringLiteral("articulos"), QStringLiteral("--txt"), nowhere});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QStringLiteral("Error: ") + viewerError + QLatin1Char('\n'));
        // Nothing left in the folder but what the tests put there.
        const QStringList left = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        for (const QString& name : left)
            QVERIFY2(!name.contains(QStringLiteral(".tmp")), qPrintable(name));
    }
};

QTEST_MAIN(TestRepCli)
#include "tst_repcli.moc"
