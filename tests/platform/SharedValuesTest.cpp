// What start-up reads from the database for the whole run, and the access password kept there.
#include "config/DatabaseCopy.h"
#include "db/Database.h"
#include "db/GeneralSet.h"
#include "invoice/AmountInWords.h"
#include "platform/ApplicationState.h"
#include "platform/SharedValues.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class SharedValuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCurrencyWords("PESOS", "M.N.");
        db = testDb.create();
        state.database = db.get();
    }
    void TearDown() override { SetCurrencyWords("PESOS", "M.N."); }

    void editGeneral(const std::function<void(CGeneralSet&)>& change) {
        CGeneralSet general(*db);
        general.Open();
        ASSERT_FALSE(general.IsEOF());
        general.Edit();
        change(general);
        general.Update();
    }

    std::int32_t taxId(const std::string& name) {
        Statement st = db->prepare("SELECT Id_Impuesto FROM Impuestos WHERE Nombre = ?");
        st.bind(1, name);
        EXPECT_TRUE(st.step()) << name;
        return static_cast<std::int32_t>(st.integer(0));
    }

    TestDatabase testDb;
    std::unique_ptr<Database> db;
    ApplicationState state;
};

TEST(PasswordScrambling, KnownKeyAndRoundTrip) {
    // Every character of "Quintaleva 2" XOR-ed in turn amounts to one key byte, ':'.
    EXPECT_EQ(ScramblePassword("abc"), std::string("\x5B\x58\x59"));
    EXPECT_EQ(ScramblePassword("Z"), std::string("\x60"));
    EXPECT_EQ(ScramblePassword(":"), std::string(1, '\0'));
    EXPECT_EQ(ScramblePassword(""), "");
    for (const std::string& p : {std::string("Secreto"), std::string("a:b::"), std::string("contraseña Ñ"),
                                 std::string(40, 'x'), std::string("\x01\x7F\xFF", 3)}) {
        const std::string scrambled = ScramblePassword(p);
        EXPECT_EQ(scrambled.size(), p.size());
        EXPECT_NE(scrambled, p);
        EXPECT_EQ(ScramblePassword(scrambled), p);
    }
}

TEST_F(SharedValuesTest, EmptyStoredPasswordAcceptsOnlyTheEmptyText) {
    EXPECT_EQ(StoredPassword(*db), "");
    EXPECT_TRUE(IsAccessPassword(*db, ""));
    EXPECT_FALSE(IsAccessPassword(*db, " "));
    EXPECT_FALSE(IsAccessPassword(*db, "x"));
}

TEST_F(SharedValuesTest, PasswordIsComparedByteForByte) {
    editGeneral([](CGeneralSet& g) { g.m_In = ScramblePassword("Secreto"); });
    EXPECT_TRUE(IsAccessPassword(*db, "Secreto"));
    EXPECT_FALSE(IsAccessPassword(*db, "secreto"));
    EXPECT_FALSE(IsAccessPassword(*db, "SECRETO"));
    EXPECT_FALSE(IsAccessPassword(*db, "Secreto "));
    EXPECT_FALSE(IsAccessPassword(*db, "Secret"));
    EXPECT_FALSE(IsAccessPassword(*db, ""));
}

TEST_F(SharedValuesTest, PasswordWithAColonSurvivesItsNulByte) {
    // ':' scrambles to a zero byte; the stored text must keep it and the bytes after it.
    const std::string password = "a:b:";
    editGeneral([&](CGeneralSet& g) { g.m_In = ScramblePassword(password); });
    Statement raw = db->prepare("SELECT \"In\" FROM General");
    ASSERT_TRUE(raw.step());
    // Text in a file, as it has always been stored; binary on a server, whose text cannot hold it.
    const DbValue stored = db->dialect().isServer() ? DbValue(Blob{0x5B, 0x00, 0x58, 0x00})
                                                    : DbValue(std::string("\x5B\0\x58\0", 4));
    EXPECT_EQ(raw.column(0), stored);
    EXPECT_EQ(StoredPassword(*db), password);
    EXPECT_TRUE(IsAccessPassword(*db, password));
    EXPECT_FALSE(IsAccessPassword(*db, "a"));
    EXPECT_FALSE(IsAccessPassword(*db, "a:b"));

    editGeneral([](CGeneralSet& g) { g.m_In = ScramblePassword(":"); });
    EXPECT_TRUE(IsAccessPassword(*db, ":"));
    EXPECT_FALSE(IsAccessPassword(*db, ""));
}

TEST(SharedValues, APasswordAnOlderFileKeepsAsTextSurvivesTheCopyToAServer) {
    // Files made before kept the scrambled bytes as text; "año:" scrambles to bytes that are no
    // UTF-8, with a zero byte among them.
    ScratchDir dir;
    const std::string password = "año:";
    {
        auto old = Database::create(dir.file("anterior.mdb"));
        old->execute("UPDATE General SET \"In\" = ?", {ScramblePassword(password)});
    }
    auto old = Database::open(dir.file("anterior.mdb"));
    TestDatabase target("copia");
    CDatabaseCopy::Run(*old, target.location());
    auto copy = target.open();
    EXPECT_EQ(StoredPassword(*copy), password);
    EXPECT_TRUE(IsAccessPassword(*copy, password));
}

TEST_F(SharedValuesTest, CurrencyWordsAndBusinessNameFromGeneral) {
    LoadSharedValues(*db, state);
    EXPECT_EQ(CurrencyName(), "PESOS");
    EXPECT_EQ(CurrencySuffix(), "M.N.");
    EXPECT_EQ(state.nombre, "");

    editGeneral([](CGeneralSet& g) {
        g.m_Moneda = "DÓLARES";
        g.m_Postfijo = "USD";
        g.m_Nombre = "Abarrotes Doña Tere";
    });
    LoadSharedValues(*db, state);
    EXPECT_EQ(state.nombre, "Abarrotes Doña Tere");
    EXPECT_EQ(AmountInWords(21), "VEINTIUN DÓLARES 00/100 USD");

    editGeneral([](CGeneralSet& g) { g.m_Postfijo.clear(); });
    LoadSharedValues(*db, state);
    EXPECT_EQ(CurrencyName(), "DÓLARES");
    EXPECT_EQ(CurrencySuffix(), "");
}

TEST_F(SharedValuesTest, GeneralWithoutRowsGivesEmptyValues) {
    state.nombre = "de antes";
    db->execute("DELETE FROM General");
    LoadSharedValues(*db, state);
    EXPECT_EQ(CurrencyName(), "");
    EXPECT_EQ(CurrencySuffix(), "");
    EXPECT_EQ(state.nombre, "");
    EXPECT_EQ(StoredPassword(*db), "");
    EXPECT_TRUE(IsAccessPassword(*db, ""));
}

TEST_F(SharedValuesTest, DefaultTaxRateFromTheImpuestoSetting) {
    state.impuesto = taxId("IVA 16 %");
    LoadSharedValues(*db, state);
    EXPECT_DOUBLE_EQ(state.defaultTaxRate, 0.16);

    state.impuesto = taxId("IVA 8 %");
    LoadSharedValues(*db, state);
    EXPECT_DOUBLE_EQ(state.defaultTaxRate, 0.08);

    state.impuesto = taxId("Ret. IVA");
    LoadSharedValues(*db, state);
    EXPECT_DOUBLE_EQ(state.defaultTaxRate, 0.106667);

    // A tax that does not exist, or none at all, leaves no earlier rate behind.
    for (int missing : {0, 9999, -1}) {
        state.defaultTaxRate = 0.5;
        state.impuesto = missing;
        LoadSharedValues(*db, state);
        EXPECT_EQ(state.defaultTaxRate, 0.0) << missing;
    }
    const std::int32_t deleted = taxId("IVA 0 %");
    db->execute("DELETE FROM Impuestos WHERE Id_Impuesto <> ?", {std::int64_t{deleted}});
    state.impuesto = taxId("IVA 0 %");
    state.defaultTaxRate = 0.5;
    LoadSharedValues(*db, state);
    EXPECT_EQ(state.defaultTaxRate, 0.0);
}

TEST(Settings, DefaultsAndApply) {
    const Settings s;
    EXPECT_EQ(s.pWin, 1);
    EXPECT_EQ(s.prcAiva + s.pPos + s.rapido + s.askPrinter + s.impuesto, 0);
    Settings changed;
    changed.prcAiva = 1;
    changed.pWin = 0;
    changed.pPos = 3;
    changed.rapido = 1;
    changed.askPrinter = 1;
    changed.impuesto = 4;
    changed.comando = "27,112,0,25,250";
    changed.logo = "/home/tienda/logo.bmp";
    ApplicationState state;
    state.nombre = "Mi negocio";
    ApplySettings(changed, state);
    EXPECT_EQ(state.prcAiva, 1);
    EXPECT_EQ(state.pWin, 0);
    EXPECT_EQ(state.pPos, 3);
    EXPECT_EQ(state.rapido, 1);
    EXPECT_EQ(state.askPrinter, 1);
    EXPECT_EQ(state.impuesto, 4);
    EXPECT_EQ(state.comando, "27,112,0,25,250");
    EXPECT_EQ(state.logo, "/home/tienda/logo.bmp");
    EXPECT_EQ(state.nombre, "Mi negocio") << "the business name comes from the database, not the settings";
}

} // namespace
