#include "config/Import13.h"
#include "config/OldDatabase.h"
#include "db/Database.h"
#include "printing/OldFormat.h"
#include "printing/WindowsFormat.h"
#include "support/ScratchDir.h"
#include "support/QueryCount.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace {

const std::string kFixture =
    (std::filesystem::path(QUINTALEVA_FIXTURES) / "v13" / "ejemplo.mdb").string();

std::string Text(Database& db, const std::string& sql, const std::string& param) {
    Statement s = db.prepare(sql);
    s.bind(1, param);
    return s.step() ? s.text(0) : std::string("<none>");
}

COldDatabase::Bytes FixtureBytes() {
    std::ifstream in(kFixture, std::ios::binary);
    return COldDatabase::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(OldDatabase, ReadsTheFixtureByPosition) {
    COldDatabase old;
    ASSERT_TRUE(old.Read(kFixture)) << old.Error();
    EXPECT_EQ(old.Version, 130);
    ASSERT_EQ(old.Articles.size(), 12u);
    EXPECT_EQ(old.Articles[1].Descripcion, "Bolígrafo azul punto fino");
    EXPECT_DOUBLE_EQ(old.Articles[7].Precio, 98.4); // raw double, not the locale's text
    EXPECT_DOUBLE_EQ(old.Articles[6].Impuesto, 7.5);
    ASSERT_EQ(old.Customers.size(), 8u);
    EXPECT_EQ(old.Customers[6].Nombre, "Ángela Güemes de la Torre");
    EXPECT_EQ(old.Customers[4].RFC, "");
    ASSERT_EQ(old.Formats.size(), 2u);
    EXPECT_EQ(old.Formats[0].Detalle.size(), 2737u);
    EXPECT_EQ(old.Formats[1].Detalle.size(), 797u);
    EXPECT_EQ(old.Formats[1].Nombre, "Nota de remisión");
}

TEST(Import13, ImportsTheFixtureOnceAndFormatsEveryTime) {
    TestDatabase t;
    auto db = t.create();
    const std::int64_t taxesBefore = RowCount(*db, "Impuestos");
    const std::int64_t formatsBefore = RowCount(*db, "Formatos");
    int lastDone = 0, lastTotal = 0;
    CImport13::Result r = CImport13::Run(*db, kFixture, [&](int done, int total) {
        EXPECT_EQ(done, lastDone + 1);
        lastDone = done;
        lastTotal = total;
    });
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.message, "- Importación existosa -\n"
                         "Artículos importados: 12; omitidos: 0; renombrados: 1\n"
                         "Clientes importados: 8; omitidos: 0\n"
                         "Formatos importados: 2\n"
                         "Clave s001 importada como s001-2");
    EXPECT_EQ(lastDone, 22);
    EXPECT_EQ(lastTotal, 22);

    // "s001" differs from "S001" only by case: it is another article and keeps its data under a free key.
    EXPECT_EQ(RowCount(*db, "Articulos"), 12);
    ASSERT_EQ(r.renamedKeys.size(), 1u);
    EXPECT_EQ(r.renamedKeys[0].first, "s001");
    EXPECT_EQ(Text(*db, "SELECT Descripcion FROM Articulos WHERE Clave = ?", r.renamedKeys[0].second),
              "Cuaderno profesional cuadro chico 100 hojas");
    EXPECT_EQ(Text(*db, "SELECT Descripcion FROM Articulos WHERE Clave = ?", "S001"),
              "Cuaderno profesional raya 100 hojas");

    // 15 % and 7.5 % and 10 % are no usual tax: three new ones, reused by later articles. 10 % is
    // not taken for the withholding "Ret. ISR".
    EXPECT_EQ(r.taxes, 3);
    EXPECT_EQ(RowCount(*db, "Impuestos"), taxesBefore + 3);
    EXPECT_EQ(Text(*db, "SELECT i.Nombre FROM Articulos a JOIN Impuestos i ON i.Id_Impuesto = a.Id_Imp1 WHERE a.Clave = ?", "M700"),
              "IVA 15.00 %");
    EXPECT_EQ(Text(*db, "SELECT i.Nombre FROM Articulos a JOIN Impuestos i ON i.Id_Impuesto = a.Id_Imp1 WHERE a.Clave = ?", "E600"),
              "IVA 7.50 %");
    EXPECT_EQ(Text(*db, "SELECT i.Nombre FROM Articulos a JOIN Impuestos i ON i.Id_Impuesto = a.Id_Imp1 WHERE a.Clave = ?", "R200"),
              "IVA 10.00 %");
    EXPECT_EQ(Text(*db, "SELECT i.Nombre FROM Articulos a JOIN Impuestos i ON i.Id_Impuesto = a.Id_Imp1 WHERE a.Clave = ?", "P310"),
              "IVA 16 %");
    {
        Statement s = db->prepare("SELECT Precio, PrecioNeto FROM Articulos WHERE Clave = 'T300'");
        ASSERT_TRUE(s.step());
        EXPECT_DOUBLE_EQ(s.real(0), 1250);
        EXPECT_DOUBLE_EQ(s.real(1), 1437.5);
    }

    EXPECT_EQ(RowCount(*db, "Clientes"), 8);
    EXPECT_EQ(Text(*db, "SELECT Dom1 FROM Clientes WHERE Nombre = ?", "O'Higgins y Cía."), "Paseo de la Reforma 505, piso 3");
    EXPECT_EQ(Text(*db, "SELECT Dom1 FROM Clientes WHERE Nombre = ?", "Ángela Güemes de la Torre"), "Privada Ñandú 7");
    EXPECT_EQ(Text(*db, "SELECT COALESCE(RFC, '') FROM Clientes WHERE Nombre = ?", "Ferretería El Martillo"), "");
    EXPECT_EQ(Text(*db, "SELECT RFC FROM Clientes WHERE Nombre = ?", "José Ramírez Núñez"), "RANJ750812QX3");

    EXPECT_EQ(RowCount(*db, "Formatos"), formatsBefore + 2);
    std::map<std::string, std::pair<std::size_t, std::int64_t>> formats;
    {
        Statement s = db->prepare("SELECT Nombre, Detalle, Caben FROM Formatos ORDER BY Id_Formato DESC LIMIT 2");
        while (s.step()) {
            CWindowsFormat f;
            const DbValue v = s.column(1);
            ASSERT_TRUE(f.ReadStream(std::get<Blob>(v)));
            formats[s.text(0)] = {f.Elements.size(), s.integer(2)};
        }
    }
    EXPECT_EQ(formats["Factura carta"], (std::pair<std::size_t, std::int64_t>{33, 23}));
    EXPECT_EQ(formats["Nota de remisión"], (std::pair<std::size_t, std::int64_t>{9, 12}));

    // A second run adds no article, customer or tax, but the formats again.
    CImport13::Result again = CImport13::Run(*db, kFixture);
    ASSERT_TRUE(again.ok) << again.message;
    EXPECT_EQ(again.articles, 0);
    EXPECT_EQ(again.customers, 0);
    EXPECT_EQ(again.taxes, 0);
    EXPECT_EQ(again.articlesLeftOut, 12);
    EXPECT_EQ(again.customersLeftOut, 8);
    EXPECT_TRUE(again.renamedKeys.empty());
    EXPECT_EQ(RowCount(*db, "Articulos"), 12);
    EXPECT_EQ(RowCount(*db, "Clientes"), 8);
    EXPECT_EQ(RowCount(*db, "Formatos"), formatsBefore + 4);
}

TEST(Import13, ExistingRowsStayUntouched) {
    TestDatabase t;
    auto db = t.create();
    db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio) VALUES ('s001', 'Mío', 1)");
    db->execute("INSERT INTO Clientes (Nombre, Dom1) VALUES ('Público en General', 'Otro')");
    CImport13::Result r = CImport13::Run(*db, kFixture);
    ASSERT_TRUE(r.ok) << r.message;
    // Both "S001" and "s001" of the old file meet an article that was already there.
    EXPECT_EQ(r.articles, 10);
    EXPECT_TRUE(r.renamedKeys.empty());
    EXPECT_EQ(Text(*db, "SELECT Descripcion FROM Articulos WHERE Clave = ?", "s001"), "Mío");
    EXPECT_EQ(r.customers, 7);
    EXPECT_EQ(Text(*db, "SELECT Dom1 FROM Clientes WHERE Nombre = ?", "Público en General"), "Otro");
}

TEST(Import13, RefusesWhatIsNotA13DatabaseAndWritesNothing) {
    TestDatabase t;
    const ScratchDir& dir = t.dir();
    auto db = t.create();
    const COldDatabase::Bytes whole = FixtureBytes();
    ASSERT_EQ(whole.size(), 172032u);

    auto unchanged = [&] {
        EXPECT_EQ(RowCount(*db, "Articulos"), 0);
        EXPECT_EQ(RowCount(*db, "Clientes"), 0);
        EXPECT_EQ(RowCount(*db, "Formatos"), 0);
        EXPECT_EQ(RowCount(*db, "Impuestos"), 5);
    };

    const std::string text = dir.file("notas.mdb");
    ScratchDir::writeAll(text, "Esto es un archivo de texto, no una base de datos.\n");
    CImport13::Result r = CImport13::Run(*db, text);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, COldDatabase::kMsgNotDatabase);
    unchanged();

    // Cut in the middle of a page, and cut at every page boundary.
    std::vector<std::size_t> sizes{100000};
    for (std::size_t pages = 2; pages < whole.size() / 4096; ++pages)
        sizes.push_back(pages * 4096);
    for (std::size_t size : sizes) {
        const std::string cut = dir.file("cortado.mdb");
        ScratchDir::writeAll(cut, std::string(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
        r = CImport13::Run(*db, cut);
        EXPECT_FALSE(r.ok) << size;
        EXPECT_FALSE(r.message.empty());
        unchanged();
    }

    // Our own database is no 1.3 file either.
    Database::create(dir.file("nuestra.mdb"));
    r = CImport13::Run(*db, dir.file("nuestra.mdb"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, COldDatabase::kMsgNotDatabase);
    r = CImport13::Run(*db, dir.file("no-existe.mdb"));
    EXPECT_FALSE(r.ok);
    unchanged();
}

TEST(Import13, ExactRepeatsAreLeftOutAndCaseVariantsRenamed) {
    TestDatabase t;
    auto db = t.create();
    db->execute("INSERT INTO Articulos (Clave, Descripcion, Precio) VALUES ('B1', 'Mío', 1)");
    COldDatabase old;
    old.Version = 130;
    old.Articles = {{"TOR-3/8", "Tornillo", 1, 16},   {"TOR-3/8", "Tornillo otra vez", 2, 16},
                    {"tor-3/8", "Tornillo chico", 3, 16}, {"tor-3/8", "Tornillo chico otra vez", 4, 16},
                    {"TOR-3/8-2", "Otro tornillo", 5, 16}, {"b1", "Ya estaba", 6, 16},
                    {"  ", "Sin clave", 7, 16}};
    old.Customers = {{"Ana", "", "", "", ""}, {"ANA", "", "", "", ""}, {"Beto", "", "", "", ""}, {"", "", "", "", ""}};
    CImport13::Result r = CImport13::Run(*db, old);
    ASSERT_TRUE(r.ok) << r.message;
    // The exact repeats, the article that was there and the blank key are left out; the case
    // variant gets a key that no article of the file nor of the database has ("TOR-3/8-2" is the
    // file's own, for the file's own article).
    EXPECT_EQ(r.articles, 3);
    EXPECT_EQ(r.articlesLeftOut, 4);
    ASSERT_EQ(r.renamedKeys.size(), 1u);
    EXPECT_EQ(r.renamedKeys[0], (std::pair<std::string, std::string>{"tor-3/8", "tor-3/8-3"}));
    EXPECT_EQ(RowCount(*db, "Articulos"), 4);
    EXPECT_EQ(Text(*db, "SELECT Descripcion FROM Articulos WHERE Clave = ?", "TOR-3/8"), "Tornillo");
    EXPECT_EQ(Text(*db, "SELECT Descripcion FROM Articulos WHERE Clave = ?", "tor-3/8-3"), "Tornillo chico");
    EXPECT_EQ(Text(*db, "SELECT Descripcion FROM Articulos WHERE Clave = ?", "TOR-3/8-2"), "Otro tornillo");
    EXPECT_EQ(Text(*db, "SELECT Descripcion FROM Articulos WHERE Clave = ?", "B1"), "Mío");
    EXPECT_EQ(r.customers, 2);
    EXPECT_EQ(r.customersLeftOut, 2);
    EXPECT_NE(r.message.find("Artículos importados: 3; omitidos: 4; renombrados: 1"), std::string::npos) << r.message;
    EXPECT_NE(r.message.find("Clientes importados: 2; omitidos: 2"), std::string::npos) << r.message;
}

TEST(Import13, WrongVersionAndDamagedFormatImportNothing) {
    TestDatabase t;
    auto db = t.create();
    COldDatabase old;
    ASSERT_TRUE(old.Read(kFixture));

    COldDatabase other = old;
    other.Version = 120;
    CImport13::Result r = CImport13::Run(*db, other);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "La version no es la adecuada");
    EXPECT_EQ(RowCount(*db, "Articulos"), 0);

    // The last format is cut short: the articles and customers before it are rolled back too.
    COldDatabase damaged = old;
    damaged.Formats.back().Detalle.resize(100);
    r = CImport13::Run(*db, damaged);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("Nota de remisión"), std::string::npos);
    EXPECT_EQ(RowCount(*db, "Articulos"), 0);
    EXPECT_EQ(RowCount(*db, "Clientes"), 0);
    EXPECT_EQ(RowCount(*db, "Impuestos"), 5);
    EXPECT_EQ(RowCount(*db, "Formatos"), 0);
}
