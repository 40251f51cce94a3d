#include "catalogs/ui/AddEditImpuestos.h"
#include "catalogs/ui/CatImpuestos.h"
#include "db/Database.h"
#include "support/GridCell.h"
#include "support/LayoutCheck.h"
#include "support/ModalAnswer.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

QStringList rows(CCatImpuestos& dlg) {
    QStringList list;
    for (int row = 1; row <= dlg.taxCount(); ++row)
        list << GridCell(dlg, row, 1) + QLatin1Char('|') + GridCell(dlg, row, 2) + QLatin1Char('|') + GridCell(dlg, row, 3);
    return list;
}

double scalar(Database& db, const std::string& sql, std::vector<DbValue> params = {}) {
    Statement st = db.prepare(sql);
    st.bindAll(params);
    return st.step() ? st.real(0) : -1;
}

} // namespace

class TestCatImpuestos final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_testDb;
    std::unique_ptr<Database> m_db;

    std::int32_t addTax(const std::string& name, double percent, bool withholding) {
        m_db->execute("INSERT INTO Impuestos (Nombre, Porcentaje, Retencion) VALUES (?, ?, ?)",
                      {name, percent, std::int64_t{withholding ? 1 : 0}});
        return static_cast<std::int32_t>(m_db->lastInsertId());
    }
    int taxRows() { return static_cast<int>(scalar(*m_db, "SELECT count(*) FROM Impuestos")); }

private Q_SLOTS:
    void initTestCase() { CTolMessageDlg::registerToolkit(); }

    void init() {
        m_testDb = std::make_unique<TestDatabase>();
        m_db = m_testDb->create();
    }

    void cleanup() {
        m_db.reset();
        m_testDb.reset();
    }

    void listsTaxesByNameWithPercentAndWithholdingMark() {
        CCatImpuestos dlg(*m_db);
        QCOMPARE(rows(dlg), (QStringList{"IVA 0 %|0.00|", "IVA 16 %|16.00|", "IVA 8 %|8.00|", "Ret. ISR|10.00|T",
                                         "Ret. IVA|10.67|T"}));
        QCOMPARE(dlg.grid()->rowCount(), 6);
        QVERIFY(dlg.grid()->isRowSelect());
        QCOMPARE(dlg.grid()->columnTitle(3), QStringLiteral("Retención"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(layoutFaults(dlg), QStringList());
        saveShot(dlg, QStringLiteral("catimpuestos"));

        CAddEditImpuestos editor(*m_db, 0, &dlg);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QCOMPARE(layoutFaults(editor), QStringList());
        saveShot(editor, QStringLiteral("addeditimpuestos"));
    }

    void addingKeepsTheEditorOpenAndRefusesBadPercentages() {
        CCatImpuestos dlg(*m_db);
        dlg.show();
        answerNextModal(
            [](QWidget* w) {
                auto* editor = qobject_cast<CAddEditImpuestos*>(w);
                QVERIFY(editor);
                auto* nombre = editor->control<CTolEdit>(CAddEditImpuestos::kNombreId);
                auto* porcentaje = editor->control<CTolEdit>(CAddEditImpuestos::kPorcentajeId);
                auto* retencion = editor->control<QCheckBox>(CAddEditImpuestos::kRetencionId);
                QVERIFY(retencion->isEnabled());
                nombre->setText(QString(40, QLatin1Char('x')));
                QCOMPARE(nombre->text().size(), 30);

                nombre->setText(QStringLiteral("IEPS"));
                porcentaje->setText(QStringLiteral("1000.01"));
                auto message = answerMessage(true, editor);
                QVERIFY(!editor->save());
                QCOMPARE(*message, QStringLiteral("Please enter a number between 0 and 1000."));
                porcentaje->setText(QStringLiteral("ocho"));
                message = answerMessage(true, editor);
                QVERIFY(!editor->save());
                QCOMPARE(*message, QStringLiteral("Please enter a number."));
                QCOMPARE(editor->savedCount(), 0);

                porcentaje->setText(QStringLiteral("1000"));
                editor->control<QPushButton>(CAddEditImpuestos::kGuardarId)->click();
                QVERIFY(editor->isVisible());
                QVERIFY(nombre->text().isEmpty());
                QCOMPARE(porcentaje->text(), QStringLiteral("0"));

                nombre->setText(QStringLiteral("Ret. local"));
                porcentaje->setText(QStringLiteral("2.5"));
                retencion->setChecked(true);
                editor->control<QPushButton>(CAddEditImpuestos::kGuardarId)->click();
                QVERIFY(!retencion->isChecked());
                QCOMPARE(editor->savedCount(), 2);

                // A name of blanks saves nothing and says nothing.
                nombre->setText(QStringLiteral("   "));
                porcentaje->setText(QStringLiteral("5"));
                QPointer<QTimer> watcher = answerNextModal([](QWidget* w) { w->close(); }, editor);
                QVERIFY(!editor->save());
                QTest::qWait(50);
                QVERIFY(watcher); // no message came up
                delete watcher;
                editor->control<QPushButton>(CAddEditImpuestos::kSalirId)->click();
            },
            &dlg);
        dlg.control<QPushButton>(CCatImpuestos::kNuevoId)->click();
        QCOMPARE(taxRows(), 7);
        QVERIFY(rows(dlg).contains(QStringLiteral("IEPS|1000.00|")));
        QVERIFY(rows(dlg).contains(QStringLiteral("Ret. local|2.50|T")));
        QCOMPARE(dlg.taxCount(), 7);
    }

    void editingByEnterUpdatesArticlesAndKeepsTheKind() {
        const std::int32_t iva15 = addTax("Impuesto 15", 15, false);
        m_db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio, PrecioNeto, Id_Imp1) VALUES ('A', 'Uno', 100, 115, ?)",
                      {std::int64_t{iva15}});
        m_db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio, PrecioNeto, Id_Imp1) VALUES ('B', 'Dos', 100, 108, 2)");
        CCatImpuestos dlg(*m_db);
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        dlg.grid()->setFocus();
        // "Impuesto 15" is the first row.
        dlg.grid()->setCurrentCell(1, 1);
        answerNextModal(
            [iva15](QWidget* w) {
                auto* editor = qobject_cast<CAddEditImpuestos*>(w);
                QVERIFY(editor);
                QCOMPARE(editor->idImpuesto(), iva15);
                auto* retencion = editor->control<QCheckBox>(CAddEditImpuestos::kRetencionId);
                QVERIFY(!retencion->isEnabled());
                QVERIFY(!retencion->isChecked());
                auto* porcentaje = editor->control<CTolEdit>(CAddEditImpuestos::kPorcentajeId);
                QCOMPARE(porcentaje->text(), QStringLiteral("15"));
                QCOMPARE(editor->control<CTolEdit>(CAddEditImpuestos::kNombreId)->text(), QStringLiteral("Impuesto 15"));
                porcentaje->setText(QStringLiteral("16"));
                editor->control<QPushButton>(CAddEditImpuestos::kGuardarId)->click();
                QVERIFY(!editor->isVisible());
                QCOMPARE(editor->articlesUpdated(), 1);
            },
            &dlg);
        QTest::keyClick(dlg.grid(), Qt::Key_Return);
        QTRY_COMPARE(GridCell(dlg, 1, 2), QStringLiteral("16.00"));
        QCOMPARE(dlg.grid()->currentRow(), 1);
        QVERIFY(qAbs(scalar(*m_db, "SELECT PrecioNeto FROM Articulos WHERE Clave = 'A'") - 116) < 1e-9);
        QCOMPARE(scalar(*m_db, "SELECT PrecioNeto FROM Articulos WHERE Clave = 'B'"), 108.0);
        QCOMPARE(scalar(*m_db, "SELECT Retencion FROM Impuestos WHERE Id_Impuesto = ?", {std::int64_t{iva15}}), 0.0);
    }

    void deleteAsksFirstAndArticlesKeepTheirReference() {
        const std::int32_t iva15 = addTax("Impuesto 15", 15, false);
        m_db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio, PrecioNeto, Id_Imp1) VALUES ('A', 'Uno', 100, 115, ?)",
                      {std::int64_t{iva15}});
        CCatImpuestos dlg(*m_db);
        dlg.show();
        QApplication::setActiveWindow(&dlg);

        auto message = answerMessage(false, &dlg);
        QVERIFY(!dlg.eliminar(1));
        QCOMPARE(*message, QStringLiteral("¿Está seguro de eliminar el registro seleccionado?"));
        QCOMPARE(taxRows(), 6);

        dlg.grid()->setFocus();
        dlg.grid()->setCurrentCell(1, 1);
        message = answerMessage(true, &dlg);
        QTest::keyClick(dlg.grid(), Qt::Key_Delete);
        QCOMPARE(*message, QStringLiteral("¿Está seguro de eliminar el registro seleccionado?"));
        QCOMPARE(taxRows(), 5);
        QCOMPARE(dlg.taxCount(), 5);
        QVERIFY(!rows(dlg).join(QLatin1Char(',')).contains(QStringLiteral("Impuesto 15")));
        QCOMPARE(scalar(*m_db, "SELECT Id_Imp1 FROM Articulos WHERE Clave = 'A'"), double(iva15));

        // Without a valid row nothing is asked.
        QVERIFY(!dlg.eliminar(0));
        QVERIFY(!dlg.eliminar(6));
        dlg.editar(6);
        QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(&dlg));
    }

    void editorOfAVanishedTaxStartsEmpty() {
        auto message = answerMessage();
        CAddEditImpuestos editor(*m_db, 4242);
        QCOMPARE(*message, QStringLiteral("Upsss..."));
        QCOMPARE(editor.idImpuesto(), 0);
        QVERIFY(editor.control<CTolEdit>(CAddEditImpuestos::kNombreId)->text().isEmpty());
        QVERIFY(editor.control<QCheckBox>(CAddEditImpuestos::kRetencionId)->isEnabled());
        editor.control<CTolEdit>(CAddEditImpuestos::kNombreId)->setText(QStringLiteral("Rescatado"));
        QVERIFY(editor.save());
        QCOMPARE(taxRows(), 6);
    }
};

QTEST_MAIN(TestCatImpuestos)
#include "tst_catimpuestos.moc"
