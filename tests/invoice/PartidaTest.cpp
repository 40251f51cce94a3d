#include "invoice/DocumentTotals.h"
#include "invoice/LineCents.h"
#include "invoice/MoneyFormat.h"
#include "invoice/Partida.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

class Partida : public ::testing::Test {
protected:
    void SetUp() override { MoneyFormat::setCurrent(MoneyFormat::mexican()); }

    static CPartida line(double price, double quantity, double discount = 0, double t1 = 0, double t2 = 0, double r1 = 0,
                         double r2 = 0) {
        CPartida p;
        p.Precio = price;
        p.Cantidad = quantity;
        p.pDescuento = discount;
        p.pI1 = t1;
        p.pI2 = t2;
        p.pR1 = r1;
        p.pR2 = r2;
        p.Recalculate();
        return p;
    }
};

TEST_F(Partida, NetPriceWithOneTaxGivesThePriceAndEveryAmount) {
    CPartida p;
    p.pI1 = 0.15;
    p.Cantidad = 2;
    p.pDescuento = 10;
    p.PrecioNeto = 115;
    ASSERT_TRUE(p.RecalculateFromNet());
    EXPECT_NEAR(p.Precio, 100, 1e-9);
    EXPECT_NEAR(p.PrecioNeto, 115, 1e-9);
    EXPECT_NEAR(p.Importe, 200, 1e-9);
    EXPECT_NEAR(p.Descuento, 20, 1e-9);
    EXPECT_NEAR(p.DescuentoNeto, 23, 1e-9);
    EXPECT_NEAR(p.Subtotal, 180, 1e-9);
    EXPECT_NEAR(p.Imp1, 27, 1e-9);
    EXPECT_NEAR(p.Total, 207, 1e-9);
    // Net mode shows the net price and the net amount; gross mode the price and Importe.
    EXPECT_EQ(p.GetText(CPartida::kPrecio, 0), "$115.00");
    EXPECT_EQ(p.GetText(CPartida::kImporte, 0), "$230.00");
    EXPECT_EQ(p.GetText(CPartida::kPrecio, 1), "$100.00");
    EXPECT_EQ(p.GetText(CPartida::kImporte, 1), "$200.00");
}

TEST_F(Partida, TaxesAreAdditiveOnTheDiscountedAmountAndWithholdingsSubtract) {
    const CPartida two = line(100, 1, 0, 0.15, 0.05);
    EXPECT_NEAR(two.PrecioNeto, 120, 1e-9); // not 100 × 1.15 × 1.05
    EXPECT_NEAR(two.Imp1, 15, 1e-9);
    EXPECT_NEAR(two.Imp2, 5, 1e-9);
    EXPECT_NEAR(two.Total, 120, 1e-9);

    const CPartida held = line(100, 1, 0, 0, 0, 0.10);
    EXPECT_NEAR(held.PrecioNeto, 90, 1e-9);
    EXPECT_NEAR(held.Ret1, 10, 1e-9);
    EXPECT_NEAR(held.Total, 90, 1e-9);

    const CPartida both = line(100, 3, 10, 0.16, 0, 0.10, 0.10667);
    EXPECT_NEAR(both.Subtotal, 270, 1e-9);
    EXPECT_NEAR(both.Total, 270 + 270 * 0.16 - 27 - 270 * 0.10667, 1e-9);
    EXPECT_NEAR(both.DescuentoNeto, both.PrecioNeto * 3 * 0.10, 1e-9);
}

TEST_F(Partida, NetPriceIsRefusedWhenWithholdingsCancelTheTaxes) {
    CPartida p = line(40, 2, 0, 0.10, 0, 1.10);
    const CPartida before = p;
    EXPECT_FALSE(p.NetPriceDerivable());
    p.PrecioNeto = 50;
    EXPECT_FALSE(p.RecalculateFromNet());
    EXPECT_EQ(p.Precio, before.Precio);
    EXPECT_EQ(p.Total, before.Total);

    // Sums that cancel only up to rounding count as cancelling too.
    CPartida q = line(10, 1, 0, 0.1, 0.2, 0.3, 1.0);
    EXPECT_FALSE(q.NetPriceDerivable());
    q.PrecioNeto = 5;
    EXPECT_FALSE(q.RecalculateFromNet());
    EXPECT_TRUE(q.IsInRange());
}

TEST_F(Partida, CellTextsOfQuantityAndDiscount) {
    CPartida p;
    p.Cantidad = 2.5;
    p.pDescuento = 12.5;
    EXPECT_EQ(p.GetText(CPartida::kCantidad, 1), "2.50");
    EXPECT_EQ(p.GetText(CPartida::kDescuento, 1), "12.5000");
    p.Cantidad = 3;
    p.pDescuento = 10;
    EXPECT_EQ(p.GetText(CPartida::kCantidad, 1), "3");
    EXPECT_EQ(p.GetText(CPartida::kDescuento, 1), "10");
    p.Cantidad = -2;
    EXPECT_EQ(p.GetText(CPartida::kCantidad, 1), "-2");
    EXPECT_EQ(p.GetText(0, 1), "");
    EXPECT_EQ(p.GetText(11, 1), "");
}

TEST_F(Partida, StoringCellTextsFollowsThePriceMode) {
    CPartida p;
    p.SetFromText(CPartida::kClave, "S001", 1);
    p.SetFromText(CPartida::kNombre, "Tornillo", 1);
    p.SetFromText(CPartida::kCantidad, "2.5 piezas", 1);
    p.SetFromText(CPartida::kDescuento, "7.25", 1);
    p.SetFromText(CPartida::kPrecio, "$1,240.00", 1);
    for (int column = 7; column <= 10; ++column)
        p.SetFromText(column, "x" + std::to_string(column), 1);
    EXPECT_EQ(p.Clave, "S001");
    EXPECT_EQ(p.Descripcion, "Tornillo");
    EXPECT_EQ(p.Cantidad, 2.5);
    EXPECT_EQ(p.pDescuento, 7.25);
    EXPECT_EQ(p.Precio, 1240);
    EXPECT_EQ(p.Extra1 + p.Extra2 + p.Extra3 + p.Extra4, "x7x8x9x10");
    // Storing does not recalculate.
    EXPECT_EQ(p.Importe, 0);

    // With net prices the typed text was applied by the commit; storing leaves the price alone.
    p.SetFromText(CPartida::kPrecio, "$99.00", 0);
    EXPECT_EQ(p.Precio, 1240);
    p.SetFromText(CPartida::kPrecio, "no es dinero", 1);
    EXPECT_EQ(p.Precio, 0);
}

TEST_F(Partida, PlainNumbersReadAsAtofDoesWithoutInfinities) {
    EXPECT_EQ(ReadPlainNumber("  2.5"), 2.5);
    EXPECT_EQ(ReadPlainNumber("+3"), 3);
    EXPECT_EQ(ReadPlainNumber("-1.5x"), -1.5);
    EXPECT_EQ(ReadPlainNumber(".5"), 0.5);
    EXPECT_EQ(ReadPlainNumber("1,5"), 1);
    EXPECT_EQ(ReadPlainNumber("2e3"), 2000);
    EXPECT_EQ(ReadPlainNumber(""), 0);
    EXPECT_EQ(ReadPlainNumber("abc"), 0);
    EXPECT_EQ(ReadPlainNumber("inf"), 0);
    EXPECT_EQ(ReadPlainNumber("nan"), 0);
    EXPECT_EQ(ReadPlainNumber("1e999"), 0);
}

TEST_F(Partida, ResetCarriesTheDefaultTaxAndCopyTakesEveryField) {
    CPartida p = line(100, 2, 5, 0.08, 0.02, 0.1, 0.1);
    p.Clave = "A";
    p.Observaciones = "nota";
    p.Extra4 = "e";
    p.Id_Articulo = 7;
    p.Id_Ret2 = 4;
    CPartida copy;
    copy.CopyFrom(p);
    EXPECT_EQ(copy.Clave, "A");
    EXPECT_EQ(copy.Observaciones, "nota");
    EXPECT_EQ(copy.Extra4, "e");
    EXPECT_EQ(copy.Id_Articulo, 7);
    EXPECT_EQ(copy.Id_Ret2, 4);
    EXPECT_EQ(copy.Total, p.Total);
    EXPECT_EQ(copy.pR2, p.pR2);

    p.Reset(3, 0.16);
    EXPECT_EQ(p.Clave, "");
    EXPECT_EQ(p.Observaciones, "");
    EXPECT_EQ(p.Id_Articulo, 0);
    EXPECT_EQ(p.Id_Imp1, 3);
    EXPECT_EQ(p.pI1, 0.16);
    EXPECT_EQ(p.Id_Ret2, 0);
    EXPECT_EQ(p.pR1, 0);
    EXPECT_EQ(p.Precio, 0);
    EXPECT_EQ(p.Total, 0);
    EXPECT_EQ(copy.Clave, "A"); // a copy, not a view
}

TEST_F(Partida, PrintValues) {
    CPartida p = line(100, 2, 10, 0.15);
    p.Clave = "S001";
    p.Observaciones = "entrega";
    p.Extra2 = "rojo";
    EXPECT_EQ(p.PrintValue(0, 12), "12");
    EXPECT_EQ(p.PrintValue(1, 1), "S001");
    EXPECT_EQ(p.PrintValue(3, 1), "   $100.00");
    EXPECT_EQ(p.PrintValue(4, 1), "   $115.00");
    EXPECT_EQ(p.PrintValue(5, 1), "    $10.00");
    EXPECT_EQ(p.PrintValue(6, 1), "    $20.00");
    EXPECT_EQ(p.PrintValue(7, 1), "10.00");
    EXPECT_EQ(p.PrintValue(8, 1), "    $90.00");
    EXPECT_EQ(p.PrintValue(9, 1), "   $103.50");
    EXPECT_EQ(p.PrintValue(10, 1), "   $200.00");
    EXPECT_EQ(p.PrintValue(11, 1), "   $230.00");
    EXPECT_EQ(p.PrintValue(12, 1), "   $180.00");
    EXPECT_EQ(p.PrintValue(13, 1), "   $207.00");
    EXPECT_EQ(p.PrintValue(14, 1), "2.00");
    EXPECT_EQ(p.PrintValue(15, 1), "entrega");
    EXPECT_EQ(p.PrintValue(17, 1), "rojo");
    EXPECT_EQ(p.PrintValue(20, 1), "");
    EXPECT_EQ(CPartida::PrintCaption(8), "Precio unitario c/desc.");
    EXPECT_EQ(CPartida::PrintCaption(19), "Columna Extra4");
    EXPECT_EQ(CPartida::PrintCaption(20), "");

    // Eleven-character money is cut to ten.
    const CPartida big = line(1234567.5, 1, 0, 0);
    EXPECT_EQ(big.PrintValue(3, 1), "$1,234,567");
}

TEST_F(Partida, PerUnitPrintValuesOfALineWithoutQuantityAreNotDivisions) {
    const CPartida p = line(100, 0, 10, 0.15);
    for (int i = 0; i < CPartida::kPrintFieldCount; ++i) {
        const std::string value = p.PrintValue(i, 1);
        EXPECT_EQ(value.find("nan"), std::string::npos) << i;
        EXPECT_EQ(value.find("inf"), std::string::npos) << i;
        EXPECT_FALSE(i >= 3 && i <= 13 && i != 7 && value.find('$') == std::string::npos) << i << " " << value;
    }
    EXPECT_EQ(p.PrintValue(5, 1), "     $0.00");
    // Nothing of the line was discounted, so the discounted unit prices are the unit prices.
    EXPECT_EQ(p.PrintValue(8, 1), "   $100.00");
    EXPECT_EQ(p.PrintValue(9, 1), "   $115.00");
}

LineCents cents(const CPartida& p) {
    const auto c = LineCents::Of(p);
    EXPECT_TRUE(c.has_value());
    return c.value_or(LineCents{});
}

TEST_F(Partida, InCentsEachAmountIsRoundedHalfAwayFromZeroOnItsOwn) {
    // 0.125 is exact in binary: a printf rounding would make it 0.12.
    EXPECT_EQ(cents(line(0.125, 1)).importe, 13);
    EXPECT_EQ(cents(line(0.125, -1)).importe, -13);
    EXPECT_EQ(cents(line(0.0049, 1)).importe, 0);

    // 33 cents at 16 %, ret. IVA 10.6667 %, ret. ISR 10 %, IEPS 8 %: 5.28, 3.52, 3.3, 2.64.
    const LineCents c = cents(line(0.33, 1, 0, 0.16, 0.08, 0.106667, 0.10));
    EXPECT_EQ(c.base, 33);
    EXPECT_EQ(c.imp1, 5);
    EXPECT_EQ(c.imp2, 3);
    EXPECT_EQ(c.ret1, 4);
    EXPECT_EQ(c.ret2, 3);
    EXPECT_EQ(c.total(), 33 + 5 + 3 - 4 - 3);

    // The discount is taken from the rounded importe and rounded; taxes go on what is left.
    const LineCents d = cents(line(3.335, 3, 12.5, 0.16));
    EXPECT_EQ(d.importe, 1001);  // 10.005
    EXPECT_EQ(d.descuento, 125); // 125.125
    EXPECT_EQ(d.base, 876);
    EXPECT_EQ(d.imp1, 140);      // 140.16
}

TEST_F(Partida, InCentsAmountsOutOfRangeAreRefusedNotWrapped) {
    EXPECT_FALSE(LineCents::Of(line(1e12, 1e12)));
    EXPECT_FALSE(LineCents::Of(line(std::numeric_limits<double>::quiet_NaN(), 1)));
    EXPECT_FALSE(LineCents::Of(line(1, std::numeric_limits<double>::infinity())));
    EXPECT_FALSE(LineCents::Of(line(100, 1, 0, 1e13)));
    // Within each value's range, a tax that would not fit 64 bits.
    EXPECT_FALSE(LineCents::Of(line(1e11, 1000, 0, 1e9)));
    EXPECT_FALSE(LineCents::Of(line(1e11, 1000, -1e9)));

    // The largest importe taken, with the SAT's largest rate, on 99 lines: exact sums.
    const double precio = std::floor(static_cast<double>(LineCents::kMaxImporte) / 100'000.0) - 1;
    const CPartida big = line(precio, 1000, 0, 1.6, 0.16);
    const LineCents c = cents(big);
    ASSERT_GT(c.importe, 0);
    const std::vector<CPartida> lines(99, big);
    const DocumentTotals t = DocumentTotals::Of(lines, TotalsRounding::LineCents);
    const __int128 total = static_cast<__int128>(c.total()) * 99;
    EXPECT_EQ(t.Total, static_cast<double>(total) / 100.0);
    EXPECT_GT(t.Total, 0);
}

TEST_F(Partida, DocumentTotalsInCentsAreExactAndUnroundedOnesKeepTheDoubles) {
    const std::vector<CPartida> dimes(99, line(0.10, 1));
    const DocumentTotals exact = DocumentTotals::Of(dimes, TotalsRounding::LineCents);
    EXPECT_EQ(exact.Total, 9.9);
    EXPECT_EQ(exact.Importe, 9.9);
    const DocumentTotals old = DocumentTotals::Of(dimes);
    double sum = 0;
    for (const CPartida& p : dimes)
        sum += p.Total;
    EXPECT_EQ(old.Total, sum);
    EXPECT_NE(old.Total, 9.9) << "a double sum of dimes drifts";

    // Three lines of 0.333 with 16 %: 0.999 and 0.15984 unrounded, 0.99 and 0.15 in cents.
    const std::vector<CPartida> thirds(3, line(0.333, 1, 0, 0.16));
    const DocumentTotals u = DocumentTotals::Of(thirds, TotalsRounding::Unrounded);
    const DocumentTotals r = DocumentTotals::Of(thirds, TotalsRounding::LineCents);
    EXPECT_NEAR(u.Total, 1.15884, 1e-12);
    EXPECT_EQ(r.Importe, 0.99);
    EXPECT_EQ(r.Subtotal, 0.99);
    EXPECT_EQ(r.Impuesto1, 0.15);
    EXPECT_EQ(r.Total, 1.14);
    // Neither states a net amount: both keep the unrounded one.
    EXPECT_EQ(r.ImporteNeto, u.ImporteNeto);

    // A line out of range: no document of it is invoiced; the unrounded sums, bit for bit.
    std::vector<CPartida> huge = thirds;
    huge.push_back(line(1e12, 1e12, 0, 0.16));
    const DocumentTotals hu = DocumentTotals::Of(huge, TotalsRounding::Unrounded);
    const DocumentTotals hr = DocumentTotals::Of(huge, TotalsRounding::LineCents);
    EXPECT_EQ(hr.Total, hu.Total);
    EXPECT_EQ(hr.Impuesto1, hu.Impuesto1);
    EXPECT_TRUE(std::isfinite(hr.Total));
}

} // namespace
