#include "catalogs/ui/ComboTabla.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "support/TestDatabase.h"

#include <QtTest>

#include <memory>

namespace {

std::int32_t addFormat(Database& db, const char* name, bool ticket) {
    db.execute("INSERT INTO Formatos (Nombre, Ticket, Caben, Repetir) VALUES (?, ?, 0, 0)",
               {std::string(name), std::int64_t{ticket ? 1 : 0}});
    return std::int32_t(db.lastInsertId());
}

void configureFormats(CComboTabla& combo, Database& db) {
    combo.SetDatabase(db);
    combo.SetDisplayColumn(QStringLiteral("Nombre"));
    combo.SetTable(QStringLiteral("Formatos"));
    combo.SetKeyColumn(QStringLiteral("Id_Formato"));
    combo.SetCondition(QStringLiteral(" WHERE Ticket=0"));
}

QStringList entries(const QComboBox& combo) {
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i)
        texts << combo.itemText(i);
    return texts;
}

} // namespace

class TestComboTabla final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDatabase> m_testDb;
    std::unique_ptr<Database> m_db;

private Q_SLOTS:
    // A fresh database for every test.
    void init() {
        m_db.reset();
        m_testDb = std::make_unique<TestDatabase>();
        m_db = m_testDb->create();
    }
    void cleanup() {
        m_db.reset();
        m_testDb.reset();
    }

    void fillListsInSpanishOrderWithoutTickets() {
        const std::int32_t higgins = addFormat(*m_db, "Factura O'Higgins", false);
        const std::int32_t quoted = addFormat(*m_db, "Nota \"especial\"", false);
        const std::int32_t ticket = addFormat(*m_db, "TICKET", true);
        const std::int32_t nandu = addFormat(*m_db, "Ñandú", false);
        const std::int32_t nota = addFormat(*m_db, "nota", false);
        const std::int32_t recibo1 = addFormat(*m_db, "Recibo", false);
        const std::int32_t recibo2 = addFormat(*m_db, "Recibo", false);

        CComboTabla combo;
        QCOMPARE(combo.GetSelectedKey(), -1); // never filled
        configureFormats(combo, *m_db);
        combo.Fill();
        const QStringList expected = {QStringLiteral("Factura O'Higgins"), QStringLiteral("nota"),
                                      QStringLiteral("Nota \"especial\""), QStringLiteral("Ñandú"),
                                      QStringLiteral("Recibo"), QStringLiteral("Recibo")};
        QCOMPARE(entries(combo), expected);

        // Filling again replaces the entries rather than adding to them.
        combo.Fill();
        QCOMPARE(entries(combo), expected);

        // Every record comes back by its own id, quotes and duplicate names included.
        for (std::int32_t id : {higgins, quoted, nandu, nota, recibo1, recibo2}) {
            combo.SelectByKey(id);
            QCOMPARE(combo.GetSelectedKey(), id);
        }
        combo.SelectByKey(quoted);
        QCOMPARE(combo.currentText(), QStringLiteral("Nota \"especial\""));
        combo.SelectByKey(recibo1);
        QCOMPARE(combo.currentIndex(), 4);

        // An unknown id, or the ticket's, keeps the selection.
        combo.SelectByKey(higgins);
        combo.SelectByKey(9999);
        QCOMPARE(combo.GetSelectedKey(), higgins);
        combo.SelectByKey(ticket);
        QCOMPARE(combo.GetSelectedKey(), higgins);
    }

    void recordsChangedAfterFillNoLongerCount() {
        const std::int32_t a = addFormat(*m_db, "Carta", false);
        const std::int32_t b = addFormat(*m_db, "Media carta", false);
        CComboTabla combo;
        configureFormats(combo, *m_db);
        combo.Fill();
        combo.SelectByKey(b);
        QCOMPARE(combo.GetSelectedKey(), b);

        // Deleted elsewhere (the layout designer runs beside the program).
        m_db->execute("DELETE FROM Formatos WHERE Id_Formato = ?", {std::int64_t{b}});
        QCOMPARE(combo.GetSelectedKey(), -1);

        // Turned into a ticket format: the condition no longer admits it.
        combo.SelectByKey(a);
        m_db->execute("UPDATE Formatos SET Ticket = 1 WHERE Id_Formato = ?", {std::int64_t{a}});
        QCOMPARE(combo.GetSelectedKey(), -1);
        combo.Fill();
        QCOMPARE(combo.count(), 0);
        QCOMPARE(combo.GetSelectedKey(), -1);
        QVERIFY(!combo.GetSelectedExtra().isValid());
    }

    void extraColumnAndBoundCondition() {
        CComboTabla combo;
        combo.SetDatabase(*m_db);
        combo.SetDisplayColumn(QStringLiteral("Nombre"));
        combo.SetTable(QStringLiteral("Impuestos"));
        combo.SetKeyColumn(QStringLiteral("Id_Impuesto"));
        combo.SetExtraColumns(QStringLiteral(",Porcentaje"));
        combo.SetCondition(QStringLiteral(" WHERE Retencion=?"), {std::int64_t{0}});
        combo.Fill();
        // Taxes only, never withholdings.
        QCOMPARE(entries(combo), (QStringList{QStringLiteral("IVA 0 %"), QStringLiteral("IVA 16 %"),
                                              QStringLiteral("IVA 8 %")}));
        combo.setCurrentIndex(1);
        QCOMPARE(combo.GetSelectedExtra().toDouble(), 16.0);
        const std::int32_t iva16 = combo.GetSelectedKey();
        QVERIFY(iva16 > 0);

        // The extra value is read as stored now, not as it was at Fill.
        m_db->execute("UPDATE Impuestos SET Porcentaje = 15 WHERE Id_Impuesto = ?", {std::int64_t{iva16}});
        QCOMPARE(combo.GetSelectedExtra().toDouble(), 15.0);

        // Without extra columns there is no extra value.
        combo.SetExtraColumns(QString());
        combo.Fill();
        combo.SelectByKey(iva16);
        QCOMPARE(combo.GetSelectedKey(), iva16);
        QVERIFY(!combo.GetSelectedExtra().isValid());
    }

    void failuresLeaveAnEmptyList() {
        CComboTabla combo;
        configureFormats(combo, *m_db);
        combo.Fill(); // no formats at all
        QCOMPARE(combo.count(), 0);
        QCOMPARE(combo.GetSelectedKey(), -1);

        addFormat(*m_db, "Carta", false);
        combo.Fill();
        QCOMPARE(combo.count(), 1);
        combo.SetTable(QStringLiteral("NoHayTabla"));
        QVERIFY_THROWS_EXCEPTION(DbError, combo.Fill());
        QCOMPARE(combo.count(), 0);
        QCOMPARE(combo.GetSelectedKey(), -1);
    }
};

QTEST_MAIN(TestComboTabla)
#include "tst_combotabla.moc"
