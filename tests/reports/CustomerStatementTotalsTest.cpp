// The customer statement's grouped sums against the arithmetic of one sum per customer and
// figure, on a generated file with cancelled documents, partial payments and customers without
// movements.
#include "../../tools/quintaleva-cli/Generator.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "db/Statement.h"
#include "db/ValueFunctions.h"
#include "invoice/MoneyFormat.h"
#include "invoice/MoneyText.h"
#include "reports/CustomerStatement.h"
#include "reports/RepData.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <array>

namespace {

class StatementTotals : public ::testing::Test {
protected:
    void SetUp() override {
        saved = MoneyFormat::current();
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        db = testDb.create();
        GenerateData(*db, GeneratorOptions{3000, 120, 50, 11});
        // A customer no document names, and a payment of a cancelled document before the period.
        db->execute("INSERT INTO Clientes (Nombre) VALUES ('Sin movimientos')");
        db->execute("UPDATE Documentos SET Cancelada=1 WHERE Id_Documento % 17 = 0");
    }
    void TearDown() override { MoneyFormat::setCurrent(saved); }

    double sum(const std::string& sql, const std::vector<DbValue>& params) {
        Statement st = db->prepare(sql);
        st.bindAll(params);
        return st.step() ? valueToDouble(st.column(0)) : 0.0;
    }

    // The four figures of one customer, each with its own query, as the statement once ran them.
    std::array<double, 4> perCustomer(std::int64_t c, OleDate from, OleDate to) {
        const SqlCondition period = BetweenDates(from, to);
        std::vector<DbValue> p{c};
        p.insert(p.end(), period.params.begin(), period.params.end());
        const double I =
            sum("SELECT Sum(Total) FROM Documentos WHERE Cancelada=0 AND Id_Cliente=? AND Fecha<?", {c, from.dateOnly().value}) -
            sum("SELECT Sum(Importe) FROM Cobros WHERE Id_Cliente=? AND Fecha<?", {c, from.dateOnly().value});
        const double Ch = sum("SELECT Sum(Total) FROM Documentos WHERE Cancelada=0 AND Id_Cliente=? AND Fecha " + period.sql, p);
        const double Cr = sum("SELECT Sum(Importe) FROM Cobros WHERE Id_Cliente=? AND Fecha " + period.sql, p);
        return {I, Ch, Cr, (Ch + I) - Cr};
    }

    TestDatabase testDb;
    std::unique_ptr<Database> db;
    MoneyFormat saved;
};

TEST_F(StatementTotals, SummaryOfEveryCustomerMatchesOneSumPerCustomer) {
    const double today = OleDate::today().value;
    StatementFilter f;
    f.desde = OleDate{today - 100 + 0.4};  // the picker's time of day is dropped for the start
    f.hasta = OleDate{today - 30 + 0.7};
    CRepData data;
    std::string message;
    ASSERT_TRUE(BuildCustomerStatement(*db, f, OleDate{today}, data, message)) << message;

    Statement customers = db->prepare("SELECT Id_Cliente FROM Clientes ORDER BY Nombre COLLATE ES, Id_Cliente");
    int r = 0;
    double totals[4] = {0, 0, 0, 0};
    int withMovements = 0;
    while (customers.step()) {
        const auto expected = perCustomer(customers.integer(0), f.desde, f.hasta);
        withMovements += expected[1] != 0 || expected[2] != 0;
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(data.GetCell(r, c + 1), FormatMoney(expected[c])) << "row " << r << " column " << c + 1;
            totals[c] += expected[c];
        }
        ++r;
    }
    EXPECT_EQ(r, 121);
    EXPECT_GT(withMovements, 50);  // the period is not an empty one
    ASSERT_EQ(data.GetRowCount(), r + 2);
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(data.GetCell(r + 1, c + 1), FormatMoney(totals[c]));
}

TEST_F(StatementTotals, OneCustomerInDetailStartsFromTheSameInitialBalance) {
    const double today = OleDate::today().value;
    Statement busiest = db->prepare("SELECT Id_Cliente, min(Nombre) FROM Documentos GROUP BY Id_Cliente "
                                    "ORDER BY count(*) DESC, Id_Cliente LIMIT 1");
    ASSERT_TRUE(busiest.step());
    StatementFilter f;
    f.clienteId = static_cast<long>(busiest.integer(0));
    f.desde = OleDate{today - 60};
    f.hasta = OleDate{today};
    const auto expected = perCustomer(f.clienteId, f.desde, f.hasta);
    CRepData summary;
    std::string message;
    ASSERT_TRUE(BuildCustomerStatement(*db, f, OleDate{today}, summary, message));
    ASSERT_EQ(summary.GetRowCount(), 3);
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(summary.GetCell(0, c + 1), FormatMoney(expected[c]));

    f.detallado = true;
    CRepData detail;
    ASSERT_TRUE(BuildCustomerStatement(*db, f, OleDate{today}, detail, message));
    // Row 0 names the customer; the first movement of the period is never earlier than the
    // initial balance here, since the period starts at midnight.
    EXPECT_EQ(detail.GetCell(1, 2), "Saldo Inicial");
    EXPECT_EQ(detail.GetCell(1, 4), expected[0] > 0.01 ? FormatMoney(expected[0]) : std::string());
}

} // namespace
