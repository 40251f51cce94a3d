// quintaleva-cli imprimir … --ticket as a technician uses it: the settings file of the program
// decides the device; the bytes that reach a file standing for the parallel port are the ticket.
#include "support/ShellQuote.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class CliTicket : public ::testing::Test {
protected:
    void SetUp() override {
        std::error_code ec;
        const fs::path self = fs::read_symlink("/proc/self/exe", ec);
        program = ec ? std::string() : (self.parent_path().parent_path() / "quintaleva-cli").string();
        if (const char* env = std::getenv("QUINTALEVA_CLI"); env && *env)
            program = env;
        if (program.empty() || ::access(program.c_str(), X_OK) != 0)
            GTEST_SKIP() << "quintaleva-cli is not built";
        fs::create_directories(dir.path() / "config" / "TOLVAN Soft");
    }

    // The program's settings file, as the configuration dialog leaves it.
    void settings(const std::string& lines) {
        ScratchDir::writeAll((dir.path() / "config" / "TOLVAN Soft" / "Quintaleva 2.conf").string(), "[Config]\n" + lines);
    }

    int run(const std::vector<std::string>& args, std::string* err = nullptr) {
        std::string command = "env XDG_CONFIG_HOME=" + quote(dir.file("config")) + " LC_ALL=C " + quote(program);
        for (const std::string& a : args)
            command += " " + quote(a);
        const std::string errFile = dir.file("err.txt");
        const int status = std::system((command + " >/dev/null 2>" + quote(errFile)).c_str());
        if (err)
            *err = ScratchDir::readAll(errFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string program;
    TestDatabase testDb{"tienda"};
    const ScratchDir& dir = testDb.dir();
};

TEST_F(CliTicket, SendsAStoredDocumentToTheConfiguredDevice) {
    const std::string base = testDb.location();
    if (TestDatabase::onServer()) {
        ASSERT_EQ(run({"crear", base}), 0);
    }
    ASSERT_EQ(run({"generar", base, "--documentos", "3", "--clientes", "1", "--articulos", "2", "--semilla", "7"}), 0);
    std::string folio;
    {
        auto db = Database::open(base);
        Statement st = db->prepare("SELECT min(Folio) FROM Documentos WHERE Serie = 'A'");
        ASSERT_TRUE(st.step());
        folio = std::to_string(st.integer(0));
    }

    const std::string lpt = dir.file("lpt1.prn");
    settings("pPos=0\nDispositivoLPT1=" + lpt + "\nComando=\"27,112,0,25,250\"\nComandoCorte=\"29,86,0\"\n");
    std::string err;
    ASSERT_EQ(run({"imprimir", base, "A", folio, "--ticket"}, &err), 0) << err;
    const std::string bytes = ScratchDir::readAll(lpt);
    // The seeded ticket: its centred heading first, CR LF after every line, the drawer and the
    // cutter last.
    EXPECT_EQ(bytes.substr(0, 28), std::string(13, ' ') + "NOTA DE VENTA\r\n");
    const std::string tail("\x1B\x70\x00\x19\xFA\x1D\x56\x00", 8);
    ASSERT_GT(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
    EXPECT_NE(bytes.find("GRACIAS POR SU COMPRA\r\n"), std::string::npos);
    for (std::size_t i = 0; i < bytes.size() - tail.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_EQ(bytes[i - 1], '\r') << "bare LF at " << i;
        }
    }

    // A device that fails: the message, a failing exit status, and nothing written anywhere.
    settings("pPos=1\nDispositivoLPT2=/dev/quintaleva-no-existe\n");
    EXPECT_EQ(run({"imprimir", base, "A", folio, "--ticket"}, &err), 1);
    EXPECT_NE(err.find("No se pudo abrir la impresora de tickets LPT2 (/dev/quintaleva-no-existe): el dispositivo no existe."),
              std::string::npos)
        << err;
    EXPECT_FALSE(fs::exists("/dev/quintaleva-no-existe"));

    // --ticket goes without --formato and --pdf.
    EXPECT_EQ(run({"imprimir", base, "A", folio, "--ticket", "--pdf", dir.file("x.pdf")}, &err), 1);
    EXPECT_NE(err.find("uso:"), std::string::npos) << err;
}

// Printing only reads: a database file the user may not write, in a folder the user may not write,
// prints its ticket and its PDF, and is left exactly as it was, with no journal files beside it.
// Run as "nobody" when the tests run as root, whom no permission stops.
TEST_F(CliTicket, PrintsFromADatabaseTheUserMayNotWrite) {
    if (TestDatabase::onServer())
        GTEST_SKIP() << "file permissions are about a database file";
    // Under the system's temporary folder: the build tree may not be reachable by "nobody".
    char pattern[] = "/tmp/quintaleva-ro-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path top(pattern);
    const fs::path data = top / "datos", out = top / "salida", config = top / "config";
    fs::create_directories(data);
    fs::create_directories(out);
    fs::create_directories(config / "TOLVAN Soft");
    const std::string base = (data / "tienda.mdb").string();
    ASSERT_EQ(run({"generar", base, "--documentos", "2", "--clientes", "1", "--articulos", "2", "--semilla", "3"}), 0);
    std::string folio, formato;
    {
        auto db = Database::open(base);
        Statement st = db->prepare("SELECT min(Folio) FROM Documentos WHERE Serie = 'A'");
        ASSERT_TRUE(st.step());
        folio = std::to_string(st.integer(0));
        Statement f = db->prepare("SELECT min(Id_Formato) FROM Formatos WHERE Ticket = 0");
        ASSERT_TRUE(f.step());
        formato = std::to_string(f.integer(0));
    }
    const std::string lpt = (out / "lpt1.prn").string();
    ScratchDir::writeAll((config / "TOLVAN Soft" / "Quintaleva 2.conf").string(), "[Config]\npPos=0\nDispositivoLPT1=" + lpt + "\n");
    const std::string before = ScratchDir::readAll(base);
    fs::permissions(top, fs::perms(0755));
    fs::permissions(out, fs::perms(0777));
    fs::permissions(config, fs::perms(0755), fs::perm_options::replace);
    ::chmod(base.c_str(), 0444);
    ::chmod(data.c_str(), 0555);

    const bool root = ::geteuid() == 0;
    auto runReadOnly = [&](const std::vector<std::string>& args, std::string& err) {
        std::string command = std::string(root ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "") +
                              "env XDG_CONFIG_HOME=" + quote(config.string()) + " HOME=" + quote(top.string()) +
                              " LC_ALL=C " + quote(program);
        for (const std::string& a : args)
            command += " " + quote(a);
        const std::string errFile = (out / "err.txt").string();
        const int status = std::system((command + " >/dev/null 2>" + quote(errFile)).c_str());
        err = ScratchDir::readAll(errFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string err;
    EXPECT_EQ(runReadOnly({"imprimir", base, "A", folio, "--ticket"}, err), 0) << err;
    EXPECT_NE(ScratchDir::readAll(lpt).find("NOTA DE VENTA\r\n"), std::string::npos);
    const std::string pdf = (out / "factura.pdf").string();
    EXPECT_EQ(runReadOnly({"imprimir", base, "A", folio, "--formato", formato, "--pdf", pdf}, err), 0) << err;
    EXPECT_EQ(ScratchDir::readAll(pdf).substr(0, 5), "%PDF-");

    EXPECT_EQ(ScratchDir::readAll(base), before);
    EXPECT_FALSE(fs::exists(base + "-wal"));
    EXPECT_FALSE(fs::exists(base + "-shm"));
    ::chmod(data.c_str(), 0755);
    std::error_code ignored;
    fs::remove_all(top, ignored);
}

} // namespace
