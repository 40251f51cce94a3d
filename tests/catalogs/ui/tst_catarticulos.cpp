#include "catalogs/ui/AddEditArticulo.h"
#include "catalogs/ui/CatArticulos.h"
#include "catalogs/ui/ComboTabla.h"
#include "db/Database.h"
#include "invoice/Lineas.h"
#include "invoice/MoneyFormat.h"
#include "invoice/Partida.h"
#include "invoice/ui/Detalle.h"
#include "invoice/ui/PrincipalDlg.h"
#include "platform/ApplicationState.h"
#include "platform/ui/Resources.h"
#include "support/GridCell.h"
#include "support/LayoutCheck.h"
#include "support/ModalAnswer.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/EditCell.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"
#include "toolkit/ui/TolTextEdit.h"

#include <QPushButton>
#include <QScopeGuard>
#include <QtTest>

#include <memory>

namespace {

constexpr std::int32_t kIva16 = 1;  // the seed's "IVA 16 %"

QStringList descriptions(CCatArticulos& dlg) {
    QStringList list;
    for (int row = 1; row <= dlg.articleCount(); ++row)
        list << GridCell(dlg, row, 2);
    return list;
}

CTolEdit* edit(CTolDialog* d, int id) { return d->control<CTolEdit>(id); }
CComboTabla* combo(CTolDialog* d, int id) { return d->control<CComboTabla>(id); }

void choose(CTolDialog* d, int listId, const QString& text) {
    CComboTabla* list = combo(d, listId);
    const int index = list->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    list->setCurrentIndex(index);
}

void typePrice(CTolDialog* d, const QString& text) {
    edit(d, CAddEditArticulo::kPrecioId)->setText(text);
    Q_EMIT edit(d, CAddEditArticulo::kPrecioId)->editingFinished();
}

QString netShown(CTolDialog* d) { return edit(d, CAddEditArticulo::kPrecioNetoId)->text(); }

} // namespace

class TestCatArticulos final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_testDb;
    std::unique_ptr<Database> m_db;
    ApplicationState m_state;
    std::int32_t m_t15 = 0;
    std::int32_t m_t5 = 0;

    std::int32_t addTax(const std::string& name, double percent, bool withholding) {
        m_db->execute("INSERT INTO Impuestos (Nombre, Porcentaje, Retencion) VALUES (?, ?, ?)",
                      {name, percent, std::int64_t{withholding ? 1 : 0}});
        return static_cast<std::int32_t>(m_db->lastInsertId());
    }
    std::int32_t addArticle(const std::string& clave, const std::string& descripcion, double precio, double neto,
                            std::int32_t imp1 = 0, std::int32_t imp2 = 0) {
        m_db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio, PrecioNeto, Id_Imp1, Id_Imp2, Observaciones) "
                      "VALUES (?, ?, ?, ?, ?, ?, ?)",
                      {clave, descripcion, precio, neto, std::int64_t{imp1}, std::int64_t{imp2}, "nota " + clave});
        return static_cast<std::int32_t>(m_db->lastInsertId());
    }
    int articleRows() {
        Statement st = m_db->prepare("SELECT count(*) FROM Articulos");
        st.step();
        return static_cast<int>(st.integer(0));
    }
    Statement article(const std::string& clave) {
        Statement st = m_db->prepare("SELECT Descripcion, Precio, PrecioNeto, Id_Imp1, Id_Imp2, Id_Ret1, Id_Ret2, "
                                     "Observaciones FROM Articulos WHERE Clave = ?");
        st.bind(1, clave);
        return st;
    }

private Q_SLOTS:
    void initTestCase() {
        InitQuintalevaResources();
        CTolMessageDlg::registerToolkit();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
    }

    void init() {
        m_testDb = std::make_unique<TestDatabase>();
        m_db = m_testDb->create();
        m_state = ApplicationState{};
        m_state.database = m_db.get();
        m_state.impuesto = kIva16;
        m_state.defaultTaxRate = 0.16;
        m_t15 = addTax("Tasa 15", 15, false);
        m_t5 = addTax("Tasa 5", 5, false);
    }

    void cleanup() {
        m_db.reset();
        m_testDb.reset();
    }

    void listSearchesDescriptionsAndShowsMoney() {
        addArticle("C1", "Café molido", 1240.5, 1438.98);
        addArticle("A1", "azúcar", 10, 11.6);
        addArticle("P1", "Pan de CAFE", 5, 5);
        CCatArticulos dlg(*m_db, m_state, true);
        QCOMPARE(descriptions(dlg), (QStringList{"azúcar", "Café molido", "Pan de CAFE"}));
        QCOMPARE(GridCell(dlg, 2, 1), QStringLiteral("C1"));
        QCOMPARE(GridCell(dlg, 2, 3), QStringLiteral("$1,240.50"));
        QCOMPARE(GridCell(dlg, 2, 4), QStringLiteral("$1,438.98"));
        QCOMPARE(GridCell(dlg, 2, 5), QStringLiteral("nota C1"));
        QVERIFY(dlg.applySearch(QStringLiteral("cafe")));
        QCOMPARE(descriptions(dlg), (QStringList{"Café molido", "Pan de CAFE"}));
        QVERIFY(!dlg.applySearch(QStringLiteral("cafe")));
        QVERIFY(dlg.applySearch(QStringLiteral("zzz")));
        QCOMPARE(dlg.grid()->rowCount(), 1);
        QVERIFY(dlg.applySearch(QString()));
        QCOMPARE(dlg.articleCount(), 3);

        // Enter in the search box applies it and moves to the list.
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        auto* buscar = edit(&dlg, CCatArticulos::kBuscarId);
        buscar->setFocus();
        QTest::keyClicks(buscar, "AZUCAR");
        QTest::keyClick(buscar, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dlg.grid()));
        QCOMPARE(descriptions(dlg), QStringList{"azúcar"});
        QVERIFY(dlg.applySearch(QString()));
        QCOMPARE(buscar->text(), QString());
        QCOMPARE(layoutFaults(dlg), QStringList());
        saveShot(dlg, QStringLiteral("catarticulos"));
    }

    void editorComputesTheCatalogueNetPrice() {
        CAddEditArticulo editor(*m_db, 0, kIva16);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        // New articles start with the usual tax; every list offers "none" first, taxes and
        // withholdings each in their own lists.
        QCOMPARE(combo(&editor, CAddEditArticulo::kImpuestoId)->currentText(), QStringLiteral("IVA 16 %"));
        QCOMPARE(combo(&editor, CAddEditArticulo::kImpExtraId)->currentText(), QStringLiteral("- No aplica -"));
        QCOMPARE(combo(&editor, CAddEditArticulo::kRetencion1Id)->itemText(0), QStringLiteral("- No aplica -"));
        QCOMPARE(combo(&editor, CAddEditArticulo::kRetencion1Id)->count(), 3);
        QCOMPARE(combo(&editor, CAddEditArticulo::kImpExtraId)->count(), 6);
        typePrice(&editor, QStringLiteral("100"));
        QCOMPARE(edit(&editor, CAddEditArticulo::kPrecioId)->text(), QStringLiteral("$100.00"));
        QCOMPARE(netShown(&editor), QStringLiteral("$116.00"));
        QCOMPARE(layoutFaults(editor), QStringList());
        saveShot(editor, QStringLiteral("addeditarticulo"));

        // Tax 2 is charged on tax 1 here.
        choose(&editor, CAddEditArticulo::kImpuestoId, QStringLiteral("Tasa 15"));
        choose(&editor, CAddEditArticulo::kImpExtraId, QStringLiteral("Tasa 5"));
        QCOMPARE(netShown(&editor), QStringLiteral("$120.75"));
        QCOMPARE(editor.article().idImp2, m_t5);
        choose(&editor, CAddEditArticulo::kImpExtraId, QStringLiteral("- No aplica -"));
        QCOMPARE(editor.article().idImp2, 0);
        QCOMPARE(editor.rate(CAddEditArticulo::kImp2), 0.0);
        QCOMPARE(netShown(&editor), QStringLiteral("$115.00"));

        // A withholding alone: 10 % off the price.
        choose(&editor, CAddEditArticulo::kImpuestoId, QStringLiteral("- No aplica -"));
        choose(&editor, CAddEditArticulo::kRetencion2Id, QStringLiteral("Ret. ISR"));
        QCOMPARE(netShown(&editor), QStringLiteral("$90.00"));

        // An unreadable price says so and counts as 0.
        auto message = answerMessage(true, &editor);
        typePrice(&editor, QStringLiteral("cien"));
        QCOMPARE(*message, QStringLiteral("Please enter a currency."));
        QCOMPARE(editor.article().precio, 0.0);
        QCOMPARE(netShown(&editor), QStringLiteral("$0.00"));
    }

    void addingKeepsTheEditorOpenAndARefusedKeyKeepsTheValues() {
        CCatArticulos dlg(*m_db, m_state);
        dlg.show();
        answerNextModal(
            [this](QWidget* w) {
                auto* editor = qobject_cast<CAddEditArticulo*>(w);
                QVERIFY(editor);
            const auto closeOnFailure = qScopeGuard([editor] {
                if (editor->isVisible())
                    editor->reject();
            });
                QVERIFY(!editor->isLineMode());
                auto* clave = edit(editor, CAddEditArticulo::kClaveId);
                auto* descripcion = edit(editor, CAddEditArticulo::kDescripcionId);
                auto* guardar = editor->control<QPushButton>(CAddEditArticulo::kGuardarId);
                QCOMPARE(clave->maxLength(), 20);
                QCOMPARE(descripcion->maxLength(), 80);

                // Nothing without a key.
                descripcion->setText(QStringLiteral("Tornillo"));
                auto message = answerMessage(true, editor);
                QVERIFY(!editor->save());
                QCOMPARE(*message, QStringLiteral("- ¡Faltan datos! -"));

                clave->setFocus();
                QTest::keyClicks(clave, "s001");
                QCOMPARE(clave->text(), QStringLiteral("S001"));
                typePrice(editor, QStringLiteral("10"));
                editor->control<CTolTextEdit>(CAddEditArticulo::kObservacionesId)->setPlainText(QStringLiteral("caja"));
                guardar->click();
                QVERIFY(editor->isVisible());
                QVERIFY(clave->text().isEmpty());
                QVERIFY(descripcion->text().isEmpty());
                QCOMPARE(netShown(editor), QStringLiteral("$0.00"));
                QCOMPARE(combo(editor, CAddEditArticulo::kImpuestoId)->currentText(), QStringLiteral("IVA 16 %"));
                QCOMPARE(editor->focusWidget(), static_cast<QWidget*>(clave));

                clave->setText(QStringLiteral("T002"));
                descripcion->setText(QStringLiteral("Tuerca"));
                choose(editor, CAddEditArticulo::kImpuestoId, QStringLiteral("Tasa 15"));
                typePrice(editor, QStringLiteral("20"));
                guardar->click();
                QCOMPARE(editor->savedCount(), 2);

                // A key already taken (in other case) is refused, in Spanish; what was typed stays.
                clave->setText(QStringLiteral("s001"));
                descripcion->setText(QStringLiteral("Repetido"));
                message = answerMessage(true, editor);
                QVERIFY(!editor->save());
                QVERIFY2(message->startsWith(QStringLiteral("- Ya existe un artículo con la clave ")), qPrintable(*message));
                QCOMPARE(descripcion->text(), QStringLiteral("Repetido"));
                QVERIFY(editor->isVisible());
                editor->control<QPushButton>(CAddEditArticulo::kSalirId)->click();
            },
            &dlg);
        dlg.control<QPushButton>(CCatArticulos::kNuevoId)->click();
        QCOMPARE(descriptions(dlg), (QStringList{"Tornillo", "Tuerca"}));
        QCOMPARE(articleRows(), 2);
        Statement s1 = article("S001");
        QVERIFY(s1.step());
        QCOMPARE(s1.real(1), 10.0);
        QVERIFY(qAbs(s1.real(2) - 11.6) < 1e-9);
        QCOMPARE(s1.integer(3), kIva16);
        QCOMPARE(QString::fromStdString(s1.text(7)), QStringLiteral("caja"));
        Statement t2 = article("T002");
        QVERIFY(t2.step());
        QVERIFY(qAbs(t2.real(2) - 23) < 1e-9);
        QCOMPARE(t2.integer(3), m_t15);
    }

    void enterEditsAndAVanishedTaxIdIsKept() {
        addArticle("A1", "Antes", 100, 1, m_t15, 9999);
        addArticle("B1", "Otro", 10, 10);
        CCatArticulos dlg(*m_db, m_state);
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        QVERIFY(dlg.control<QPushButton>(CCatArticulos::kSeleccionarId)->isHidden());
        dlg.grid()->setFocus();
        dlg.grid()->setCurrentCell(1, 1);
        answerNextModal(
            [](QWidget* w) {
                auto* editor = qobject_cast<CAddEditArticulo*>(w);
                QVERIFY(editor);
            const auto closeOnFailure = qScopeGuard([editor] {
                if (editor->isVisible())
                    editor->reject();
            });
                QCOMPARE(edit(editor, CAddEditArticulo::kClaveId)->text(), QStringLiteral("A1"));
                QCOMPARE(editor->control<CTolTextEdit>(CAddEditArticulo::kObservacionesId)->toPlainText(),
                         QStringLiteral("nota A1"));
                // Tax 2 names no tax any more: nothing selected, rate 0, net price from tax 1 only.
                QCOMPARE(combo(editor, CAddEditArticulo::kImpExtraId)->currentIndex(), -1);
                QCOMPARE(editor->rate(CAddEditArticulo::kImp2), 0.0);
                QCOMPARE(netShown(editor), QStringLiteral("$115.00"));
                edit(editor, CAddEditArticulo::kDescripcionId)->setText(QStringLiteral("Después"));
                editor->control<QPushButton>(CAddEditArticulo::kGuardarId)->click();
                QVERIFY(!editor->isVisible());
                QCOMPARE(editor->result(), int(QDialog::Accepted));
            },
            &dlg);
        QTest::keyClick(dlg.grid(), Qt::Key_Return);
        QTRY_COMPARE(descriptions(dlg), (QStringList{"Después", "Otro"}));
        Statement a1 = article("A1");
        QVERIFY(a1.step());
        QCOMPARE(a1.integer(4), 9999);
        QVERIFY(qAbs(a1.real(2) - 115) < 1e-9);
        QCOMPARE(articleRows(), 2);
    }

    void deleteAsksFirst() {
        addArticle("A1", "Uno", 1, 1);
        addArticle("B1", "Dos", 2, 2);
        CCatArticulos dlg(*m_db, m_state);
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        QCOMPARE(layoutFaults(dlg), QStringList());
        saveShot(dlg, QStringLiteral("catarticulos-manage"));
        auto message = answerMessage(false, &dlg);
        QVERIFY(!dlg.eliminar(1));
        QCOMPARE(*message, QStringLiteral("¿Está seguro de eliminar el registro seleccionado?"));
        QCOMPARE(articleRows(), 2);
        dlg.grid()->setFocus();
        dlg.grid()->setCurrentCell(1, 2);
        message = answerMessage(true, &dlg);
        QTest::keyClick(dlg.grid(), Qt::Key_Delete);
        QCOMPARE(*message, QStringLiteral("¿Está seguro de eliminar el registro seleccionado?"));
        QCOMPARE(descriptions(dlg), QStringList{"Dos"});
        QCOMPARE(articleRows(), 1);
        QVERIFY(!dlg.eliminar(2));
    }

    void pickingReturnsTheKey() {
        addArticle("A1", "Alfa", 1, 1);
        const std::int32_t dos = addArticle("B-7", "Beta", 2, 2);
        answerNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CCatArticulos*>(w);
            QVERIFY(dlg);
            QVERIFY(dlg->isPicking());
            QVERIFY(dlg->control<QPushButton>(CCatArticulos::kSeleccionarId)->isVisible());
            dlg->grid()->setFocus();
            dlg->grid()->setCurrentCell(1, 2);
            QTest::keyClick(dlg->grid(), Qt::Key_Return);
        });
        const auto picked = CCatArticulos::Choose(*m_db, m_state);
        QVERIFY(picked.has_value());
        QCOMPARE(picked->idArticulo, dos);
        QCOMPARE(picked->clave, QStringLiteral("B-7"));
        QCOMPARE(picked->descripcion, QStringLiteral("Beta"));

        answerNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CCatArticulos*>(w);
            QVERIFY(dlg);
            QVERIFY(!dlg->seleccionar(0));
            dlg->control<QPushButton>(CCatArticulos::kSalirId)->click();
        });
        QVERIFY(!CCatArticulos::Choose(*m_db, m_state).has_value());
    }

    void lineModeChangesOnlyTheLine() {
        const std::int32_t id = addArticle("S001", "Tornillo", 100, 115, m_t15);
        CPartida line;
        line.Id_Articulo = id;
        line.Clave = "S001";
        line.Descripcion = "Tornillo";
        line.Precio = 100;
        line.Cantidad = 2;
        line.Id_Imp1 = m_t15;
        line.pI1 = 0.99; // copied long ago; the dialog takes the catalogue's rate
        line.Recalculate();
        const CPartida before = line;

        answerNextModal([](QWidget* w) {
            auto* editor = qobject_cast<CAddEditArticulo*>(w);
            QVERIFY(editor);
            const auto closeOnFailure = qScopeGuard([editor] {
                if (editor->isVisible())
                    editor->reject();
            });
            QVERIFY(editor->isLineMode());
            QCOMPARE(netShown(editor), QStringLiteral("$115.00"));
            QCOMPARE(layoutFaults(*editor), QStringList());
            saveShot(*editor, QStringLiteral("addeditarticulo-linea"));
            typePrice(editor, QStringLiteral("200"));
            editor->control<QPushButton>(CAddEditArticulo::kSalirId)->click();
        });
        QVERIFY(!CAddEditArticulo::EditLine(*m_db, line));
        QCOMPARE(line.Precio, before.Precio);
        QCOMPARE(line.pI1, 0.99);

        answerNextModal([this](QWidget* w) {
            auto* editor = qobject_cast<CAddEditArticulo*>(w);
            QVERIFY(editor);
            const auto closeOnFailure = qScopeGuard([editor] {
                if (editor->isVisible())
                    editor->reject();
            });
            typePrice(editor, QStringLiteral("200"));
            choose(editor, CAddEditArticulo::kImpExtraId, QStringLiteral("Tasa 5"));
            QCOMPARE(netShown(editor), QStringLiteral("$241.50"));
            edit(editor, CAddEditArticulo::kDescripcionId)->setText(QStringLiteral("Tornillo largo"));
            editor->control<QPushButton>(CAddEditArticulo::kGuardarId)->click();
        });
        QVERIFY(CAddEditArticulo::EditLine(*m_db, line));
        QCOMPARE(line.Precio, 200.0);
        QCOMPARE(line.pI1, 0.15);
        QCOMPARE(line.pI2, 0.05);
        QCOMPARE(line.Id_Imp2, m_t5);
        QCOMPARE(line.Descripcion, std::string("Tornillo largo"));
        QCOMPARE(line.Id_Articulo, id);
        // The line adds its rates and is recalculated.
        QVERIFY(qAbs(line.PrecioNeto - 240) < 1e-9);
        QVERIFY(qAbs(line.Total - 480) < 1e-9);
        // The catalogue is untouched.
        Statement s = article("S001");
        QVERIFY(s.step());
        QCOMPARE(QString::fromStdString(s.text(0)), QStringLiteral("Tornillo"));
        QCOMPARE(s.real(1), 100.0);
        QCOMPARE(s.integer(4), 0);

        // A key that no longer names the article makes the line's key a free one.
        answerNextModal([](QWidget* w) {
            auto* editor = qobject_cast<CAddEditArticulo*>(w);
            QVERIFY(editor);
            const auto closeOnFailure = qScopeGuard([editor] {
                if (editor->isVisible())
                    editor->reject();
            });
            QVERIFY(!editor->control<CTolTextEdit>(CAddEditArticulo::kObservacionesId)->isEnabled());
            edit(editor, CAddEditArticulo::kClaveId)->setText(QStringLiteral("S002"));
            editor->control<QPushButton>(CAddEditArticulo::kGuardarId)->click();
        });
        QVERIFY(CAddEditArticulo::EditLine(*m_db, line));
        QCOMPARE(line.Clave, std::string("S002"));
        QCOMPARE(line.Id_Articulo, 0);
    }

    void f2OnTheFormPutsTheChosenArticleIntoTheGrid() {
        addArticle("S001", "Tornillo", 100, 115, m_t15);
        addArticle("Z9", "Zapato", 50, 58, kIva16);
        CPrincipalDlg form(*m_db, m_state);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QApplication::setActiveWindow(&form);
        CDetalle* grid = form.grid();

        // F2 on the key cell of the append row: the catalogue picks, the grid looks it up.
        auto pick = [](int row) {
            return [row](QWidget* w) {
                auto* dlg = qobject_cast<CCatArticulos*>(w);
                QVERIFY(dlg);
                dlg->grid()->setFocus();
                dlg->grid()->setCurrentCell(1, row);
                QTest::keyClick(dlg->grid(), Qt::Key_Return);
            };
        };
        grid->setFocus();
        grid->setCurrentCell(1, 1);
        answerNextModal(pick(1), &form);
        QTest::keyClick(grid, Qt::Key_F2);
        QVERIFY(grid->isEditing());
        QTest::keyClick(grid->editCell(), Qt::Key_F2);
        QTRY_COMPARE(form.lines().NewLine().Descripcion, std::string("Tornillo"));
        QCOMPARE(form.lines().NewLine().Clave, std::string("S001"));
        QCOMPARE(form.lines().NewLine().pI1, 0.15);
        QCOMPARE(grid->appendText(2), QStringLiteral("Tornillo"));
        QCOMPARE(grid->currentColumn(), 3);

        // F2 on the price cell: the article dialog on this line.
        grid->setCurrentCell(4, 1);
        answerNextModal(
            [](QWidget* w) {
                auto* editor = qobject_cast<CAddEditArticulo*>(w);
                QVERIFY(editor);
            const auto closeOnFailure = qScopeGuard([editor] {
                if (editor->isVisible())
                    editor->reject();
            });
                QVERIFY(editor->isLineMode());
                QCOMPARE(edit(editor, CAddEditArticulo::kClaveId)->text(), QStringLiteral("S001"));
                typePrice(editor, QStringLiteral("300"));
                editor->control<QPushButton>(CAddEditArticulo::kGuardarId)->click();
            },
            &form);
        QTest::keyClick(grid, Qt::Key_F2);
        QTest::keyClick(grid->editCell(), Qt::Key_F2);
        // Saved, the line is committed: it becomes the document's first line.
        QTRY_COMPARE(form.lines().LineCount(), 1);
        QCOMPARE(form.lines().Line(1).Precio, 300.0);
        QVERIFY(qAbs(form.lines().Line(1).PrecioNeto - 345) < 1e-9);
        QCOMPARE(grid->currentRow(), 2);

        // F2 outside the grid enters the key into the current row, as typed and confirmed.
        form.Clear();
        auto* rfc = form.control<CTolEdit>(CPrincipalDlg::kRfc);
        rfc->setFocus();
        answerNextModal(pick(2), &form);
        QTest::keyClick(rfc, Qt::Key_F2);
        QTRY_COMPARE(form.lines().NewLine().Descripcion, std::string("Zapato"));
        QCOMPARE(form.lines().NewLine().Clave, std::string("Z9"));
        QCOMPARE(form.lines().NewLine().pI1, 0.16);
        QCOMPARE(form.focusWidget(), static_cast<QWidget*>(grid));
        QCOMPARE(rfc->text(), QString());
    }
};

QTEST_MAIN(TestCatArticulos)
#include "tst_catarticulos.moc"
