// Carrying a format between shops: export then import gives the same format, whole (layout,
// Caben, Repetir, remarks, paper, picture), files of the stream alone from before still import,
// and a file that is not exactly one format is refused without touching the database.
#include "config/NewDatabase.h"
#include "db/Database.h"
#include "db/FormatosSet.h"
#include "designer/DesignerCommand.h"
#include "designer/FormatCatalog.h"
#include "designer/QvfFile.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

class Qvf : public ::testing::Test {
protected:
    void SetUp() override {
        path = testDb.location();
        CreateNewDatabase(path);
    }
    int run(const std::vector<std::string>& args) {
        out.str({});
        err.str({});
        return DesignerCommand::Run(args, out, err);
    }
    std::vector<CFormatCatalog::Entry> list() {
        auto db = Database::open(path);
        return CFormatCatalog(*db).List();
    }
    std::vector<unsigned char> stream(std::int32_t id) {
        auto db = Database::open(path);
        return CFormatCatalog(*db).RawStream(id).value_or(std::vector<unsigned char>{});
    }

    TestDatabase testDb;
    const ScratchDir& dir = testDb.dir();
    std::string path;
    std::ostringstream out, err;
};

} // namespace

TEST_F(Qvf, ExportThenImportGivesTheSameBytes) {
    const std::int32_t id = list().at(0).id;
    const std::string file = dir.file("carta.qvf");
    ASSERT_EQ(run({"--exportar", path, std::to_string(id), file}), 0) << err.str();
    const std::vector<unsigned char> original = stream(id);
    const QvfFile::ReadResult exported = QvfFile::Read(file);
    ASSERT_TRUE(exported.ok) << exported.message;
    EXPECT_TRUE(exported.whole);
    EXPECT_EQ(exported.contents.stream, original);

    ASSERT_EQ(run({"--importar", path, file, "--nombre", "Factura de Tienda Norte"}), 0) << err.str();
    const auto entries = list();
    ASSERT_EQ(entries.size(), 5u); // with "Factura carta", "Factura electrónica", the payment receipt and the sale note
    const auto& added = *std::find_if(entries.begin(), entries.end(),
                                      [](const auto& e) { return e.name == "Factura de Tienda Norte"; });
    EXPECT_EQ(added.name, "Factura de Tienda Norte");
    EXPECT_EQ(stream(added.id), original);
    EXPECT_NE(out.str().find(std::to_string(added.id)), std::string::npos);

    // Without a name the file's name is taken.
    ASSERT_EQ(run({"--importar", path, file}), 0) << err.str();
    bool named = false;
    for (const auto& e : list())
        named |= e.name == "carta";
    EXPECT_TRUE(named);
}

TEST_F(Qvf, DamagedFilesAndBadArgumentsChangeNothing) {
    const std::int32_t id = list().at(0).id;
    const std::string good = dir.file("bueno.qvf");
    ASSERT_EQ(run({"--exportar", path, std::to_string(id), good}), 0);
    const std::string bytes = ScratchDir::readAll(good);

    const std::vector<std::pair<std::string, std::string>> bad = {
        {"corto.qvf", bytes.substr(0, bytes.size() - 1)},
        {"sobra.qvf", bytes + "x"},
        {"vacio.qvf", ""},
        {"texto.qvf", "Esto no es un formato de impresión, es una carta."},
        {"cuenta.qvf", bytes.substr(0, 12) + std::string("\xff\xff\xff\x7f", 4) + bytes.substr(16)},
        {"largo.qvf", bytes.substr(0, 16) + std::string("\xff\xff\xff\x7f", 4) + bytes.substr(20)},
        {"version.qvf", bytes.substr(0, 8) + std::string("\x00\x00\x00\x00", 4) + bytes.substr(12)},
        {"sin-firma.qvf", "x" + bytes.substr(1)},
        {"cambiado.qvf", [&] {
             std::string changed = bytes;
             changed[changed.size() / 2] ^= 0x20;
             return changed;
         }()},
    };
    for (const auto& [name, content] : bad) {
        SCOPED_TRACE(name);
        ScratchDir::writeAll(dir.file(name), content);
        EXPECT_EQ(QvfFile::Read(dir.file(name)).ok, false);
        EXPECT_EQ(run({"--importar", path, dir.file(name)}), 1);
        EXPECT_NE(err.str().find("no contiene un formato"), std::string::npos) << err.str();
    }
    // Cut anywhere, a whole format is no format, and neither is the stream it carries.
    const std::vector<unsigned char> whole(bytes.begin(), bytes.end());
    for (std::size_t n = 0; n < whole.size(); ++n)
        ASSERT_FALSE(QvfFile::Decode({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)}, "x").ok) << n;
    // A later version's file is told apart from a damaged one.
    std::string later = bytes;
    later[8] = 2;
    ScratchDir::writeAll(dir.file("nueva.qvf"), later);
    EXPECT_EQ(run({"--importar", path, dir.file("nueva.qvf")}), 1);
    EXPECT_NE(err.str().find("versión más nueva"), std::string::npos) << err.str();
    EXPECT_EQ(run({"--importar", path, dir.file("no-existe.qvf")}), 1);
    EXPECT_EQ(list().size(), 4u);

    // Unknown id, bad id, a database that is not there, a folder that cannot be written.
    EXPECT_EQ(run({"--exportar", path, "999", dir.file("x.qvf")}), 1);
    EXPECT_EQ(run({"--exportar", path, "1x", dir.file("x.qvf")}), 2);
    EXPECT_EQ(run({"--exportar", dir.file("nada.mdb"), "1", dir.file("x.qvf")}), 1);
    EXPECT_EQ(run({"--exportar", path, std::to_string(id), dir.file("no/hay/carpeta.qvf")}), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.qvf")));
    EXPECT_EQ(run({"--importar", path}), 2);
    EXPECT_EQ(run({"--importar", path, good, "--nombre"}), 2);
    EXPECT_TRUE(DesignerCommand::IsCommand({"--exportar"}));
    EXPECT_FALSE(DesignerCommand::IsCommand({"/tmp/q.mdb"}));
}

TEST_F(Qvf, TheWholeFormatTravelsAndComesBackExactly) {
    // The shop's invoice: 20 lines per sheet fixed by hand, repeated half a sheet lower, remarks,
    // half-letter paper and a crooked scan under it.
    std::int32_t id = 0;
    CDesignFormat shop;
    {
        auto db = Database::open(path);
        CFormatCatalog catalog(*db);
        id = catalog.List().at(0).id;
        ASSERT_TRUE(catalog.Load(id, shop));
        shop.CabenByHand = true;
        shop.Format.Caben = 20;
        shop.Format.Repetir = 1397;
        shop.Observaciones = "Forma azul de la imprenta; alinear a la izquierda.\nSegunda línea";
        shop.Sheet = SheetSize::Named("Media carta");
        auto picture = std::make_shared<FormatBackground>();
        picture->picture = {0x89, 'P', 'N', 'G', 0, 0xff, 13, 10};
        picture->left = -12.345678901;
        picture->top = 33.3;
        picture->width = 2101.75;
        picture->height = 2971.125;
        picture->opacity = 35;
        picture->rotation = 0.4321;
        shop.Background = picture;
        ASSERT_TRUE(catalog.Save(shop));
    }
    const std::string file = dir.file("tienda.qvf");
    ASSERT_EQ(run({"--exportar", path, std::to_string(id), file}), 0) << err.str();
    ASSERT_EQ(run({"--importar", path, file, "--nombre", "Traída"}), 0) << err.str();

    auto db = Database::open(path);
    CFormatCatalog catalog(*db);
    std::int32_t added = 0;
    for (const auto& e : catalog.List())
        if (e.name == "Traída")
            added = e.id;
    ASSERT_NE(added, 0);
    CDesignFormat arrived;
    ASSERT_TRUE(catalog.Load(added, arrived));
    EXPECT_TRUE(arrived.SameDesign(shop));
    EXPECT_EQ(arrived.Format.Caben, 20);
    EXPECT_EQ(arrived.Format.Repetir, 1397);
    EXPECT_EQ(arrived.Observaciones, shop.Observaciones);
    EXPECT_EQ(arrived.Sheet, SheetSize::Named("Media carta"));
    ASSERT_TRUE(arrived.Background);
    EXPECT_EQ(*arrived.Background, *shop.Background);
    EXPECT_EQ(catalog.RawStream(added), catalog.RawStream(id));
    // Exported again, the same file to the byte.
    db.reset();
    const std::string again = dir.file("otra-vez.qvf");
    ASSERT_EQ(run({"--exportar", path, std::to_string(added), again}), 0) << err.str();
    EXPECT_EQ(ScratchDir::readAll(again), ScratchDir::readAll(file));
}

TEST_F(Qvf, AFileOfTheStreamAloneImportsAsBefore) {
    // What an earlier export wrote: the stored bytes and nothing else.
    const std::int32_t id = list().at(0).id;
    const std::vector<unsigned char> original = stream(id);
    const std::string file = dir.file("antes.qvf");
    ScratchDir::writeAll(file, std::string(original.begin(), original.end()));
    const QvfFile::ReadResult read = QvfFile::Read(file);
    ASSERT_TRUE(read.ok) << read.message;
    EXPECT_FALSE(read.whole);
    ASSERT_EQ(run({"--importar", path, file}), 0) << err.str();

    auto db = Database::open(path);
    CFormatCatalog catalog(*db);
    std::int32_t added = 0;
    for (const auto& e : catalog.List())
        if (e.name == "antes")
            added = e.id;
    ASSERT_NE(added, 0);
    CDesignFormat arrived;
    ASSERT_TRUE(catalog.Load(added, arrived));
    EXPECT_EQ(catalog.RawStream(added), original);
    EXPECT_EQ(arrived.Format.Caben, CDesignFormat::DerivedCaben(arrived.Format));
    EXPECT_EQ(arrived.Format.Repetir, 0);
    EXPECT_TRUE(arrived.Observaciones.empty());
    EXPECT_EQ(arrived.Sheet, SheetSize::Standard().front());
    EXPECT_FALSE(arrived.Background);
}

TEST_F(Qvf, HelpPrintsTheUsage) {
    EXPECT_TRUE(DesignerCommand::IsCommand({"--help"}));
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_EQ(out.str().rfind("uso: lantorela", 0), 0u) << out.str();
    EXPECT_NE(out.str().find("--importar"), std::string::npos);
    EXPECT_TRUE(err.str().empty());
}
