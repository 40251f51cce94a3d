#include "catalogs/ui/CatClientes.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "db/Transaction.h"
#include "invoice/DocumentStore.h"
#include "invoice/MoneyFormat.h"
#include "invoice/ui/BuscarDlg.h"
#include "support/GridCell.h"
#include "support/ModalAnswer.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QGroupBox>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <optional>

namespace {

struct Doc {
    std::int32_t idCliente;
    const char* nombre;
    std::optional<std::string> serie;  // nothing: stored as Null
    int folio;
    OleDate fecha;
    double total;
    bool cancelada = false;
};

std::int32_t addDoc(Database& db, const Doc& d) {
    db.execute("INSERT INTO Documentos (Id_Cliente, Nombre, Serie, Folio, Fecha, Total, Cancelada) "
               "VALUES (?, ?, ?, ?, ?, ?, ?)",
               {std::int64_t{d.idCliente}, std::string(d.nombre), d.serie ? DbValue{*d.serie} : DbValue{},
                std::int64_t{d.folio}, d.fecha.value, d.total, std::int64_t{d.cancelada ? 1 : 0}});
    return static_cast<std::int32_t>(db.lastInsertId());
}

// Column 1 of every listed row.
QStringList listed(CBuscarDlg& dlg) {
    QStringList list;
    for (int row = 1; row <= dlg.resultCount(); ++row)
        list << GridCell(dlg, row, 1);
    return list;
}

OleDate day(int y, int m, int d, int h = 0, int min = 0) { return OleDate::fromDate(y, m, d, h, min); }

} // namespace

class TestBuscarDlg final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_testDb;
    std::unique_ptr<Database> m_db;

    CTolEdit* edit(CBuscarDlg& dlg, int id) { return dlg.control<CTolEdit>(id); }

    void setPeriod(CBuscarDlg& dlg, QDate from, QDate to) {
        dlg.control<QGroupBox>(CBuscarDlg::kPeriodoId)->setChecked(true);
        dlg.control<CTolDatePicker>(CBuscarDlg::kDesdeId)->setDate(from);
        dlg.control<CTolDatePicker>(CBuscarDlg::kHastaId)->setDate(to);
    }

private Q_SLOTS:
    void initTestCase() {
        CTolMessageDlg::registerToolkit();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
    }

    void init() {
        m_testDb = std::make_unique<TestDatabase>();
        m_db = m_testDb->create();
    }

    void cleanup() {
        m_db.reset();
        m_testDb.reset();
    }

    // A list longer than the rows read at opening: it shows them at once, counts the rest when the
    // event loop is free without moving the highlight, and End, Home and the pages in both
    // directions read the rows in order; the series narrows it and leaving the box empty widens it.
    void aLongListOpensAtOnceAndPagesBothWays() {
        QStringList expected;
        {
            Transaction tx(*m_db);
            for (int folio = 1; folio <= 400; ++folio)
                addDoc(*m_db, {1, "Ana", std::nullopt, folio, day(2024, 3, 5), 10});
            for (int folio = 1; folio <= 600; ++folio)
                addDoc(*m_db, {1, "Ana", std::string("A"), folio, day(2024, 3, 5), 10});
            tx.commit();
        }
        for (int folio = 1; folio <= 400; ++folio)
            expected << QStringLiteral("%1").arg(folio, 6, 10, QLatin1Char('0'));
        for (int folio = 1; folio <= 600; ++folio)
            expected << QStringLiteral("A%1").arg(folio, 6, 10, QLatin1Char('0'));

        CBuscarDlg dlg(*m_db);
        dlg.show();
        QVERIFY(dlg.resultCount() < 1000);
        QCOMPARE(GridCell(dlg, 1, 1), QStringLiteral("000001"));
        dlg.grid()->setCurrentCell(1, 50);
        QTRY_COMPARE(dlg.resultCount(), 1000);
        QCOMPARE(dlg.grid()->currentRow(), 50);

        // End, then up to the first row one page at a time.
        dlg.grid()->processKey(Qt::Key_End);
        QCOMPARE(dlg.grid()->currentRow(), 1000);
        QStringList upwards;
        for (int row = 1000; row >= 1; --row)
            upwards.prepend(GridCell(dlg, row, 1));
        QCOMPARE(upwards, expected);
        dlg.grid()->processKey(Qt::Key_Home);
        QCOMPARE(dlg.grid()->currentRow(), 1);
        QCOMPARE(listed(dlg), expected);
        dlg.grid()->processKey(Qt::Key_PageDown);
        QVERIFY(dlg.grid()->currentRow() > 1);
        QCOMPARE(GridCell(dlg, dlg.grid()->currentRow(), 1), expected[dlg.grid()->currentRow() - 1]);

        edit(dlg, CBuscarDlg::kSerieId)->setText(QStringLiteral("a"));
        dlg.buscar();
        QTRY_COMPARE(dlg.resultCount(), 600);
        QCOMPARE(GridCell(dlg, 600, 1), QStringLiteral("A000600"));
        edit(dlg, CBuscarDlg::kSerieId)->clear();
        dlg.buscar();
        QTRY_COMPARE(dlg.resultCount(), 1000);

        // Choosing the last row ends with its document.
        dlg.grid()->processKey(Qt::Key_End);
        QVERIFY(dlg.seleccionar(dlg.grid()->currentRow()));
        QCOMPARE(dlg.idDocumento(), *CDocumentStore(*m_db).Find("A", 600));
    }

    void listsEverythingFirstWithItsTexts() {
        addDoc(*m_db, {1, "Ana", std::string("B"), 2, day(2024, 3, 5, 10), 1240.5});
        addDoc(*m_db, {2, "Beto", std::string("A"), 123, day(2024, 3, 6), 99.999});
        addDoc(*m_db, {2, "Beto", std::nullopt, 7, day(2024, 3, 7), 10});
        addDoc(*m_db, {3, "Carla", std::string("A"), 9, day(2024, 3, 8), 500, true});

        CBuscarDlg dlg(*m_db);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Busqueda de documentos"));
        QCOMPARE(dlg.grid()->rowCount(), 5);
        // Series, then folio: the empty series first.
        QCOMPARE(listed(dlg), (QStringList{"000007", "A000009", "A000123", "B000002"}));
        QCOMPARE(GridCell(dlg, 3, 2), QStringLiteral("06/Mar/2024"));
        QCOMPARE(GridCell(dlg, 3, 3), QStringLiteral("Beto"));
        QCOMPARE(GridCell(dlg, 3, 4), QStringLiteral("$100.00"));
        QCOMPARE(GridCell(dlg, 4, 4), QStringLiteral("$1,240.50"));
        // A cancelled document: the mark instead of the name, and no amount.
        QCOMPARE(GridCell(dlg, 2, 3), QStringLiteral("* CANCELADA *"));
        QCOMPARE(GridCell(dlg, 2, 4), QString());
        QCOMPARE(GridCell(dlg, 2, 2), QStringLiteral("08/Mar/2024"));
        QCOMPARE(GridCell(dlg, 5, 1), QString());

        QCOMPARE(dlg.grid()->columnTitle(1), QStringLiteral("Serie/Folio"));
        QCOMPARE(dlg.grid()->columnWidth(3), 300);
        QVERIFY(dlg.grid()->isRowSelect());
        auto* cliente = edit(dlg, CBuscarDlg::kClienteId);
        QVERIFY(cliente->isReadOnly());
        QCOMPARE(cliente->lookupCommand(), CBuscarDlg::kLookupCommand);
    }

    void folioReplacesTheOtherFilters() {
        addDoc(*m_db, {1, "Ana", std::string("A"), 5, day(2020, 1, 1), 10});
        addDoc(*m_db, {2, "Beto", std::nullopt, 5, day(2021, 1, 1), 20});
        addDoc(*m_db, {2, "Beto", std::string("B"), 5, day(2024, 6, 1), 30});
        addDoc(*m_db, {2, "Beto", std::nullopt, 6, day(2024, 6, 1), 40});

        CBuscarDlg dlg(*m_db);
        // Customer 2 and a period that holds none of the folio-5 documents: both ignored.
        dlg.setCliente(2, QStringLiteral("Beto"));
        setPeriod(dlg, QDate(2024, 6, 1), QDate(2024, 6, 1));
        edit(dlg, CBuscarDlg::kSerieId)->setText(QStringLiteral("a"));
        edit(dlg, CBuscarDlg::kFolioId)->setText(QStringLiteral("5"));
        dlg.control<QPushButton>(CBuscarDlg::kBuscarId)->click();
        QCOMPARE(listed(dlg), QStringList{"A000005"});
        QCOMPARE(edit(dlg, CBuscarDlg::kFolioId)->text(), QStringLiteral("000005"));

        // An empty series with a folio is the Null series, not any series.
        edit(dlg, CBuscarDlg::kSerieId)->clear();
        dlg.buscar();
        QCOMPARE(listed(dlg), QStringList{"000005"});
        QCOMPARE(GridCell(dlg, 1, 3), QStringLiteral("Beto"));

        // Without the folio the customer and the period apply again.
        edit(dlg, CBuscarDlg::kFolioId)->clear();
        dlg.buscar();
        QCOMPARE(listed(dlg), (QStringList{"000006", "B000005"}));
        edit(dlg, CBuscarDlg::kSerieId)->setText(QStringLiteral("B"));
        dlg.buscar();
        QCOMPARE(listed(dlg), QStringList{"B000005"});
    }

    void periodTakesTheWholeLastDay() {
        addDoc(*m_db, {1, "Antes", std::string("A"), 1, day(2024, 3, 9, 23, 59), 1});
        addDoc(*m_db, {1, "Inicio", std::string("A"), 2, day(2024, 3, 10), 1});
        addDoc(*m_db, {1, "Noche", std::string("A"), 3, day(2024, 3, 11, 23, 59), 1});
        addDoc(*m_db, {1, "Despues", std::string("A"), 4, day(2024, 3, 12, 8), 1});

        CBuscarDlg dlg(*m_db);
        setPeriod(dlg, QDate(2024, 3, 10), QDate(2024, 3, 11));
        dlg.buscar();
        QCOMPARE(listed(dlg), (QStringList{"A000002", "A000003"}));

        // Unticking the period lists everything again.
        dlg.control<QGroupBox>(CBuscarDlg::kPeriodoId)->setChecked(false);
        QVERIFY(!dlg.control<CTolDatePicker>(CBuscarDlg::kDesdeId)->isEnabled());
        dlg.buscar();
        QCOMPARE(dlg.resultCount(), 4);
    }

    void customerChosenByLookupStaysInTheFilter() {
        m_db->execute("INSERT INTO Clientes (Nombre) VALUES ('Ana')");
        m_db->execute("INSERT INTO Clientes (Nombre) VALUES ('O''Higgins')");
        const auto higgins = static_cast<std::int32_t>(m_db->lastInsertId());
        addDoc(*m_db, {1, "Ana", std::string("A"), 1, day(2024, 1, 1), 1});
        addDoc(*m_db, {higgins, "O'Higgins", std::string("A"), 2, day(2024, 1, 1), 1});
        addDoc(*m_db, {higgins, "O'Higgins", std::string("B"), 3, day(2024, 1, 1), 1});

        CBuscarDlg dlg(*m_db);
        dlg.show();
        // The lookup button opens the catalogue as a picker; choose O'Higgins there.
        answerNextModal(
            [](QWidget* w) {
                auto* cat = qobject_cast<CCatClientes*>(w);
                QVERIFY(cat);
                QVERIFY(cat->applySearch(QStringLiteral("higgins")));
                cat->control<QPushButton>(CCatClientes::kSeleccionarId)->click();
            },
            &dlg);
        edit(dlg, CBuscarDlg::kClienteId)->lookupButton()->click();
        QTRY_COMPARE(dlg.idCliente(), higgins);
        QCOMPARE(edit(dlg, CBuscarDlg::kClienteId)->text(), QStringLiteral("O'Higgins"));
        dlg.buscar();
        QCOMPARE(listed(dlg), (QStringList{"A000002", "B000003"}));

        // Typing into the read-only edit changes nothing; other searches keep the customer.
        QTest::keyClicks(edit(dlg, CBuscarDlg::kClienteId), "x");
        QCOMPARE(edit(dlg, CBuscarDlg::kClienteId)->text(), QStringLiteral("O'Higgins"));
        edit(dlg, CBuscarDlg::kSerieId)->setText(QStringLiteral("B"));
        dlg.buscar();
        QCOMPARE(listed(dlg), QStringList{"B000003"});

        // Leaving the catalogue without a choice keeps the customer too.
        answerNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, &dlg);
        dlg.sendCommand(CBuscarDlg::kLookupCommand);
        QCOMPARE(dlg.idCliente(), higgins);
        dlg.reject();
    }

    void choosingNeedsADataRow() {
        const std::int32_t first = addDoc(*m_db, {1, "Ana", std::string("A"), 1, day(2024, 1, 1), 1});
        const std::int32_t second = addDoc(*m_db, {1, "Beto", std::string("A"), 2, day(2024, 1, 1), 1});

        // A search that finds nothing: "Seleccionar" does nothing; then "Salir" returns nothing.
        answerNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CBuscarDlg*>(w);
            QVERIFY(dlg);
            dlg->control<CTolEdit>(CBuscarDlg::kFolioId)->setText(QStringLiteral("99"));
            dlg->buscar();
            QCOMPARE(dlg->resultCount(), 0);
            dlg->control<QPushButton>(CBuscarDlg::kSeleccionarId)->click();
            QVERIFY(dlg->isVisible());
            QVERIFY(!dlg->seleccionar(0));
            QVERIFY(!dlg->seleccionar(1));
            dlg->control<QPushButton>(CBuscarDlg::kSalirId)->click();
        });
        QVERIFY(!CBuscarDlg::Choose(*m_db).has_value());

        // "Seleccionar" on the highlighted row.
        answerNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CBuscarDlg*>(w);
            dlg->grid()->setCurrentCell(1, 2);
            dlg->control<QPushButton>(CBuscarDlg::kSeleccionarId)->click();
        });
        QCOMPARE(CBuscarDlg::Choose(*m_db), std::optional<std::int32_t>(second));

        // A double-click on a row.
        answerNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CBuscarDlg*>(w);
            CTolGrid* grid = dlg->grid();
            const QPoint inRow1 = grid->cellRect(3, 1).center();
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, inRow1);
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, inRow1);
        });
        QCOMPARE(CBuscarDlg::Choose(*m_db), std::optional<std::int32_t>(first));

        // One dialog run twice lists the documents again the second time.
        CBuscarDlg dlg(*m_db);
        answerNextModal([](QWidget* w) { static_cast<CBuscarDlg*>(w)->seleccionar(1); });
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QCOMPARE(dlg.resultCount(), 0);
        answerNextModal([](QWidget* w) {
            auto* again = static_cast<CBuscarDlg*>(w);
            QCOMPARE(again->idDocumento(), 0);
            QCOMPARE(again->resultCount(), 2);
            again->seleccionar(2);
        });
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QCOMPARE(dlg.idDocumento(), second);
    }
};

QTEST_MAIN(TestBuscarDlg)
#include "tst_buscardlg.moc"
