// Carrying a layout between shops: export then import gives the same bytes, and a file that is
// not exactly one format is refused without touching the database.
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
    const std::string bytes = ScratchDir::readAll(file);
    const std::vector<unsigned char> original = stream(id);
    EXPECT_EQ(bytes, std::string(original.begin(), original.end()));

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
    };
    for (const auto& [name, content] : bad) {
        SCOPED_TRACE(name);
        ScratchDir::writeAll(dir.file(name), content);
        EXPECT_EQ(QvfFile::Read(dir.file(name)).ok, false);
        EXPECT_EQ(run({"--importar", path, dir.file(name)}), 1);
        EXPECT_NE(err.str().find("no contiene un formato"), std::string::npos) << err.str();
    }
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
