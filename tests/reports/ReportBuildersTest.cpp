#include "db/Database.h"
#include "db/OleDate.h"
#include "db/ValueFunctions.h"
#include "invoice/MoneyFormat.h"
#include "reports/CatalogReports.h"
#include "reports/CustomerStatement.h"
#include "reports/DocumentsJournal.h"
#include "reports/ReceivablesReport.h"
#include "reports/RepData.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include <memory>
#include <string>
#include <vector>

namespace {

class ReportBuilders : public ::testing::Test {
protected:
    void SetUp() override {
        saved = MoneyFormat::current();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        db = testDb.create();
        db->execute("INSERT INTO Clientes (Id_Cliente, Nombre, RFC) VALUES (1, 'Pérez', 'PEPJ800101'), "
                    "(2, 'Ana O''Higgins', NULL)");
    }
    void TearDown() override { MoneyFormat::setCurrent(saved); }

    // One document with `lines` lines of 10.00 each; the totals carry 16 % tax and no withholding.
    std::int64_t addDocument(const char* serie, long folio, long cliente, OleDate fecha, double total,
                             bool cancelada = false, int lines = 1) {
        const DbValue s = serie ? DbValue(std::string(serie)) : DbValue();
        db->execute("INSERT INTO Documentos (Id_Cliente, Nombre, Fecha, Vence, Serie, Folio, Subtotal, Impuesto1, "
                    "Total, Cancelada) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                    {std::int64_t{cliente}, std::string(cliente == 1 ? "Pérez" : "Ana O'Higgins"), fecha.value,
                     fecha.addDays(30).value, s, std::int64_t{folio}, total / 1.16, total - total / 1.16, total,
                     std::int64_t{cancelada ? 1 : 0}});
        const std::int64_t id = db->lastInsertId();
        for (int i = 0; i < lines; ++i)
            db->execute("INSERT INTO Detalles (Id_Documento, Renglon, Clave, Descripcion, Precio, Cantidad, "
                        "pDescuento, Importe, Descuento) VALUES (?, ?, ?, 'Tornillo', 5, 2, 10, 10, 1)",
                        {id, std::int64_t{i + 1}, "T" + std::to_string(i)});
        return id;
    }

    static std::vector<std::string> column(const CRepData& d, int c) {
        std::vector<std::string> out;
        for (int r = 0; r < d.GetRowCount(); ++r)
            out.emplace_back(d.GetCell(r, c));
        return out;
    }

    TestDatabase testDb;
    std::unique_ptr<Database> db;
    MoneyFormat saved;
    const OleDate today = OleDate::fromDate(2024, 3, 20);
};

TEST_F(ReportBuilders, JournalSummaryTotalsSkipCancelledAndKeepTheWholeLastDay) {
    addDocument("A", 2, 1, OleDate::fromDate(2024, 3, 10, 23, 59), 116);
    addDocument("A", 1, 2, OleDate::fromDate(2024, 3, 1, 0, 0), 232);
    addDocument("A", 3, 1, OleDate::fromDate(2024, 3, 5), 1000, true);
    addDocument(nullptr, 7, 1, OleDate::fromDate(2024, 3, 11, 0, 30), 50); // the day after the period
    addDocument("B", 1, 1, OleDate::fromDate(2024, 2, 29, 23, 59), 10);   // the day before

    JournalFilter f;
    f.porPeriodo = true;
    f.desde = OleDate::fromDate(2024, 3, 1, 12, 0);
    f.hasta = OleDate::fromDate(2024, 3, 10, 8, 0);
    CRepData d;
    std::string message;
    ASSERT_TRUE(BuildDocumentsJournal(*db, f, today, d, message));
    ASSERT_EQ(d.GetRowCount(), 3 + 2);
    EXPECT_EQ(column(d, 0), (std::vector<std::string>{"A000001", "A000002", "A000003", "", ""}));
    EXPECT_EQ(d.GetCell(0, 1), "01/Mar/2024");
    EXPECT_EQ(d.GetCell(0, 3), "Ana O'Higgins");
    EXPECT_EQ(d.GetCell(0, 4), "$232.00");
    EXPECT_EQ(d.GetCell(2, 3), "- CANCELADA -");
    EXPECT_EQ(d.GetCell(2, 4), "");
    EXPECT_EQ(d.GetCell(4, 3), "Total:");
    EXPECT_EQ(d.GetCell(4, 4), "$348.00");
    EXPECT_EQ(d.GetAlign(4), CRepData::kRight);
    EXPECT_EQ(d.TitleLines(), (std::vector<std::string>{"Fecha de generación: 20/Mar/2024",
                                                         "Periodo: del 01/Mar/2024 al 10/Mar/2024", "Cliente: -Todos-",
                                                         "(Resumido)"}));

    // A customer filter, and a folio that overrides it: folio 7 with no series is the null series.
    f.porPeriodo = false;
    f.clienteId = 1;
    f.clienteNombre = "Pérez";
    ASSERT_TRUE(BuildDocumentsJournal(*db, f, today, d, message));
    EXPECT_EQ(column(d, 0), (std::vector<std::string>{"000007", "A000002", "A000003", "B000001", "", ""}));
    EXPECT_EQ(d.TitleLines()[1], "Cliente: Pérez");
    f.clienteId = 2;
    f.folio = 7;
    ASSERT_TRUE(BuildDocumentsJournal(*db, f, today, d, message));
    EXPECT_EQ(column(d, 0), (std::vector<std::string>{"000007", "", ""}));
    f.serie = "Z";
    EXPECT_FALSE(BuildDocumentsJournal(*db, f, today, d, message));
    EXPECT_EQ(message, "No hay elemnetos que mostrar");
}

TEST_F(ReportBuilders, JournalDetailListsLinesAndTotalsOfNonCancelledDocuments) {
    addDocument("A", 1, 1, OleDate::fromDate(2024, 3, 1), 116, false, 2);
    addDocument("A", 2, 1, OleDate::fromDate(2024, 3, 2), 1000, true, 1);
    addDocument("A", 3, 2, OleDate::fromDate(2024, 3, 3), 58, false, 1);
    addDocument("A", 4, 2, OleDate::fromDate(2024, 3, 4), 0, false, 0); // no lines

    JournalFilter f;
    f.detallado = true;
    CRepData d;
    std::string message;
    ASSERT_TRUE(BuildDocumentsJournal(*db, f, today, d, message));
    // 3 joined lines, 3 non-cancelled documents counted.
    ASSERT_EQ(d.GetRowCount(), 3 + 8 * 3);
    ASSERT_EQ(d.GetColumnCount(), 8);
    EXPECT_EQ(d.GetCell(0, 0), "Folio: A000001   01/Mar/2024   Pérez");
    EXPECT_EQ(d.GetCell(1, 2), "Código");
    EXPECT_EQ(d.GetCell(1, 7), "Importe");
    EXPECT_EQ(d.GetCell(2, 2), "T0");
    EXPECT_EQ(d.GetCell(3, 2), "T1");
    EXPECT_EQ(d.GetCell(2, 4), "2.00");
    EXPECT_EQ(d.GetCell(2, 5), "$5.00");
    EXPECT_EQ(d.GetCell(2, 6), "10.00");
    EXPECT_EQ(d.GetCell(2, 7), "$9.00");
    EXPECT_EQ(d.GetCell(4, 7), "=============================================");
    EXPECT_EQ(d.GetCell(5, 6), "Subtotal:");
    EXPECT_EQ(d.GetCell(5, 7), "$100.00");
    EXPECT_EQ(d.GetCell(6, 7), "$16.00");
    EXPECT_EQ(d.GetCell(7, 7), "$0.00");
    EXPECT_EQ(d.GetCell(8, 6), "Total:");
    EXPECT_EQ(d.GetCell(8, 7), "$116.00");
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(d.GetCell(9, c), "");
    // The cancelled folio 2 never appears; folio 3 starts after the blank row.
    EXPECT_EQ(d.GetCell(10, 0), "Folio: A000003   03/Mar/2024   Ana O'Higgins");
    // The last document closes with its own totals too.
    EXPECT_EQ(d.GetCell(13, 7), "=============================================");
    EXPECT_EQ(d.GetCell(17, 6), "Total:");
    EXPECT_EQ(d.GetCell(17, 7), "$58.00");
    for (int r = 0; r < d.GetRowCount(); ++r)
        EXPECT_EQ(d.GetCell(r, 0).find("A000002"), std::string::npos);
    EXPECT_EQ(d.TitleLines().back(), "(Detallado, No incluye documentos cancelados)");

    // A customer keeps to their documents; a folio names one document, and the customer and the
    // period no longer apply.
    f.clienteId = 1;
    ASSERT_TRUE(BuildDocumentsJournal(*db, f, today, d, message));
    EXPECT_EQ(d.GetRowCount(), 2 + 8);
    EXPECT_EQ(d.GetCell(0, 0), "Folio: A000001   01/Mar/2024   Pérez");
    f.serie = "A";
    f.folio = 3;
    f.porPeriodo = true;
    f.desde = f.hasta = OleDate::fromDate(2024, 3, 1);
    ASSERT_TRUE(BuildDocumentsJournal(*db, f, today, d, message));
    EXPECT_EQ(d.GetRowCount(), 1 + 8);
    EXPECT_EQ(d.GetCell(0, 0), "Folio: A000003   03/Mar/2024   Ana O'Higgins");
    f = JournalFilter{};
    f.detallado = true;

    f.serie = "B";
    EXPECT_FALSE(BuildDocumentsJournal(*db, f, today, d, message));
    EXPECT_EQ(message, "- No hat elementos que mostrar -");
}

TEST_F(ReportBuilders, JournalCancelledPartWayLeavesAnEmptyReport) {
    addDocument("A", 1, 1, today, 116, false, 3);
    for (const bool detallado : {false, true}) {
        JournalFilter f;
        f.detallado = detallado;
        CRepData d;
        std::string message = "x";
        std::int64_t seenTotal = -1;
        EXPECT_FALSE(BuildDocumentsJournal(*db, f, today, d, message, [&seenTotal](std::int64_t, std::int64_t total) {
            seenTotal = total;
            return false;
        }));
        EXPECT_EQ(message, "");
        EXPECT_EQ(d.GetRowCount(), 0);
        // The detailed form knows its line count before it reads them; the summary does not.
        EXPECT_EQ(seenTotal, detallado ? 3 : 0);
    }
}

TEST_F(ReportBuilders, ArticlesCatalogOrderAndMoney) {
    CRepData d;
    std::string message;
    EXPECT_FALSE(BuildArticlesCatalog(*db, false, today, d, message));
    EXPECT_EQ(message, "- No hay elementos que mostrar -");
    db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio, PrecioNeto) VALUES "
                "('B1', 'árbol', 10, 11.6), ('a2', 'Clavo', 1240, 1438.4), ('C3', 'Brocha', 0.5, 0.58)");
    ASSERT_TRUE(BuildArticlesCatalog(*db, false, today, d, message));
    EXPECT_EQ(column(d, 0), (std::vector<std::string>{"a2", "B1", "C3"}));
    EXPECT_EQ(d.GetCell(0, 2), "$1,240.00");
    EXPECT_EQ(d.GetCell(0, 3), "$1,438.40");
    EXPECT_EQ(d.GetHeader(1), "Descripción");
    EXPECT_EQ(d.GetAlign(3), CRepData::kRight);
    ASSERT_TRUE(BuildArticlesCatalog(*db, true, today, d, message));
    EXPECT_EQ(column(d, 1), (std::vector<std::string>{"árbol", "Brocha", "Clavo"}));
    EXPECT_EQ(d.TitleLines(), std::vector<std::string>{"Fecha: 20/Mar/2024"});
}

TEST_F(ReportBuilders, CustomersCatalogUsesTheChosenFieldsInOrder) {
    EXPECT_EQ(CustomerReportFields(),
              (std::vector<std::string>{"Nombre", "Dom1", "Dom2", "Dom3", "RFC", "Telefono", "Clasificacion"}));
    CRepData d;
    std::string message;
    bool plain = true;
    EXPECT_FALSE(BuildCustomersCatalog(*db, {}, today, d, message, &plain));
    EXPECT_EQ(message, "- Seleccione al menos un campo para el reporte -");
    EXPECT_FALSE(plain);
    // Anything but a field name never reaches the SQL.
    EXPECT_FALSE(BuildCustomersCatalog(*db, {"Nombre FROM Clientes; DROP TABLE Clientes; --"}, today, d, message));

    ASSERT_TRUE(BuildCustomersCatalog(*db, {"RFC", "Nombre"}, today, d, message));
    ASSERT_EQ(d.GetColumnCount(), 2);
    EXPECT_EQ(d.GetHeader(0), "RFC");
    EXPECT_EQ(d.GetHeader(1), "Nombre");
    EXPECT_EQ(d.GetRowCount(), 2);
    EXPECT_EQ(d.GetCell(0, 0), "PEPJ800101");
    EXPECT_EQ(d.GetCell(1, 0), ""); // a null field prints empty
    EXPECT_EQ(d.GetCell(1, 1), "Ana O'Higgins");

    db->execute("DELETE FROM Clientes");
    EXPECT_FALSE(BuildCustomersCatalog(*db, {"Nombre"}, today, d, message, &plain));
    EXPECT_EQ(message, "No hay datos que mostrar");
    EXPECT_TRUE(plain);
}

// A report written while it is built has the bytes of the same report built whole and saved, in
// both forms, for every builder; and a builder that goes back to a written row loses its file.
TEST_F(ReportBuilders, StreamedReportsHaveTheBytesOfSavedOnes) {
    for (int i = 1; i <= 30; ++i)
        addDocument(i % 3 ? "A" : nullptr, i, 1 + i % 2, OleDate::fromDate(2024, 3, i % 28 + 1), 11.6 * i, i % 7 == 0,
                    1 + i % 4);
    db->execute("INSERT INTO Cobros (Id_Documento, NumPago, Fecha, Importe, Id_Cliente) VALUES (1, 1, ?, 5, 2)",
                {OleDate::fromDate(2024, 3, 15).value});
    using Build = std::function<bool(CRepData&, std::string&)>;
    JournalFilter summary, detailed;
    detailed.detallado = true;
    StatementFilter moves;
    moves.desde = OleDate::fromDate(2024, 3, 1);
    moves.hasta = OleDate::fromDate(2024, 3, 31);
    moves.detallado = true;
    const std::vector<std::pair<const char*, Build>> builds = {
        {"resumido", [&](CRepData& d, std::string& m) { return BuildDocumentsJournal(*db, summary, today, d, m); }},
        {"detallado", [&](CRepData& d, std::string& m) { return BuildDocumentsJournal(*db, detailed, today, d, m); }},
        {"cxc", [&](CRepData& d, std::string& m) { return BuildReceivablesReport(*db, CxcFilter{}, today, d, m); }},
        {"movimientos", [&](CRepData& d, std::string& m) { return BuildCustomerStatement(*db, moves, today, d, m); }},
        {"saldos", [&](CRepData& d, std::string& m) {
             StatementFilter balances = moves;
             balances.detallado = false;
             return BuildCustomerStatement(*db, balances, today, d, m);
         }},
        {"clientes", [&](CRepData& d, std::string& m) {
             return BuildCustomersCatalog(*db, {"Nombre", "RFC"}, today, d, m);
         }},
    };
    auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    for (const auto& [name, build] : builds)
        for (bool text : {true, false}) {
            SCOPED_TRACE(std::string(name) + (text ? " txt" : " rep"));
            const std::string whole = testDb.dir().file(std::string(name) + "-entero"),
                              streamed = testDb.dir().file(std::string(name) + "-flujo");
            CRepData held, flowing;
            std::string message, error;
            ASSERT_TRUE(build(held, message)) << message;
            ASSERT_TRUE(held.SaveAs(whole, "- TITULO -", text, &error)) << error;
            ASSERT_TRUE(flowing.StreamTo(streamed, "- TITULO -", text, &error)) << error;
            ASSERT_TRUE(build(flowing, message)) << message;
            EXPECT_EQ(flowing.GetRowCount(), held.GetRowCount());
            ASSERT_TRUE(flowing.FinishStream(&error)) << error;
            EXPECT_EQ(bytes(streamed), bytes(whole));
        }

    const std::string path = testDb.dir().file("desorden.txt");
    CRepData d;
    ASSERT_TRUE(d.StreamTo(path, "T", true));
    d.SetSize(3, 1);
    d.SetCell(1, 0, "b");
    d.SetCell(2, 0, "c");
    d.SetCell(0, 0, "a");  // already written as an empty row
    std::string error;
    EXPECT_FALSE(d.FinishStream(&error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
