#include "catalogs/ArticulosCatalog.h"
#include "catalogs/ImpuestosCatalog.h"
#include "catalogs/TaxTable.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "invoice/Partida.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class Catalogs : public ::testing::Test {
protected:
    void SetUp() override { db = testDb.create(); }

    std::int32_t addTax(const std::string& name, double percent, bool withholding) {
        db->execute("INSERT INTO Impuestos (Nombre, Porcentaje, Retencion) VALUES (?, ?, ?)",
                    {name, percent, std::int64_t{withholding ? 1 : 0}});
        return static_cast<std::int32_t>(db->lastInsertId());
    }

    std::int32_t addArticle(const std::string& clave, double precio, double neto, std::int32_t imp1, std::int32_t imp2,
                            std::int32_t ret1, std::int32_t ret2) {
        db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio, PrecioNeto, Id_Imp1, Id_Imp2, Id_Ret1, Id_Ret2) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                    {clave, "Artículo " + clave, precio, neto, std::int64_t{imp1}, std::int64_t{imp2}, std::int64_t{ret1},
                     std::int64_t{ret2}});
        return static_cast<std::int32_t>(db->lastInsertId());
    }

    double storedNet(std::int32_t id) {
        Statement st = db->prepare("SELECT PrecioNeto FROM Articulos WHERE Id_Articulo = ?");
        st.bind(1, std::int64_t{id});
        EXPECT_TRUE(st.step());
        return st.real(0);
    }

    TestDatabase testDb;
    std::unique_ptr<Database> db;
};

TEST(ArticleNetPrice, CompoundsTaxTwoOnTaxOneAndDeductsWithholdingsFromThePrice) {
    EXPECT_NEAR(CArticulosCatalog::NetPrice(100, 0.15, 0.05, 0, 0), 120.75, 1e-9);
    EXPECT_NEAR(CArticulosCatalog::NetPrice(100, 0, 0, 0.10, 0), 90, 1e-9);
    EXPECT_NEAR(CArticulosCatalog::NetPrice(200, 0.16, 0, 0.106667, 0.10), 200 * 1.16 - 200 * 0.106667 - 20, 1e-9);
    EXPECT_EQ(CArticulosCatalog::NetPrice(0, 0.16, 0.08, 0.1, 0.1), 0);

    // The same article on an invoice line adds the two rates instead.
    CPartida line;
    line.Precio = 100;
    line.pI1 = 0.15;
    line.pI2 = 0.05;
    line.Cantidad = 1;
    line.Recalculate();
    EXPECT_NEAR(line.PrecioNeto, 120, 1e-9);
}

TEST(ArticleValidation, NeedsAKeyAndADescription) {
    Articulo a;
    a.clave = "S001";
    a.descripcion = "Tornillo";
    EXPECT_EQ(CArticulosCatalog::Validate(a), "");
    for (const auto& [clave, descripcion] : {std::pair<std::string, std::string>{"", "Tornillo"}, {"S001", ""},
                                             {"  ", "Tornillo"}, {"S001", " \t"}}) {
        a.clave = clave;
        a.descripcion = descripcion;
        EXPECT_EQ(CArticulosCatalog::Validate(a), "- ¡Faltan datos! -") << '"' << clave << "\" / \"" << descripcion << '"';
    }
    // A price no invoice line could carry.
    a.clave = "S001";
    a.descripcion = "Tornillo";
    for (const double precio : {1e308, -2e12, 1e12 + 1}) {
        a.precio = precio;
        EXPECT_EQ(CArticulosCatalog::Validate(a), "- Precio fuera de rango -") << precio;
    }
    a.precio = -1e12;
    EXPECT_EQ(CArticulosCatalog::Validate(a), "");
}

TEST(TaxPercent, AcceptsPlainNumbersFromZeroToAThousand) {
    const std::string between = "Please enter a number between 0 and 1000.";
    struct Case {
        const char* text;
        double value;        // when accepted
        const char* message; // when refused
    } cases[] = {
        {" 10.6667 ", 10.6667, nullptr}, {"1000", 1000, nullptr}, {"0", 0, nullptr},  {"1e2", 100, nullptr},
        {"1000.01", 0, "between"},       {"-1", 0, "between"},    {"", 0, "number"},  {"12abc", 0, "number"},
        {"1,5", 0, "number"},            {"nan", 0, "number"},    {"1.2.3", 0, "number"},
    };
    for (const Case& c : cases) {
        const auto p = CImpuestosCatalog::ParsePercent(c.text);
        if (!c.message) {
            ASSERT_TRUE(p.value.has_value()) << c.text;
            EXPECT_DOUBLE_EQ(*p.value, c.value) << c.text;
        } else {
            EXPECT_FALSE(p.value.has_value()) << c.text;
            EXPECT_EQ(p.message, std::string(c.message) == "between" ? between : "Please enter a number.") << c.text;
        }
    }
}

TEST_F(Catalogs, TaxTablesHoldNoneAndTheRatesOfTheirKind) {
    const std::int32_t tax = addTax("Zeta", 3, false);
    const std::int32_t ret = addTax("Retención especial", 4, true);
    const CTaxTable taxes = CTaxTable::Load(*db, false);
    const CTaxTable withholdings = CTaxTable::Load(*db, true);
    EXPECT_DOUBLE_EQ(taxes.rateOf(tax), 0.03);
    EXPECT_DOUBLE_EQ(withholdings.rateOf(ret), 0.04);
    EXPECT_TRUE(taxes.contains(0));
    EXPECT_EQ(taxes.rateOf(0), 0);
    // Each table knows only its kind; an unknown id is rate 0.
    EXPECT_FALSE(taxes.contains(ret));
    EXPECT_EQ(taxes.rateOf(ret), 0);
    EXPECT_EQ(withholdings.rateOf(tax), 0);
    EXPECT_EQ(taxes.rateOf(424242), 0);
}

TEST_F(Catalogs, ChangingATaxRecomputesTheNetPriceOfTheArticlesThatUseIt) {
    const std::int32_t iva15 = addTax("IVA 15", 15, false);
    const std::int32_t extra = addTax("Extra 5", 5, false);
    const std::int32_t ret10 = addTax("Ret 10", 10, true);
    const std::int32_t asTax1 = addArticle("A", 100, 115, iva15, 0, 0, 0);
    const std::int32_t asTax2 = addArticle("B", 100, 1, extra, iva15, ret10, 0);
    const std::int32_t dangling = addArticle("C", 50, 1, iva15, 0, 9999, 0);
    const std::int32_t other = addArticle("D", 100, 777, extra, 0, 0, 0);
    const std::int32_t asWithholding = addArticle("E", 100, 1, 0, 0, iva15, 0); // wrong slot: not its kind

    Impuesto tax = *CImpuestosCatalog::Load(*db, iva15);
    tax.porcentaje = 16;
    tax.nombre = "IVA 16 nuevo";
    EXPECT_EQ(CImpuestosCatalog::Save(*db, tax), 3);
    EXPECT_NEAR(storedNet(asTax1), 116, 1e-9);
    EXPECT_NEAR(storedNet(asTax2), 1.05 * 1.16 * 100 - 10, 1e-9);
    EXPECT_NEAR(storedNet(dangling), 58, 1e-9); // the missing withholding counts as 0
    EXPECT_EQ(storedNet(other), 777);
    EXPECT_EQ(storedNet(asWithholding), 1);
    EXPECT_EQ(CImpuestosCatalog::Load(*db, iva15)->nombre, "IVA 16 nuevo");

    // A withholding updates the articles that withhold it.
    Impuesto ret = *CImpuestosCatalog::Load(*db, ret10);
    ret.porcentaje = 4;
    EXPECT_EQ(CImpuestosCatalog::Save(*db, ret), 1);
    EXPECT_NEAR(storedNet(asTax2), 1.05 * 1.16 * 100 - 4, 1e-9);
    EXPECT_NEAR(storedNet(asTax1), 116, 1e-9);
}

TEST_F(Catalogs, SavingATaxKeepsItsKindAndNewTaxesGetTheirId) {
    Impuesto fresh;
    fresh.nombre = "Nuevo";
    fresh.porcentaje = 1000;
    fresh.retencion = true;
    const std::int32_t used = addArticle("A", 100, 5, 0, 0, 0, 0);
    EXPECT_EQ(CImpuestosCatalog::Save(*db, fresh), 0);
    ASSERT_GT(fresh.idImpuesto, 0);
    EXPECT_TRUE(CImpuestosCatalog::Load(*db, fresh.idImpuesto)->retencion);
    EXPECT_EQ(storedNet(used), 5);

    Impuesto edited = fresh;
    edited.retencion = false;
    edited.porcentaje = 7;
    CImpuestosCatalog::Save(*db, edited);
    EXPECT_TRUE(edited.retencion);
    const Impuesto stored = *CImpuestosCatalog::Load(*db, fresh.idImpuesto);
    EXPECT_TRUE(stored.retencion);
    EXPECT_EQ(stored.porcentaje, 7);
}

TEST_F(Catalogs, AFailedTaxSaveLeavesTaxAndArticlesAsTheyWere) {
    const std::int32_t iva = addTax("IVA X", 15, false);
    const std::int32_t first = addArticle("A", 100, 115, iva, 0, 0, 0);
    const std::int32_t second = addArticle("B", 200, 230, iva, 0, 0, 0);
    // The second article's update fails part-way through the save.
    TestDatabase::injectFailure(*db, "Articulos", "UPDATE OF PrecioNeto", "OLD.Clave = 'B'");
    Impuesto tax = *CImpuestosCatalog::Load(*db, iva);
    tax.porcentaje = 16;
    EXPECT_THROW(CImpuestosCatalog::Save(*db, tax), DbError);
    EXPECT_EQ(CImpuestosCatalog::Load(*db, iva)->porcentaje, 15);
    EXPECT_EQ(storedNet(first), 115);
    EXPECT_EQ(storedNet(second), 230);

    // A tax deleted meanwhile is not written back.
    db->execute("DELETE FROM Impuestos WHERE Id_Impuesto = ?", {std::int64_t{iva}});
    EXPECT_THROW(CImpuestosCatalog::Save(*db, tax), DbError);
    EXPECT_FALSE(CImpuestosCatalog::Load(*db, iva).has_value());
}

TEST_F(Catalogs, ArticlesAreAddedEditedAndRefusedWhole) {
    Articulo a;
    a.clave = "S001";
    a.descripcion = "Tornillo de 1/4\" O'Brien";
    a.precio = 12.345;
    a.idRet2 = 5;
    a.observaciones = "línea 1\nlínea 2";
    CArticulosCatalog::Save(*db, a);
    ASSERT_GT(a.idArticulo, 0);
    a.descripcion = "Tornillo";
    CArticulosCatalog::Save(*db, a);
    const Articulo back = *CArticulosCatalog::Load(*db, a.idArticulo);
    EXPECT_EQ(back.descripcion, "Tornillo");
    EXPECT_EQ(back.precio, 12.345);
    EXPECT_EQ(back.idRet2, 5);
    EXPECT_EQ(back.observaciones, a.observaciones);

    // The key index compares without case: "s001" is taken.
    Articulo twin;
    twin.clave = "s001";
    twin.descripcion = "Otro";
    EXPECT_THROW(CArticulosCatalog::Save(*db, twin), DbError);
    EXPECT_EQ(twin.idArticulo, 0);

    // Editing an article deleted meanwhile fails rather than vanishing.
    db->execute("DELETE FROM Articulos");
    EXPECT_THROW(CArticulosCatalog::Save(*db, a), DbError);
    EXPECT_FALSE(CArticulosCatalog::Load(*db, a.idArticulo).has_value());
}

TEST_F(Catalogs, WhatGoesWithAnArticleOrTaxIsWrittenInTheSameTransaction) {
    Articulo a;
    a.clave = "F1";
    a.descripcion = "Con datos fiscales";
    // Their own data failing leaves no article behind, so the operator's retry is not a twin.
    EXPECT_THROW(CArticulosCatalog::Save(*db, a, [](std::int32_t) { throw DbError("disco lleno"); }), DbError);
    EXPECT_EQ(a.idArticulo, 0);
    Statement none = db->prepare("SELECT count(*) FROM Articulos WHERE Clave = 'F1'");
    none.step();
    EXPECT_EQ(none.integer(0), 0);
    std::int32_t told = 0;
    CArticulosCatalog::Save(*db, a, [&](std::int32_t id) { told = id; });
    EXPECT_GT(told, 0);
    EXPECT_EQ(told, a.idArticulo);
    a.descripcion = "Editado";
    EXPECT_THROW(CArticulosCatalog::Save(*db, a, [](std::int32_t) { throw DbError("disco lleno"); }), DbError);
    EXPECT_EQ(CArticulosCatalog::Load(*db, a.idArticulo)->descripcion, "Con datos fiscales");

    Impuesto tax;
    tax.nombre = "IEPS";
    tax.porcentaje = 8;
    EXPECT_THROW(CImpuestosCatalog::Save(*db, tax, [](std::int32_t) { throw DbError("disco lleno"); }), DbError);
    EXPECT_EQ(tax.idImpuesto, 0);
    Statement noTax = db->prepare("SELECT count(*) FROM Impuestos WHERE Nombre = 'IEPS'");
    noTax.step();
    EXPECT_EQ(noTax.integer(0), 0);
    told = 0;
    CImpuestosCatalog::Save(*db, tax, [&](std::int32_t id) { told = id; });
    EXPECT_EQ(told, tax.idImpuesto);
    tax.porcentaje = 9;
    EXPECT_THROW(CImpuestosCatalog::Save(*db, tax, [](std::int32_t) { throw DbError("disco lleno"); }), DbError);
    EXPECT_EQ(CImpuestosCatalog::Load(*db, tax.idImpuesto)->porcentaje, 8);
}

} // namespace
