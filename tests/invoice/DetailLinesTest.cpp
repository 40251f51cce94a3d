#include "db/ArticulosSet.h"
#include "db/Database.h"
#include "db/ImpuestosSet.h"
#include "invoice/Lineas.h"
#include "invoice/MoneyFormat.h"
#include "invoice/MoneyText.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

using Next = CLineas::Next;

// A database with a 15 % tax, a cancelling pair (10 % tax, 110 % withholding) and four articles.
class DetailLines : public ::testing::Test {
protected:
    void SetUp() override {
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        db = testDb.create();
        iva15 = addTax("IVA 15 %", 15, false);
        tax10 = addTax("Diez", 10, false);
        ret110 = addTax("Anula", 110, true);
        addArticle("S001", "Tornillo", 100, 1 /* IVA 16 % of the seed */, 0, 5 /* Ret. ISR */, 0);
        addArticle("Z000", "Muestra", 0, iva15, 0, 0, 0);
        addArticle("C1", "Cancela", 40, tax10, 0, ret110, 0);
        addArticle("M2", "Dos tasas", 10, iva15, 999 /* no such tax */, 0, 0);
        articles = std::make_unique<CArticulosSet>(*db);
        articles->Open(OpenType::Table);
        taxes = std::make_unique<CImpuestosSet>(*db);
        taxes->Open(OpenType::Table);
    }

    std::int32_t addTax(const std::string& name, double percent, bool withholding) {
        db->execute("INSERT INTO Impuestos (Nombre, Porcentaje, Retencion) VALUES (?, ?, ?)",
                    {name, percent, std::int64_t{withholding ? 1 : 0}});
        return static_cast<std::int32_t>(db->lastInsertId());
    }
    void addArticle(const std::string& key, const std::string& name, double price, std::int32_t imp1,
                    std::int32_t imp2, std::int32_t ret1, std::int32_t ret2) {
        db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio, Id_Imp1, Id_Imp2, Id_Ret1, Id_Ret2, "
                    "Observaciones, PrecioNeto) VALUES (?, ?, ?, ?, ?, ?, ?, 'nota del artículo', ?)",
                    {key, name, price, std::int64_t{imp1}, std::int64_t{imp2}, std::int64_t{ret1},
                     std::int64_t{ret2}, price * 1.5});
    }

    std::unique_ptr<CLineas> lines(int prcAiva, int rapido = 0) {
        return std::make_unique<CLineas>(*articles, *taxes, CLineas::Options{prcAiva, rapido, iva15, 0.15});
    }

    // Commits a cell as the grid does: the hook, then the store of the resulting text.
    static CLineas::CommitResult type(CLineas& l, int row, int column, const std::string& text, bool f2 = false) {
        const std::string previous = l.CellText(row, column);
        CLineas::CommitResult r = l.CommitCell(row, column, text, previous, f2);
        l.SetCellText(row, column, r.text);
        return r;
    }
    // Types a line with a free key and a price into the append row and commits it.
    static void addLine(CLineas& l, const std::string& key, const std::string& price, const std::string& quantity) {
        const int row = l.RowCount();
        type(l, row, 1, key);
        type(l, row, 2, "Artículo " + key);
        type(l, row, 3, quantity);
        type(l, row, 4, price);
        ASSERT_TRUE(l.CommitNewLine().accepted);
    }

    TestDatabase testDb;
    std::unique_ptr<Database> db;
    std::unique_ptr<CArticulosSet> articles;
    std::unique_ptr<CImpuestosSet> taxes;
    std::int32_t iva15 = 0, tax10 = 0, ret110 = 0;
};

TEST_F(DetailLines, NetPriceTypedOnTheAppendRowCountsBeforeAndAfterTheCommit) {
    auto l = lines(0);
    EXPECT_EQ(l->NewLine().pI1, 0.15);
    EXPECT_EQ(type(*l, 1, 1, "X1").next, Next::Key); // free key
    type(*l, 1, 2, "Flete");
    CLineas::CommitResult q = type(*l, 1, 3, "2");
    EXPECT_EQ(q.next, Next::Key); // no price yet: the line stays open
    EXPECT_TRUE(q.recalcTotals);
    type(*l, 1, 5, "10");
    CLineas::CommitResult p = type(*l, 1, 4, "115");
    EXPECT_EQ(p.next, Next::NextRow);
    EXPECT_TRUE(p.recalcTotals);
    ASSERT_EQ(p.appendRowTexts.size(), 1u);
    EXPECT_EQ(p.appendRowTexts[0], std::make_pair(6, std::string("$230.00")));

    const CPartida& n = l->NewLine();
    EXPECT_NEAR(n.Precio, 100, 1e-9);
    EXPECT_EQ(n.Id_Articulo, 0);
    EXPECT_EQ(n.pI2 + n.pR1 + n.pR2, 0); // a free key carries the default tax only
    DocumentTotals before = l->Totals();
    EXPECT_NEAR(before.Importe, 200, 1e-9);
    EXPECT_NEAR(before.Descuento, 20, 1e-9);
    EXPECT_NEAR(before.DescuentoNeto, 23, 1e-9);
    EXPECT_NEAR(before.Subtotal, 180, 1e-9);
    EXPECT_NEAR(before.Impuesto1, 27, 1e-9);
    EXPECT_NEAR(before.Total, 207, 1e-9);
    EXPECT_NEAR(before.ImporteNeto, 230, 1e-9);

    ASSERT_TRUE(l->CommitNewLine().accepted);
    EXPECT_EQ(l->LineCount(), 1);
    EXPECT_EQ(l->CellText(1, 1), "X1");
    EXPECT_EQ(l->CellText(1, 2), "Flete");
    EXPECT_EQ(l->CellText(1, 4), "$115.00");
    EXPECT_EQ(l->CellText(1, 6), "$230.00");
    EXPECT_EQ(l->NewLine().Precio, 0);
    EXPECT_EQ(l->NewLine().pI1, 0.15);
    EXPECT_NEAR(l->Totals().Total, 207, 1e-9);
}

TEST_F(DetailLines, KnownKeyLoadsTheArticleAndJumpsToQuantity) {
    auto l = lines(1);
    CLineas::CommitResult r = type(*l, 1, 1, "s001", false);
    EXPECT_TRUE(r.advanceColumn);
    EXPECT_TRUE(r.recalcTotals);
    EXPECT_EQ(r.next, Next::Key);
    EXPECT_EQ(r.text, "S001"); // the key as the catalogue spells it
    const CPartida& n = l->NewLine();
    EXPECT_EQ(n.Clave, "S001");
    EXPECT_EQ(n.Descripcion, "Tornillo");
    EXPECT_EQ(n.Precio, 100);
    EXPECT_EQ(n.Id_Imp1, 1);
    EXPECT_DOUBLE_EQ(n.pI1, 0.16);
    EXPECT_DOUBLE_EQ(n.pR1, 0.10);
    EXPECT_EQ(n.Observaciones, "");                // the article's notes stay in the catalogue
    EXPECT_NEAR(n.PrecioNeto, 106, 1e-9);          // recalculated, not the stored net price
    bool sawName = false, sawPrice = false;
    for (const auto& [column, text] : r.appendRowTexts) {
        sawName |= column == 2 && text == "Tornillo";
        sawPrice |= column == 4 && text == "$100.00";
    }
    EXPECT_TRUE(sawName && sawPrice);

    // A tax id that is not in the catalogue gives a zero rate.
    type(*l, 1, 1, "M2");
    EXPECT_EQ(l->NewLine().Id_Imp2, 999);
    EXPECT_EQ(l->NewLine().pI2, 0);
    EXPECT_DOUBLE_EQ(l->NewLine().pI1, 0.15);
}

TEST_F(DetailLines, QuickModeCommitsAPricedArticleAndKeepsAFreeOneOpen) {
    auto l = lines(1, 1);
    CLineas::CommitResult priced = type(*l, 1, 1, "S001");
    EXPECT_EQ(priced.next, Next::NextRow);
    EXPECT_EQ(l->NewLine().Cantidad, 1);
    EXPECT_EQ(l->NewLine().Importe, 100);
    ASSERT_TRUE(l->CommitNewLine().accepted);

    CLineas::CommitResult free = type(*l, 2, 1, "z000");
    EXPECT_EQ(free.next, Next::Key);
    EXPECT_TRUE(free.advanceColumn); // on to "Cantidad"
    EXPECT_EQ(l->NewLine().Cantidad, 1);
    EXPECT_EQ(l->NewLine().Importe, 0);
    EXPECT_NEAR(l->Totals().Total, 106, 1e-9);
}

TEST_F(DetailLines, QuantityPriceAndDiscountRefusalsLeaveTheLineAsItWas) {
    auto l = lines(1);
    addLine(*l, "A", "10", "2.333");
    const CPartida before = l->Line(1);
    EXPECT_EQ(l->CellText(1, 3), "2.33");
    for (const char* bad : {"0", "-1", "abc", "inf"}) {
        CLineas::CommitResult r = type(*l, 1, 3, bad);
        EXPECT_TRUE(r.reverted) << bad;
        EXPECT_EQ(r.next, Next::Stay);
        EXPECT_EQ(r.text, "2.33");
    }
    // The reverted cell text is not read back: the quantity keeps its full precision.
    EXPECT_EQ(l->Line(1).Cantidad, 2.333);
    EXPECT_EQ(l->Line(1).Total, before.Total);

    CLineas::CommitResult money = type(*l, 1, 4, "diez pesos");
    EXPECT_TRUE(money.reverted);
    EXPECT_EQ(money.message, "Please enter a currency.");
    CLineas::CommitResult zero = type(*l, 1, 4, "0");
    EXPECT_TRUE(zero.reverted);
    EXPECT_EQ(zero.message, "");
    EXPECT_EQ(l->Line(1).Precio, 10);

    EXPECT_TRUE(type(*l, 1, 5, "-5").reverted);
    EXPECT_EQ(l->Line(1).pDescuento, 0);
    CLineas::CommitResult tooMuch = type(*l, 1, 5, "150");
    EXPECT_TRUE(tooMuch.reverted);
    EXPECT_EQ(tooMuch.message, CLineas::kMsgDescuento);
    EXPECT_EQ(l->Line(1).pDescuento, 0);
    EXPECT_FALSE(type(*l, 1, 5, "100").reverted); // all off is still a discount
    EXPECT_EQ(l->Line(1).Total, 0);
    EXPECT_FALSE(type(*l, 1, 5, "12.5").reverted);
    EXPECT_EQ(l->CellText(1, 5), "12.5000");
    EXPECT_NEAR(l->Line(1).Descuento, 23.33 * 0.125, 1e-9);

    CLineas::CommitResult price = type(*l, 1, 4, "$1,240.00");
    EXPECT_EQ(price.next, Next::NextRow);
    EXPECT_EQ(l->Line(1).Precio, 1240);
    EXPECT_NEAR(l->Line(1).Importe, 1240 * 2.333, 1e-9);

    // A quantity whose amounts would overflow is refused, never infinite.
    CLineas::CommitResult huge = type(*l, 1, 3, "1e307");
    EXPECT_TRUE(huge.reverted);
    EXPECT_FALSE(huge.message.empty());
    EXPECT_TRUE(l->Line(1).IsInRange());
    EXPECT_EQ(l->Line(1).Cantidad, 2.333);
}

TEST_F(DetailLines, QuantitiesAndPricesBeyondAPrintableSizeAreRefused) {
    auto l = lines(1);
    addLine(*l, "A", "0", "1");
    // 1e308 × 0 is a finite amount, but its quantity prints as 309 digits.
    for (const char* bad : {"1e308", "1000000000001", "2e12"}) {
        CLineas::CommitResult r = type(*l, 1, 3, bad);
        EXPECT_TRUE(r.reverted) << bad;
        EXPECT_EQ(r.message, CLineas::kMsgFueraDeRango) << bad;
        EXPECT_EQ(l->Line(1).Cantidad, 1) << bad;
    }
    for (const char* bad : {"10000000000000", "$1,000,000,000,000.01"}) {
        CLineas::CommitResult r = type(*l, 1, 4, bad);
        EXPECT_TRUE(r.reverted) << bad;
        EXPECT_EQ(r.message, CLineas::kMsgFueraDeRango) << bad;
        EXPECT_EQ(l->Line(1).Precio, 0) << bad;
    }
    // The limit itself is a quantity; an amount beyond it is refused as well.
    EXPECT_FALSE(type(*l, 1, 3, "1000000000000").reverted);
    EXPECT_TRUE(type(*l, 1, 4, "2").reverted);
    EXPECT_FALSE(type(*l, 1, 3, "1").reverted);
    EXPECT_FALSE(type(*l, 1, 4, "100000000000").reverted);

    // An article stored with such a price (imported) is not taken into a line.
    addArticle("BIG", "Enorme", 1e300, 0, 0, 0, 0);
    articles->Requery();
    const int row = l->RowCount();
    CLineas::CommitResult key = type(*l, row, 1, "BIG");
    EXPECT_TRUE(key.reverted);
    EXPECT_EQ(key.message, CLineas::kMsgFueraDeRango);
    EXPECT_EQ(l->NewLine().Precio, 0);
}

TEST_F(DetailLines, DescriptionAndNotes) {
    auto l = lines(1);
    EXPECT_EQ(type(*l, 1, 2, "").next, Next::Stay); // may not be left empty
    EXPECT_EQ(l->DialogFor(1, 2, true), CLineas::Dialog::Notes);
    EXPECT_EQ(l->DialogFor(1, 1, true), CLineas::Dialog::ArticlePicker);
    EXPECT_EQ(l->DialogFor(1, 4, true), CLineas::Dialog::ArticleEditor);
    EXPECT_EQ(l->DialogFor(1, 4, false), CLineas::Dialog::None);
    EXPECT_EQ(l->DialogFor(1, 3, true), CLineas::Dialog::None);
    l->SetNotes(1, "línea 1\nlínea 2");
    EXPECT_EQ(type(*l, 1, 2, "Caja", true).next, Next::Stay);
    EXPECT_EQ(l->Notes(1), "línea 1\nlínea 2");
    EXPECT_EQ(type(*l, 1, 2, "Caja").next, Next::Key);
    ASSERT_TRUE(l->CommitNewLine().accepted);
    EXPECT_EQ(l->Line(1).Observaciones, "línea 1\nlínea 2");
    EXPECT_EQ(l->Line(1).Descripcion, "Caja");
}

TEST_F(DetailLines, ArticleEditorResultIsKeptAtFullPrecision) {
    auto l = lines(1);
    addLine(*l, "A", "10", "1");
    CPartida* line = l->LineAtRow(1);
    line->Precio = 100.0 / 3.0;
    line->Recalculate();
    const std::string previous = l->CellText(1, 4);
    CLineas::CommitResult r = l->CommitEditedLine(1, previous);
    EXPECT_EQ(r.next, Next::NextRow);
    EXPECT_TRUE(r.recalcTotals);
    EXPECT_EQ(r.text, "33.333333"); // the price with six decimals
    l->SetCellText(1, 4, r.text);
    EXPECT_EQ(l->Line(1).Precio, 100.0 / 3.0);
    // A cancelled editor reverts.
    EXPECT_TRUE(l->CommitCell(1, 4, previous, previous, true).reverted);
}

TEST_F(DetailLines, WithholdingsCancellingTaxesRefuseANetPrice) {
    auto l = lines(0);
    type(*l, 1, 1, "C1");
    type(*l, 1, 3, "2");
    const CPartida before = l->NewLine();
    CLineas::CommitResult r = type(*l, 1, 4, "50");
    EXPECT_TRUE(r.reverted);
    EXPECT_EQ(r.next, Next::Stay);
    EXPECT_EQ(r.message, CLineas::kMsgPrecioNeto);
    EXPECT_TRUE(l->NewLine().IsInRange());
    EXPECT_EQ(l->NewLine().Precio, before.Precio);
    const DocumentTotals t = l->Totals();
    EXPECT_TRUE(std::isfinite(t.Total) && std::isfinite(t.ImporteNeto));
    EXPECT_EQ(FormatMoney(t.Total), "$0.00");

    // Typed before taxes, the same line takes a price.
    auto gross = lines(1);
    type(*gross, 1, 1, "C1");
    type(*gross, 1, 3, "2");
    EXPECT_FALSE(type(*gross, 1, 4, "50").reverted);
    EXPECT_NEAR(gross->NewLine().Total, 0, 1e-9);
}

TEST_F(DetailLines, TheHundredthLineIsRefused) {
    auto l = lines(1);
    for (int i = 1; i <= CLineas::kMaxLines; ++i)
        addLine(*l, "K" + std::to_string(i), "1", "1");
    ASSERT_EQ(l->LineCount(), 99);
    EXPECT_TRUE(l->IsFull());
    EXPECT_EQ(l->RowCount(), 100);

    for (int column : {1, 2, 3, 4, 5, 7}) {
        CLineas::CommitResult r = type(*l, 100, column, column == 1 ? "S001" : "5");
        EXPECT_TRUE(r.reverted) << column;
        EXPECT_EQ(r.message, CLineas::kMsgTablaLlena);
    }
    EXPECT_EQ(l->DialogFor(100, 2, true), CLineas::Dialog::None);
    EXPECT_EQ(l->NewLine().Clave, "");
    EXPECT_EQ(l->NewLine().Precio, 0);
    const CLineas::AppendResult a = l->CommitNewLine();
    EXPECT_FALSE(a.accepted);
    EXPECT_EQ(a.message, CLineas::kMsgTablaLlena);
    EXPECT_EQ(l->LineCount(), 99);
    EXPECT_NEAR(l->Totals().Importe, 99, 1e-9);
    EXPECT_THROW(l->Line(100), std::out_of_range);
    EXPECT_THROW(l->Line(0), std::out_of_range);

    // Deleting a line makes room again.
    ASSERT_TRUE(l->DeleteLines(5, 5));
    EXPECT_FALSE(type(*l, 99, 1, "S001").reverted);
    EXPECT_TRUE(l->CommitNewLine().accepted);
    EXPECT_EQ(l->Line(99).Clave, "S001");
}

TEST_F(DetailLines, DeletingMovesLaterLinesUpAndTotalsFollow) {
    auto l = lines(1);
    addLine(*l, "A", "1", "1");
    addLine(*l, "B", "10", "1");
    addLine(*l, "C", "100", "1");
    addLine(*l, "D", "1000", "1");
    EXPECT_NEAR(l->Totals().Importe, 1111, 1e-9);
    ASSERT_TRUE(l->DeleteLines(2, 2));
    EXPECT_EQ(l->LineCount(), 3);
    EXPECT_EQ(l->CellText(1, 1), "A");
    EXPECT_EQ(l->CellText(2, 1), "C");
    EXPECT_EQ(l->CellText(3, 1), "D");
    EXPECT_NEAR(l->Totals().Importe, 1101, 1e-9);
    EXPECT_NEAR(l->Totals().Total, 1101 * 1.15, 1e-9);
    // Row 4 is now the append row, with a fresh buffer behind it.
    EXPECT_TRUE(l->IsAppendRow(4));
    EXPECT_EQ(l->Line(4).Clave, "");

    ASSERT_TRUE(l->DeleteLines(1, 2));
    EXPECT_EQ(l->CellText(1, 1), "D");
    EXPECT_EQ(l->LineCount(), 1);
    EXPECT_FALSE(l->DeleteLines(0, 1));
    EXPECT_FALSE(l->DeleteLines(1, 2));
    EXPECT_FALSE(l->DeleteLines(1, 0));
    EXPECT_EQ(l->LineCount(), 1);

    // Delete on the append row starts the buffer over.
    type(*l, 2, 1, "S001");
    l->ClearNewLine();
    EXPECT_EQ(l->NewLine().Clave, "");
    EXPECT_NEAR(l->Totals().Importe, 1000, 1e-9);
}

TEST_F(DetailLines, TotalsAreSumsOfUnroundedLines) {
    auto l = std::make_unique<CLineas>(*articles, *taxes, CLineas::Options{1, 0, 0, 0});
    for (const char* key : {"A", "B", "C"})
        addLine(*l, key, "0.333", "1");
    const DocumentTotals t = l->Totals();
    EXPECT_NEAR(t.Total, 0.999, 1e-12);
    EXPECT_NE(t.Total, 1.0);
    EXPECT_EQ(FormatMoney(t.Total), "$1.00");
    EXPECT_NEAR(t.Subtotal, t.Importe - t.Descuento, 1e-12);
    // As the electronic invoice adds them up, the line being typed among them.
    const int row = l->RowCount();
    type(*l, row, 1, "D");
    type(*l, row, 2, "Artículo D");
    type(*l, row, 3, "1");
    type(*l, row, 4, "0.125");
    EXPECT_EQ(l->Totals(TotalsRounding::LineCents).Total, 1.12);
}

TEST_F(DetailLines, AFreeKeyOnAnArticleLineNoLongerPointsAtTheArticle) {
    auto l = lines(1);
    type(*l, 1, 1, "S001");
    type(*l, 1, 3, "1");
    ASSERT_TRUE(l->CommitNewLine().accepted);
    const std::int32_t id = l->Line(1).Id_Articulo;
    ASSERT_NE(id, 0);
    type(*l, 1, 1, "s001"); // the same article, typed in lower case
    EXPECT_EQ(l->Line(1).Id_Articulo, id);
    type(*l, 1, 1, "NUEVO");
    EXPECT_EQ(l->Line(1).Clave, "NUEVO");
    EXPECT_EQ(l->Line(1).Id_Articulo, 0);
    EXPECT_EQ(l->Line(1).Precio, 100); // the rest of the line stays
}

TEST_F(DetailLines, AnArticleAddedAfterOpeningIsFound) {
    auto l = lines(1);
    addArticle("TARDE", "Llegó después", 7, iva15, 0, 0, 0);
    EXPECT_TRUE(type(*l, 1, 1, "tarde").advanceColumn);
    EXPECT_EQ(l->NewLine().Precio, 7);
}

TEST_F(DetailLines, ExtraColumnsComeFromNamedDetailFields) {
    EXPECT_EQ(CLineas::Columns(*db).size(), 7u);
    db->execute("UPDATE CamposExtras SET Nombre = ? WHERE Consec = ?", {std::string("Lote"), std::int64_t{9}});
    db->execute("UPDATE CamposExtras SET Nombre = ? WHERE Consec = ?", {std::string("Color"), std::int64_t{7}});
    db->execute("UPDATE CamposExtras SET Nombre = ? WHERE Consec = ?", {std::string("Pedido"), std::int64_t{2}});
    const auto columns = CLineas::Columns(*db);
    ASSERT_EQ(columns.size(), 9u);
    EXPECT_EQ(columns[1].title, "Clave");
    EXPECT_EQ(columns[2].width, 260);
    EXPECT_TRUE(columns[6].readOnly);
    EXPECT_EQ(columns[6].alignment, 2);
    EXPECT_EQ(columns[7].title, "Color");
    EXPECT_EQ(columns[8].title, "Lote");
}

TEST_F(DetailLines, LoadedLinesAndClearing) {
    auto l = lines(1);
    l->Line(1).Clave = "A";
    l->Line(2).Clave = "B";
    l->SetLineCount(2);
    EXPECT_EQ(l->RowCount(), 3);
    EXPECT_EQ(l->CellText(2, 1), "B");
    EXPECT_EQ(l->CellText(5, 1), "");
    l->SetLineCount(500);
    EXPECT_EQ(l->LineCount(), 99);
    l->Clear();
    EXPECT_EQ(l->LineCount(), 0);
    EXPECT_EQ(l->Line(1).Clave, "");
    EXPECT_EQ(l->Line(1).pI1, 0.15);
}

} // namespace
