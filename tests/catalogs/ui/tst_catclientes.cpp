#include "catalogs/ui/AddEditCliente.h"
#include "catalogs/ui/CatClientes.h"
#include "db/Database.h"
#include "db/Transaction.h"
#include "support/GridCell.h"
#include "support/LayoutCheck.h"
#include "support/ModalAnswer.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolEdit.h"
#include "toolkit/ui/TolGrid.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

std::int32_t addCustomer(Database& db, const std::string& nombre, const std::string& telefono = {},
                         const std::string& rfc = {}) {
    db.execute("INSERT INTO Clientes (Nombre, Dom1, Dom2, Dom3, RFC, Telefono, Clasificacion) "
               "VALUES (?, ?, ?, ?, ?, ?, ?)",
               {nombre, std::string("Calle ") + nombre, std::string("Col. Centro"), std::string("León, Gto."), rfc,
                telefono, std::string("MEN")});
    return static_cast<std::int32_t>(db.lastInsertId());
}

int customerRows(Database& db) {
    Statement st = db.prepare("SELECT count(*) FROM Clientes");
    st.step();
    return static_cast<int>(st.integer(0));
}

QStringList names(CCatClientes& dlg) {
    QStringList list;
    for (int row = 1; row <= dlg.customerCount(); ++row)
        list << GridCell(dlg, row, 1);
    return list;
}

void activate(QWidget* w) {
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}

} // namespace

class TestCatClientes final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_testDb;
    std::unique_ptr<Database> m_db;

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

    void listsInSpanishOrderAndSearchIgnoresCaseAndAccents() {
        addCustomer(*m_db, "Zapatería Pérez", "555 1000", "ZAPE800101AAA");
        addCustomer(*m_db, "Núñez Ramírez Ana");
        addCustomer(*m_db, "JUAN PEREZ LOPEZ");
        addCustomer(*m_db, "Nuno Gómez");
        addCustomer(*m_db, "Álvaro Díaz");
        addCustomer(*m_db, "Descuento 50% Perez_x");

        CCatClientes dlg(*m_db);
        QCOMPARE(dlg.grid()->rowCount(), 7);
        // Accents and case aside, "ñ" after "n": Nuno before Núñez.
        QCOMPARE(names(dlg), (QStringList{"Álvaro Díaz", "Descuento 50% Perez_x", "JUAN PEREZ LOPEZ", "Nuno Gómez",
                                          "Núñez Ramírez Ana", "Zapatería Pérez"}));
        QCOMPARE(GridCell(dlg, 6, 2), QStringLiteral("555 1000"));
        QCOMPARE(GridCell(dlg, 6, 3), QStringLiteral("ZAPE800101AAA"));
        QCOMPARE(GridCell(dlg, 7, 1), QString()); // the row after the last customer is empty

        QVERIFY(dlg.applySearch(QStringLiteral("perez")));
        QCOMPARE(names(dlg), (QStringList{"Descuento 50% Perez_x", "JUAN PEREZ LOPEZ", "Zapatería Pérez"}));
        QCOMPARE(dlg.grid()->rowCount(), 4);
        QVERIFY(dlg.applySearch(QStringLiteral("NUÑEZ")));
        QCOMPARE(names(dlg), QStringList{"Núñez Ramírez Ana"});
        // The old engine's wildcard still works; "%" and "_" are plain characters.
        QVERIFY(dlg.applySearch(QStringLiteral("juan*lopez")));
        QCOMPARE(names(dlg), QStringList{"JUAN PEREZ LOPEZ"});
        QVERIFY(dlg.applySearch(QStringLiteral("%")));
        QCOMPARE(names(dlg), QStringList{"Descuento 50% Perez_x"});
        QVERIFY(dlg.applySearch(QStringLiteral("z_")));
        QCOMPARE(names(dlg), QStringList{"Descuento 50% Perez_x"});
        QVERIFY(dlg.applySearch(QStringLiteral("nadie")));
        QCOMPARE(dlg.customerCount(), 0);
        QCOMPARE(dlg.grid()->rowCount(), 1);

        // The same text again does not query; an empty one lists everybody.
        QVERIFY(!dlg.applySearch(QStringLiteral("nadie")));
        QVERIFY(dlg.applySearch(QString()));
        QCOMPARE(dlg.customerCount(), 6);
    }

    void searchBoxAppliesWhenLeftAndEnterMovesToTheList() {
        addCustomer(*m_db, "Guadalupe Pérez");
        addCustomer(*m_db, "María García");
        CCatClientes dlg(*m_db);
        activate(&dlg);
        auto* buscar = dlg.control<CTolEdit>(CCatClientes::kBuscarId);
        QVERIFY(buscar);
        buscar->setFocus();
        QTest::keyClicks(buscar, "garcia");
        QCOMPARE(dlg.customerCount(), 2); // nothing happens while typing
        QTest::keyClick(buscar, Qt::Key_Return);
        QVERIFY(dlg.isVisible());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dlg.grid()));
        QCOMPARE(dlg.searchText(), QStringLiteral("garcia"));
        QCOMPARE(names(dlg), QStringList{"María García"});

        // Clearing the box and leaving it removes the filter.
        buscar->setFocus();
        buscar->clear();
        QTest::keyClick(buscar, Qt::Key_Tab);
        QCOMPARE(dlg.customerCount(), 2);
    }

    void apostrophesSaveSearchAndLoad() {
        {
            CAddEditCliente editor(*m_db, 0);
            editor.control<CTolEdit>(CAddEditCliente::kNombreId)->setText(QStringLiteral("O'Higgins y Cía."));
            editor.control<CTolEdit>(CAddEditCliente::kDom1Id)->setText(QStringLiteral("Av. D'Artagnan 5"));
            QVERIFY(editor.save());
            QVERIFY(editor.lastSavedId() > 0);
        }
        addCustomer(*m_db, "Ohiggins Otro");
        CCatClientes dlg(*m_db);
        QVERIFY(dlg.applySearch(QStringLiteral("o'hig")));
        QCOMPARE(names(dlg), QStringList{"O'Higgins y Cía."});
        QVERIFY(dlg.applySearch(QStringLiteral("' OR 1=1 --")));
        QCOMPARE(dlg.customerCount(), 0);

        QVERIFY(dlg.applySearch(QStringLiteral("higgins")));
        QVERIFY(dlg.seleccionar(1));
        QCOMPARE(dlg.picked().dom1, QStringLiteral("Av. D'Artagnan 5"));
        CAddEditCliente editor(*m_db, dlg.picked().idCliente);
        QCOMPARE(editor.control<CTolEdit>(CAddEditCliente::kNombreId)->text(), QStringLiteral("O'Higgins y Cía."));
    }

    // A stored 80-character address opens scrolled to its start, as the operator reads it.
    void longAddressOpensAtItsStart() {
        const std::string address = "Avenida Insurgentes Sur 1234 interior 5, Colonia Del Valle Centro, Benito Juarez";
        QCOMPARE(address.size(), std::size_t(80));
        m_db->execute("INSERT INTO Clientes (Nombre, Dom1) VALUES (?, ?)", {std::string("Largo"), address});
        CAddEditCliente editor(*m_db, static_cast<std::int32_t>(m_db->lastInsertId()));
        activate(&editor);
        auto* dom1 = editor.control<CTolEdit>(CAddEditCliente::kDom1Id);
        QCOMPARE(dom1->text(), QString::fromStdString(address));
        QVERIFY(!dom1->hasFocus());
        QCOMPARE(dom1->cursorPosition(), 0);
        QVERIFY(dom1->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < 10);
        saveShot(editor, QStringLiteral("cliente-largo"));
    }

    void editorLimitsAndMissingName() {
        CAddEditCliente editor(*m_db, 0);
        const std::pair<int, int> limits[] = {
            {CAddEditCliente::kNombreId, 100}, {CAddEditCliente::kDom1Id, 80},   {CAddEditCliente::kDom2Id, 80},
            {CAddEditCliente::kDom3Id, 80},    {CAddEditCliente::kRfcId, 25},    {CAddEditCliente::kTelefonoId, 35},
            {CAddEditCliente::kClasificacionId, 3}};
        for (const auto& [id, limit] : limits) {
            auto* e = editor.control<CTolEdit>(id);
            QVERIFY2(e, qPrintable(QString::number(id)));
            e->setText(QString(limit + 10, QLatin1Char('x')));
            QCOMPARE(e->text().size(), limit);
        }
        auto* rfc = editor.control<CTolEdit>(CAddEditCliente::kRfcId);
        rfc->clear();
        QTest::keyClicks(rfc, "gaga800101");
        QCOMPARE(rfc->text(), QStringLiteral("GAGA800101"));

        // A name of blanks is no name: nothing is written.
        editor.control<CTolEdit>(CAddEditCliente::kNombreId)->setText(QStringLiteral("   "));
        auto message = answerMessage();
        QVERIFY(!editor.save());
        QCOMPARE(*message, QStringLiteral("- ¡Faltan datos! -"));
        QCOMPARE(customerRows(*m_db), 0);
        QCOMPARE(editor.savedCount(), 0);
    }

    void addingKeepsTheEditorOpenAndEditingClosesIt() {
        CAddEditCliente adder(*m_db, 0);
        activate(&adder);
        auto* nombre = adder.control<CTolEdit>(CAddEditCliente::kNombreId);
        auto* guardar = adder.control<QPushButton>(CAddEditCliente::kGuardarId);
        nombre->setText(QStringLiteral("Primero"));
        adder.control<CTolEdit>(CAddEditCliente::kTelefonoId)->setText(QStringLiteral("111"));
        guardar->click();
        QVERIFY(adder.isVisible());
        QVERIFY(nombre->text().isEmpty());
        QVERIFY(adder.control<CTolEdit>(CAddEditCliente::kTelefonoId)->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(nombre));
        nombre->setText(QStringLiteral("Segundo"));
        guardar->click();
        QVERIFY(adder.isVisible());
        QCOMPARE(adder.savedCount(), 2);
        QCOMPARE(customerRows(*m_db), 2);
        adder.reject();

        const std::int32_t id = addCustomer(*m_db, "Tercero", "333");
        CAddEditCliente editor(*m_db, id);
        activate(&editor);
        QCOMPARE(editor.control<CTolEdit>(CAddEditCliente::kTelefonoId)->text(), QStringLiteral("333"));
        QCOMPARE(editor.control<CTolEdit>(CAddEditCliente::kClasificacionId)->text(), QStringLiteral("MEN"));
        editor.control<CTolEdit>(CAddEditCliente::kNombreId)->setText(QStringLiteral("Tercero Cambiado"));
        editor.control<QPushButton>(CAddEditCliente::kGuardarId)->click();
        QVERIFY(!editor.isVisible());
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        QCOMPARE(customerRows(*m_db), 3);
        Statement st = m_db->prepare("SELECT Nombre, Telefono FROM Clientes WHERE Id_Cliente = ?");
        st.bind(1, std::int64_t{id});
        QVERIFY(st.step());
        QCOMPARE(st.text(0), std::string("Tercero Cambiado"));
        QCOMPARE(st.text(1), std::string("333"));
    }

    void listCommandsOpenTheEditorAndRequery() {
        addCustomer(*m_db, "Beto");
        addCustomer(*m_db, "Carla");
        CCatClientes dlg(*m_db);
        dlg.show();

        // "Nuevo": two customers in a row, then "Salir"; the list shows them in order.
        answerNextModal(
            [](QWidget* w) {
                auto* editor = qobject_cast<CAddEditCliente*>(w);
                QVERIFY(editor);
                QCOMPARE(editor->idCliente(), 0);
                for (const char* name : {"Ana", "Zoe"}) {
                    editor->control<CTolEdit>(CAddEditCliente::kNombreId)->setText(QString::fromUtf8(name));
                    editor->control<QPushButton>(CAddEditCliente::kGuardarId)->click();
                }
                editor->control<QPushButton>(CAddEditCliente::kSalirId)->click();
            },
            &dlg);
        dlg.control<QPushButton>(CCatClientes::kNuevoId)->click();
        QCOMPARE(names(dlg), (QStringList{"Ana", "Beto", "Carla", "Zoe"}));

        // "Editar" on the highlighted row edits that customer; the highlight stays on its row.
        dlg.grid()->setCurrentCell(1, 3);
        answerNextModal(
            [](QWidget* w) {
                auto* editor = qobject_cast<CAddEditCliente*>(w);
                QVERIFY(editor);
                auto* nombre = editor->control<CTolEdit>(CAddEditCliente::kNombreId);
                QCOMPARE(nombre->text(), QStringLiteral("Carla"));
                nombre->setText(QStringLiteral("Carla Ruiz"));
                editor->control<QPushButton>(CAddEditCliente::kGuardarId)->click();
            },
            &dlg);
        dlg.control<QPushButton>(CCatClientes::kEditarId)->click();
        QCOMPARE(names(dlg), (QStringList{"Ana", "Beto", "Carla Ruiz", "Zoe"}));
        QCOMPARE(dlg.grid()->currentRow(), 3);
        QCOMPARE(customerRows(*m_db), 4);

        // Without a valid row "Editar" opens nothing.
        dlg.editar(0);
        dlg.editar(5);
        QCOMPARE(QApplication::activeModalWidget(), static_cast<QWidget*>(&dlg));
        dlg.reject();
    }

    void editorOfAVanishedCustomerSaysSo() {
        auto message = answerMessage();
        CAddEditCliente editor(*m_db, 4242);
        QCOMPARE(*message, QStringLiteral("Upsss..."));
        QVERIFY(editor.control<CTolEdit>(CAddEditCliente::kNombreId)->text().isEmpty());
        // What is typed then is kept as a new customer rather than lost on a missing row.
        editor.control<CTolEdit>(CAddEditCliente::kNombreId)->setText(QStringLiteral("Rescatado"));
        QVERIFY(editor.save());
        QCOMPARE(customerRows(*m_db), 1);
    }

    // A catalogue longer than its first rows: a deletion far down keeps the highlight on that row
    // (the list is counted at once for it), and the search narrows and widens it again.
    void aLongCatalogueKeepsItsPlaceAfterADeletion() {
        {
            Transaction tx(*m_db);
            for (int i = 0; i < 250; ++i)
                addCustomer(*m_db, QStringLiteral("Cliente %1").arg(i, 3, 10, QLatin1Char('0')).toStdString());
            tx.commit();
        }
        CCatClientes dlg(*m_db);
        activate(&dlg);
        QTRY_COMPARE(dlg.customerCount(), 250);
        dlg.grid()->setCurrentCell(1, 200);
        auto message = answerMessage(true, &dlg);
        QVERIFY(dlg.eliminar(200));
        QCOMPARE(*message, QStringLiteral("¿Está seguro de eliminar el registro seleccionado?"));
        QCOMPARE(dlg.customerCount(), 249);
        QCOMPARE(dlg.grid()->currentRow(), 200);
        QCOMPARE(GridCell(dlg, 199, 1), QStringLiteral("Cliente 198"));
        QCOMPARE(GridCell(dlg, 200, 1), QStringLiteral("Cliente 200"));

        QVERIFY(dlg.applySearch(QStringLiteral("cliente 19")));
        QTRY_COMPARE(dlg.customerCount(), 9);  // "Cliente 190" to "Cliente 198"
        QVERIFY(dlg.applySearch(QString()));
        QTRY_COMPARE(dlg.customerCount(), 249);
        QCOMPARE(names(dlg).size(), 249);
        QCOMPARE(names(dlg).last(), QStringLiteral("Cliente 249"));
        dlg.reject();
    }

    void deleteAsksFirstAndKeepsDocuments() {
        addCustomer(*m_db, "Ana");
        const std::int32_t beto = addCustomer(*m_db, "Beto");
        addCustomer(*m_db, "Carla");
        m_db->execute("INSERT INTO Documentos (Id_Cliente, Nombre, Serie, Folio, Fecha) VALUES (?, 'Beto', 'A', 1, 45000)",
                      {std::int64_t{beto}});
        CCatClientes dlg(*m_db);
        activate(&dlg);

        auto message = answerMessage(false, &dlg);
        QVERIFY(!dlg.eliminar(2));
        QCOMPARE(*message, QStringLiteral("¿Está seguro de eliminar el registro seleccionado?"));
        QCOMPARE(dlg.customerCount(), 3);

        // The grid's Delete key on the highlighted row asks the same.
        dlg.grid()->setFocus();
        dlg.grid()->setCurrentCell(1, 2);
        message = answerMessage(true, &dlg);
        QTest::keyClick(dlg.grid(), Qt::Key_Delete);
        QCOMPARE(*message, QStringLiteral("¿Está seguro de eliminar el registro seleccionado?"));
        QCOMPARE(names(dlg), (QStringList{"Ana", "Carla"}));
        QCOMPARE(dlg.grid()->rowCount(), 3);
        QCOMPARE(customerRows(*m_db), 2);
        Statement docs = m_db->prepare("SELECT count(*) FROM Documentos WHERE Id_Cliente = ?");
        docs.bind(1, std::int64_t{beto});
        docs.step();
        QCOMPARE(docs.integer(0), 1);

        // No valid row: nothing is asked.
        QVERIFY(!dlg.eliminar(0));
        QVERIFY(!dlg.eliminar(3));
    }

    void pickingReturnsTheCustomerAndNeedsARow() {
        addCustomer(*m_db, "Ana");
        const std::int32_t beto = addCustomer(*m_db, "Beto López", "222", "LOBE700101XX1");

        // Enter on a row picks it.
        answerNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CCatClientes*>(w);
            QVERIFY(dlg);
            dlg->grid()->setFocus();
            dlg->grid()->setCurrentCell(1, 2);
            QTest::keyClick(dlg->grid(), Qt::Key_Return);
        });
        std::optional<ClienteElegido> picked = CCatClientes::Choose(*m_db);
        QVERIFY(picked.has_value());
        QCOMPARE(picked->idCliente, beto);
        QCOMPARE(picked->nombre, QStringLiteral("Beto López"));
        QCOMPARE(picked->dom1, QStringLiteral("Calle Beto López"));
        QCOMPARE(picked->dom2, QStringLiteral("Col. Centro"));
        QCOMPARE(picked->dom3, QStringLiteral("León, Gto."));
        QCOMPARE(picked->rfc, QStringLiteral("LOBE700101XX1"));
        QCOMPARE(picked->telefono, QStringLiteral("222"));

        // "Seleccionar" on an empty list does nothing; "Salir" returns nothing.
        answerNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CCatClientes*>(w);
            QVERIFY(dlg);
            dlg->applySearch(QStringLiteral("nadie"));
            dlg->control<QPushButton>(CCatClientes::kSeleccionarId)->click();
            QVERIFY(dlg->isVisible());
            QVERIFY(!dlg->seleccionar(1));
            dlg->control<QPushButton>(CCatClientes::kSalirId)->click();
        });
        QVERIFY(!CCatClientes::Choose(*m_db).has_value());

        CCatClientes noPick(*m_db, false);
        QVERIFY(noPick.control<QPushButton>(CCatClientes::kSeleccionarId)->isHidden());
        QVERIFY(!noPick.seleccionar(1));
    }
};

QTEST_MAIN(TestCatClientes)
#include "tst_catclientes.moc"
