#include "db/Database.h"
#include "db/OleDate.h"
#include "invoice/DocumentStore.h"
#include "invoice/ui/EliminarDlg.h"
#include "support/ModalAnswer.h"
#include "support/QueryCount.h"
#include "support/TestDatabase.h"
#include "toolkit/ui/TolDatePicker.h"
#include "toolkit/ui/TolMessageDlg.h"

#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>
#include <optional>

namespace {

// A document with two lines and one payment.
std::int32_t addDoc(Database& db, const std::optional<std::string>& serie, int folio, OleDate fecha) {
    db.execute("INSERT INTO Documentos (Nombre, Serie, Folio, Fecha, Total, YaPagado) VALUES ('Ana', ?, ?, ?, 100, 40)",
               {serie ? DbValue{*serie} : DbValue{}, std::int64_t{folio}, fecha.value});
    const std::int64_t id = db.lastInsertId();
    for (int renglon = 1; renglon <= 2; ++renglon)
        db.execute("INSERT INTO Detalles (Id_Documento, Renglon, Descripcion) VALUES (?, ?, 'x')",
                   {id, std::int64_t{renglon}});
    db.execute("INSERT INTO Cobros (Id_Documento, NumPago, Importe) VALUES (?, 1, 40)", {id});
    return static_cast<std::int32_t>(id);
}

std::int64_t rowsOf(Database& db, std::int32_t id) {
    const std::vector<DbValue> p{std::int64_t{id}};
    return QueryCount(db, "SELECT count(*) FROM Documentos WHERE Id_Documento = ?", p) +
           QueryCount(db, "SELECT count(*) FROM Detalles WHERE Id_Documento = ?", p) +
           QueryCount(db, "SELECT count(*) FROM Cobros WHERE Id_Documento = ?", p);
}

} // namespace

class TestEliminarDlg final : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_testDb;
    std::unique_ptr<Database> m_db;

    // Runs the dialog with `accion` chosen and "Proceder" pressed; the dialog's result and the
    // message it showed.
    std::pair<int, QString> proceed(const QString& serie, int folio, CEliminarDlg::Accion accion,
                                    QDate fecha = QDate()) {
        CEliminarDlg dlg(*m_db, serie, folio);
        dlg.show();
        const int radioIds[] = {CEliminarDlg::kEliminarId, CEliminarDlg::kCancelarDocId, CEliminarDlg::kAnterioresId};
        dlg.control<QRadioButton>(radioIds[accion])->click();
        if (fecha.isValid())
            dlg.setFecha(fecha);
        auto message = answerMessage();
        dlg.control<QPushButton>(CEliminarDlg::kProcederId)->click();
        return {dlg.isVisible() ? -1 : dlg.result(), *message};
    }

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

    void controlsAndTheirStart() {
        CEliminarDlg dlg(*m_db, QStringLiteral("A"), 5);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Eliminación de Documentos"));
        QCOMPARE(dlg.accion(), CEliminarDlg::Eliminar);
        QVERIFY(dlg.control<QRadioButton>(CEliminarDlg::kEliminarId)->isChecked());
        QCOMPARE(dlg.fecha(), QDate::currentDate());
        // The date counts only for the purge.
        auto* fecha = dlg.control<CTolDatePicker>(CEliminarDlg::kFechaId);
        QVERIFY(!fecha->isEnabled());
        dlg.control<QRadioButton>(CEliminarDlg::kAnterioresId)->click();
        QVERIFY(fecha->isEnabled());
        dlg.control<QRadioButton>(CEliminarDlg::kCancelarDocId)->click();
        QVERIFY(!fecha->isEnabled());
        QCOMPARE(dlg.accion(), CEliminarDlg::MarcarCancelado);
    }

    void deleteTakesLinesAndPayments() {
        const std::int32_t a5 = addDoc(*m_db, std::string("A"), 5, OleDate::fromDate(2024, 1, 1));
        const std::int32_t b5 = addDoc(*m_db, std::string("B"), 5, OleDate::fromDate(2024, 1, 1));
        const std::int32_t n5 = addDoc(*m_db, std::nullopt, 5, OleDate::fromDate(2024, 1, 1));

        auto [result, message] = proceed(QStringLiteral("A"), 5, CEliminarDlg::Eliminar);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(message, QStringLiteral("- Documento eliminado -"));
        QCOMPARE(rowsOf(*m_db, a5), 0);
        QCOMPARE(rowsOf(*m_db, b5), 4);

        // The empty series is the Null series.
        std::tie(result, message) = proceed(QString(), 5, CEliminarDlg::Eliminar);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(rowsOf(*m_db, n5), 0);
        QCOMPARE(rowsOf(*m_db, b5), 4);

        // Nothing there: nothing changes, and the message does not claim a deletion.
        std::tie(result, message) = proceed(QStringLiteral("C"), 5, CEliminarDlg::Eliminar);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(message, QStringLiteral("- No existe el documento -"));
        QCOMPARE(QueryCount(*m_db, "SELECT count(*) FROM Documentos"), 1);
    }

    void cancelMarksTheDocumentOrRecordsTheFolio() {
        const std::int32_t a7 = addDoc(*m_db, std::string("A"), 7, OleDate::fromDate(2024, 1, 1));
        auto [result, message] = proceed(QStringLiteral("A"), 7, CEliminarDlg::MarcarCancelado);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(message, QStringLiteral("- Documento eliminado -"));
        const std::vector<DbValue> id{std::int64_t{a7}};
        QCOMPARE(QueryCount(*m_db, "SELECT Cancelada <> 0 FROM Documentos WHERE Id_Documento = ?", id), 1);
        QCOMPARE(QueryCount(*m_db, "SELECT count(*) FROM Detalles WHERE Id_Documento = ?", id), 2);
        QCOMPARE(QueryCount(*m_db, "SELECT count(*) FROM Cobros WHERE Id_Documento = ?", id), 0);

        // A folio never saved becomes a cancelled document of its own and counts as used.
        CDocumentStore store(*m_db);
        QCOMPARE(store.NextFolio("Z"), 1);
        std::tie(result, message) = proceed(QStringLiteral("Z"), 12, CEliminarDlg::MarcarCancelado);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(message, QStringLiteral("- Documento eliminado -"));
        QCOMPARE(QueryCount(*m_db, "SELECT count(*) FROM Documentos WHERE Serie = 'Z' AND Folio = 12 AND Cancelada <> 0"), 1);
        QCOMPARE(store.NextFolio("Z"), 13);

        // Without a folio nothing is recorded and the dialog stays open.
        std::tie(result, message) = proceed(QStringLiteral("Z"), 0, CEliminarDlg::MarcarCancelado);
        QCOMPARE(result, -1);
        QCOMPARE(message, QStringLiteral("- Falta el folio del documento -"));
        QCOMPARE(QueryCount(*m_db, "SELECT count(*) FROM Documentos WHERE Folio = 0"), 0);
    }

    void purgeKeepsTheChosenDay() {
        const std::int32_t old1 = addDoc(*m_db, std::string("A"), 1, OleDate::fromDate(2023, 12, 31, 23, 59));
        const std::int32_t old2 = addDoc(*m_db, std::string("B"), 2, OleDate::fromDate(2020, 5, 5));
        const std::int32_t same = addDoc(*m_db, std::string("A"), 3, OleDate::fromDate(2024, 1, 1));
        const std::int32_t later = addDoc(*m_db, std::string("A"), 4, OleDate::fromDate(2024, 1, 1, 18));

        auto [result, message] = proceed(QString(), 0, CEliminarDlg::EliminarAnteriores, QDate(2024, 1, 1));
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(message, QStringLiteral("- Documentos Eliminados -"));
        QCOMPARE(rowsOf(*m_db, old1), 0);
        QCOMPARE(rowsOf(*m_db, old2), 0);
        QCOMPARE(rowsOf(*m_db, same), 4);
        QCOMPARE(rowsOf(*m_db, later), 4);
        QCOMPARE(QueryCount(*m_db, "SELECT count(*) FROM Detalles"), 4);
        QCOMPARE(QueryCount(*m_db, "SELECT count(*) FROM Cobros"), 2);
    }

    void cancelButtonAndEngineErrorsChangeNothing() {
        const std::int32_t a1 = addDoc(*m_db, std::string("A"), 1, OleDate::fromDate(2020, 1, 1));
        {
            CEliminarDlg dlg(*m_db, QStringLiteral("A"), 1);
            dlg.show();
            dlg.control<QPushButton>(CEliminarDlg::kCancelarId)->click();
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
            QCOMPARE(rowsOf(*m_db, a1), 4);
        }

        // The engine refuses: its own words reach the operator, the dialog ends without OK, and
        // nothing is deleted, not even part of a purge.
        addDoc(*m_db, std::string("A"), 2, OleDate::fromDate(2020, 1, 1));
        TestDatabase::injectFailure(*m_db, "Documentos", "DELETE", "OLD.Folio = 1");
        for (auto accion : {CEliminarDlg::Eliminar, CEliminarDlg::EliminarAnteriores}) {
            auto [result, message] = proceed(QStringLiteral("A"), 1, accion, QDate(2024, 1, 1));
            QCOMPARE(result, int(QDialog::Rejected));
            QVERIFY2(message.contains(QStringLiteral("disco lleno")), qPrintable(message));
            QCOMPARE(QueryCount(*m_db, "SELECT count(*) FROM Documentos"), 2);
            QCOMPARE(QueryCount(*m_db, "SELECT count(*) FROM Cobros"), 2);
        }
    }
};

QTEST_MAIN(TestEliminarDlg)
#include "tst_eliminardlg.moc"
