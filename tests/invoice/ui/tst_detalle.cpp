#include "db/ArticulosSet.h"
#include "db/Database.h"
#include "db/ImpuestosSet.h"
#include "invoice/Lineas.h"
#include "invoice/MoneyFormat.h"
#include "invoice/ui/Detalle.h"
#include "invoice/ui/TotalWnd.h"
#include "support/ModalAnswer.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/EditCell.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QtTest>

// The detail grid and the totals panel together, typed into with real key events.
class TestDetalle final : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDatabase> m_testDb;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<CArticulosSet> m_articles;
    std::unique_ptr<CImpuestosSet> m_taxes;
    std::unique_ptr<CLineas> m_lines;
    std::unique_ptr<QWidget> m_form;
    CDetalle* m_grid = nullptr;
    CTotalWnd* m_totals = nullptr;
    int m_recalcs = 0;

    void type(const QString& text, Qt::Key end = Qt::Key_Return) {
        // Offscreen, a closed message box leaves no active window behind.
        if (!QApplication::focusWidget()) {
            QApplication::setActiveWindow(m_form.get());
            m_grid->setFocus();
        }
        // The first character opens the cell editor, which then has the keyboard.
        for (const QChar c : text) {
            QWidget* target = QApplication::focusWidget();
            QTest::keyClick(target ? target : m_grid, c.toLatin1());
        }
        QWidget* editor = QApplication::focusWidget();
        QTest::keyClick(editor ? editor : m_grid, end);
    }

private Q_SLOTS:
    void initTestCase() { CTolMessageDlg::registerToolkit(); MoneyFormat::setCurrent(MoneyFormat::mexican()); }

    void init() {
        m_db.reset();
        m_testDb = std::make_unique<TestDatabase>();
        m_db = m_testDb->create();
        m_db->execute("INSERT INTO Impuestos (Id_Impuesto, Nombre, Porcentaje, Retencion) VALUES (50, 'IVA 15', 15, 0)");
        m_db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio, PrecioNeto, Id_Imp1) "
                      "VALUES ('S001', 'Cuaderno profesional', 100, 115, 50), ('GRATIS', 'Muestra', 0, 0, 50)");
        m_articles = std::make_unique<CArticulosSet>(*m_db);
        m_articles->Open(OpenType::Table);
        m_taxes = std::make_unique<CImpuestosSet>(*m_db);
        m_taxes->Open(OpenType::Table);
        m_lines = std::make_unique<CLineas>(*m_articles, *m_taxes, CLineas::Options{0, 0, 50, 0.15});
        m_form = std::make_unique<QWidget>();
        m_form->resize(900, 400);
        m_grid = new CDetalle(m_form.get(), *m_lines);
        m_grid->setGeometry(0, 0, 780, 250);
        m_totals = new CTotalWnd(m_form.get());
        m_totals->setGeometry(560, 260, 230, 120);
        m_recalcs = 0;
        connect(m_grid, &CDetalle::recalcTotals, this, [this] {
            ++m_recalcs;
            m_totals->Recompute(*m_lines);
        });
        m_grid->BuildColumns(*m_db);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_grid->setFocus();
    }

    void cleanup() {
        m_form.reset();
        m_lines.reset();
        m_taxes.reset();
        m_articles.reset();
        m_db.reset();
    }

    void netPriceLineFollowsIntoTheTotalsBeforeItIsCommitted() {
        type(QStringLiteral("LIBRE"));            // a free key stays as typed
        QCOMPARE(m_grid->currentColumn(), 2);
        type(QStringLiteral("Engrapadora"));
        type(QStringLiteral("2"));
        QCOMPARE(m_grid->currentColumn(), 4);
        type(QStringLiteral("115"));               // net price with the default 15 %
        // Still the append row: the buffer already counts.
        QCOMPARE(m_lines->LineCount(), 1);
        QCOMPARE(m_lines->Line(1).Precio, 100.0);
        QCOMPARE(m_totals->Total(), 230.0);
        QVERIFY(m_recalcs > 0);
        m_grid->setCurrentCell(5, 1);
        type(QStringLiteral("10"));
        QCOMPARE(m_lines->Line(1).Descuento, 20.0);
        QCOMPARE(m_lines->Line(1).DescuentoNeto, 23.0);
        QCOMPARE(m_totals->Total(), 207.0);
        QCOMPARE(m_lines->CellText(1, 6), std::string("$230.00"));
    }

    void knownKeyJumpsToQuantityAndDeleteMovesLinesUp() {
        for (const char* qty : {"1", "2", "3"}) {
            type(QStringLiteral("s001"));          // found case-insensitively
            QCOMPARE(m_grid->currentColumn(), 3);
            type(QString::fromLatin1(qty));
        }
        QCOMPARE(m_lines->LineCount(), 3);
        QCOMPARE(m_lines->Line(1).Clave, std::string("S001"));
        QCOMPARE(m_totals->Total(), 115.0 * 6);
        m_grid->setCurrentCell(3, 2);
        QTest::keyClick(m_grid, Qt::Key_Delete);   // one line, asked once
        QCOMPARE(m_lines->LineCount(), 2);
        QCOMPARE(m_lines->Line(2).Cantidad, 3.0);
        QCOMPARE(m_grid->rowCount(), 3);
        QCOMPARE(m_totals->Total(), 115.0 * 4);
    }

    void refusedEditsRevertAndStay() {
        type(QStringLiteral("S001"));
        type(QStringLiteral("0"));                 // quantity must be above 0
        QCOMPARE(m_grid->currentColumn(), 3);
        QCOMPARE(m_lines->LineCount(), 0);
        type(QStringLiteral("4"));
        m_grid->setCurrentCell(4, 1);
        answerNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        type(QStringLiteral("abc"));               // unreadable price: message, then revert
        QCOMPARE(m_lines->Line(1).PrecioNeto, 115.0);
        QCOMPARE(m_grid->currentColumn(), 4);
        // Escape drops an edit.
        QApplication::setActiveWindow(m_form.get());
        m_grid->setFocus();
        for (const char c : {'9', '9', '9'})
            QTest::keyClick(QApplication::focusWidget(), c);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(m_lines->Line(1).PrecioNeto, 115.0);
    }

    void aQuantityTooLargeToPrintIsRefusedWithAMessage() {
        type(QStringLiteral("GRATIS"));            // price 0: the amount stays 0 whatever the quantity
        QString told;
        answerNextModal([&](QWidget* w) {
            told = static_cast<CTolMessageDlg*>(w)->text();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        type(QStringLiteral("1e308"));
        QCOMPARE(told, QStringLiteral("- Cantidad fuera de rango -"));
        QCOMPARE(m_grid->currentColumn(), 3);
        QCOMPARE(m_lines->NewLine().Cantidad, 0.0);
        type(QStringLiteral("3"));
        QCOMPARE(m_lines->NewLine().Cantidad, 3.0);
    }

    void deleteOnTheAppendRowStartsTheLineOver() {
        // A quantity on a free key, then the key of an article: amounts on the uncommitted row.
        type(QStringLiteral("LIBRE"));
        type(QStringLiteral("Algo"));
        type(QStringLiteral("2"));
        QCOMPARE(m_totals->Total(), 0.0);
        m_grid->setCurrentCell(1, 1);
        type(QStringLiteral("S001"));
        QCOMPARE(m_lines->LineCount(), 0);
        QCOMPARE(m_totals->Total(), 230.0);
        QTest::keyClick(m_grid, Qt::Key_Delete);
        QCOMPARE(m_grid->currentColumn(), 1);
        QCOMPARE(m_grid->appendText(1), QString());
        QCOMPARE(m_totals->Total(), 0.0);
        QCOMPARE(m_lines->LineCount(), 0);
    }

    void threeLinesOfAThirdShowOnePeso() {
        m_lines->SetOptions({1, 0, 0, 0});
        m_lines->ClearNewLine(); // the buffer takes the new default tax (none)
        m_db->execute("UPDATE Articulos SET Id_Imp1 = 0");
        for (int i = 0; i < 3; ++i) {
            type(QStringLiteral("X%1").arg(i));
            type(QStringLiteral("Tercio"));
            type(QStringLiteral("1"));
            type(QStringLiteral("0.333"));
        }
        QCOMPARE(m_lines->LineCount(), 3);
        QVERIFY(qAbs(m_totals->Total() - 0.999) < 1e-12);
        QVERIFY(m_totals->BreakdownLines().last().endsWith(QStringLiteral("$1.00")));
    }
};

QTEST_MAIN(TestDetalle)
#include "tst_detalle.moc"
