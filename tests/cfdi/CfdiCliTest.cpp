// quintaleva-cli's cfdi, datos-fiscales and generar as a technician runs them.
#include "support/ShellQuote.h"
#include "CfdiKit.h"
#include "StandInPac.h"
#include "cfdi/CadenaOriginal.h"
#include "cfdi/CfdiIssuer.h"
#include "cfdi/FiscalStore.h"
#include "db/Database.h"
#include "db/Statement.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class CfdiCliTest : public ::testing::Test {
protected:
    TestDatabase testDb{"gen"};
    const ScratchDir& dir = testDb.dir();
    std::string program;

    void SetUp() override {
        const fs::path candidate = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "quintaleva-cli";
        if (!fs::exists(candidate))
            GTEST_SKIP() << "quintaleva-cli is not built";
        program = candidate.string();
    }

    std::string out; // stdout of the last run

    // Exit code; stderr into `err`.
    int run(const std::vector<std::string>& args, std::string& err, const std::string& env = "") {
        std::string command = env + " " + quote(program);
        for (const std::string& a : args)
            command += " " + quote(a);
        command += " >" + quote(dir.file("out.txt")) + " 2>" + quote(dir.file("err.txt"));
        const int status = std::system(command.c_str());
        err = ScratchDir::readAll(dir.file("err.txt"));
        out = ScratchDir::readAll(dir.file("out.txt"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

} // namespace

TEST_F(CfdiCliTest, GeneratedDocumentsAreSealedFromTheCommandLineAndBadInputWritesNothing) {
    const std::string base = testDb.location();
    std::string err;
    if (TestDatabase::onServer()) {
        ASSERT_EQ(run({"crear", base}, err), 0) << err;
    }
    ASSERT_EQ(run({"generar", base, "--documentos", "60", "--clientes", "12", "--articulos", "20"}, err), 0) << err;
    const fs::path kit = CfdiKit::dir() / "csd";
    EXPECT_EQ(run({"datos-fiscales", base, "--rfc", "XIA190128J61", "--razon", "ESCUELA KEMPER URGATE", "--regimen",
                   "601", "--cp", "26015", "--cer", (kit / "EKU9003173C9.cer").string()},
                  err),
              1);
    EXPECT_NE(err.find("el certificado es del RFC EKU9003173C9"), std::string::npos) << err;
    EXPECT_EQ(run({"datos-fiscales", base, "--rfc", "EKU9003173C9", "--regimen", "612"}, err), 1);
    // The pair is stored only once the key opens with its password and matches the certificate.
    const std::string passwordFile = dir.file("clave.txt");
    ScratchDir::writeAll(passwordFile, CfdiKit::password() + "\n");
    const std::vector<std::string> business = {"datos-fiscales", base, "--rfc", "EKU9003173C9", "--razon",
                                               "ESCUELA KEMPER URGATE", "--regimen", "601", "--cp", "26015",
                                               "--cer", (kit / "EKU9003173C9.cer").string(), "--key"};
    auto withKey = [&](const std::string& key) {
        std::vector<std::string> a = business;
        a.push_back(key);
        return a;
    };
    EXPECT_EQ(run(withKey((kit / "EKU9003173C9.key").string()), err, "env -u QUINTALEVA_CSD_CLAVE"), 1);
    EXPECT_NE(err.find("falta la contraseña"), std::string::npos) << err;
    EXPECT_EQ(run(withKey((kit / "EKU9003173C9.key").string()), err, "QUINTALEVA_CSD_CLAVE=mala"), 1);
    EXPECT_NE(err.find("La contraseña de la llave privada no es correcta"), std::string::npos) << err;
    EXPECT_EQ(run(withKey((kit / "EKU9003173C9.cer").string()), err, "QUINTALEVA_CSD_CLAVE=x"), 1);
    EXPECT_NE(err.find("no es una llave del SAT"), std::string::npos) << err;
    {
        auto db = Database::open(base);
        EXPECT_TRUE(CFiscalStore(*db).emisor().llavePrivada.empty()) << "a refused key was stored";
    }
    std::vector<std::string> ok = withKey((kit / "EKU9003173C9.key").string());
    ok.insert(ok.end(), {"--clave-archivo", passwordFile});
    ASSERT_EQ(run(ok, err), 0) << err;

    struct Doc { std::string serie; std::int64_t folio; bool cancelada; };
    std::vector<Doc> docs;
    {
        auto db = Database::open(base);
        // The certificate's years, whatever day the test runs.
        db->execute("UPDATE Documentos SET Fecha = Fecha - CAST(Fecha AS INTEGER) + 46100");
        Statement s = db->prepare("SELECT Serie, Folio, Cancelada FROM Documentos ORDER BY Id_Documento");
        while (s.step())
            docs.push_back({s.text(0), s.integer(1), s.integer(2) != 0});
    }
    CfdiKit::SchemaValidator schema(dir.path());
    int sealed = 0;
    for (const Doc& d : docs) {
        const std::string out = dir.file("f" + std::to_string(sealed) + ".xml");
        const int rc = run({"cfdi", base, d.serie.empty() ? "-" : d.serie, std::to_string(d.folio), "--salida", out,
                            "--clave-archivo", passwordFile},
                           err);
        if (d.cancelada) {
            EXPECT_EQ(rc, 1);
            EXPECT_NE(err.find("cancelado"), std::string::npos) << err;
            EXPECT_FALSE(fs::exists(out));
            continue;
        }
        ASSERT_EQ(rc, 0) << err;
        const std::string xml = ScratchDir::readAll(out);
        EXPECT_EQ(schema.validate(xml), "");
        const auto cadena = CCadenaOriginal::FromXml(xml);
        EXPECT_EQ(cadena.cadena, CfdiKit::xsltprocCadena(out));
        EXPECT_TRUE(CfdiKit::verifySeal(CfdiKit::certificate(), cadena.cadena, CfdiKit::xpath(xml, "string(/*/@Sello)")));
        ++sealed;
    }
    EXPECT_GT(sealed, 40);

    const Doc& d = docs.front().cancelada ? docs[1] : docs.front();
    const std::vector<std::string> args = {"cfdi", base, d.serie.empty() ? "-" : d.serie, std::to_string(d.folio),
                                           "--salida", dir.file("x.xml")};
    EXPECT_EQ(run(args, err, "QUINTALEVA_CSD_CLAVE=mala"), 1);
    EXPECT_NE(err.find("La contraseña de la llave privada no es correcta"), std::string::npos) << err;
    EXPECT_EQ(run(args, err, "env -u QUINTALEVA_CSD_CLAVE"), 1);
    EXPECT_NE(err.find("falta la contraseña"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir.file("x.xml")));
    EXPECT_EQ(run(args, err, "QUINTALEVA_CSD_CLAVE=" + CfdiKit::password()), 0) << err;
    EXPECT_TRUE(fs::exists(dir.file("x.xml")));
    EXPECT_EQ(run({"cfdi", base, "Z", "999999", "--salida", dir.file("y.xml")}, err, "QUINTALEVA_CSD_CLAVE=x"), 1);
    EXPECT_FALSE(fs::exists(dir.file("y.xml")));
}

TEST_F(CfdiCliTest, DocumentsGeneratedWithFiscalDataStoreTheTotalsOfTheirCfdi) {
    const std::string base = testDb.location();
    std::string err;
    ASSERT_EQ(run({"crear", base}, err), 0) << err;
    const fs::path kit = CfdiKit::dir() / "csd";
    const std::string passwordFile = dir.file("clave.txt");
    ScratchDir::writeAll(passwordFile, CfdiKit::password() + "\n");
    ASSERT_EQ(run({"datos-fiscales", base, "--rfc", "EKU9003173C9", "--razon", "ESCUELA KEMPER URGATE", "--regimen",
                   "601", "--cp", "26015", "--cer", (kit / "EKU9003173C9.cer").string(), "--key",
                   (kit / "EKU9003173C9.key").string(), "--clave-archivo", passwordFile},
                  err),
              0)
        << err;
    ASSERT_EQ(run({"generar", base, "--documentos", "57", "--clientes", "12", "--articulos", "20"}, err), 0) << err;
    auto db = Database::open(base);
    // The certificate's years, whatever day the test runs.
    db->execute("UPDATE Documentos SET Fecha = Fecha - CAST(Fecha AS INTEGER) + 46100, Cancelada = 0");
    std::vector<std::int32_t> ids;
    for (Statement s = db->prepare("SELECT Id_Documento FROM Documentos ORDER BY Id_Documento"); s.step();)
        ids.push_back(static_cast<std::int32_t>(s.integer(0)));
    ASSERT_EQ(ids.size(), 57u);
    for (const std::int32_t id : ids) {
        const CCfdiIssuer::Sealed sealed = CCfdiIssuer(*db).Seal(id, {}, CfdiKit::password());
        ASSERT_TRUE(sealed.ok()) << sealed.errors.front();
        Statement s = db->prepare("SELECT Importe, Descuento, Impuesto1, Total FROM Documentos WHERE Id_Documento = ?");
        s.bind(1, std::int64_t{id});
        ASSERT_TRUE(s.step());
        const auto attribute = [&](const std::string& a) {
            const std::string text = CfdiKit::xpath(sealed.xml, "string(" + a + ")");
            return text.empty() ? 0.0 : std::stod(text);
        };
        EXPECT_EQ(s.real(0), attribute("/*/@SubTotal")) << id;
        EXPECT_EQ(s.real(1), attribute("/*/@Descuento")) << id;
        EXPECT_EQ(s.real(2), attribute("/*/cfdi:Impuestos/@TotalImpuestosTrasladados")) << id;
        EXPECT_EQ(s.real(3), attribute("/*/@Total")) << id;
    }
}

TEST_F(CfdiCliTest, ThePacAccountIsSetFromTheCommandLineWithItsPasswordFromAFile) {
    const std::string base = testDb.location();
    std::string err;
    ASSERT_EQ(run({"crear", base}, err), 0) << err;
    const std::string passwordFile = dir.file("pac.txt");
    ScratchDir::writeAll(passwordFile, "Secreta-Del-PAC\n");
    ASSERT_EQ(run({"datos-fiscales", base, "--rfc", "EKU9003173C9", "--pac", "sw", "--pac-ambiente", "produccion",
                   "--pac-usuario", "timbres@negocio.mx", "--pac-clave-archivo", passwordFile},
                  err),
              0)
        << err;
    EXPECT_NE(out.find("PAC: SW (producción), usuario timbres@negocio.mx, contraseña guardada"), std::string::npos) << out;
    EXPECT_EQ((out + err).find("Secreta-Del-PAC"), std::string::npos);
    {
        auto db = Database::open(base);
        const PacConfig pac = CFiscalStore(*db).pac();
        EXPECT_EQ(pac.pac, PacProveedor::Sw);
        EXPECT_EQ(pac.ambiente, PacAmbiente::Produccion);
        EXPECT_EQ(pac.usuario, "timbres@negocio.mx");
        EXPECT_EQ(pac.clave, "Secreta-Del-PAC");
        EXPECT_EQ(CFiscalStore(*db).emisor().rfc, "EKU9003173C9");
    }
    // Only what is given changes.
    ASSERT_EQ(run({"datos-fiscales", base, "--pac", "finkok", "--pac-url", "http://127.0.0.1:8080"}, err), 0) << err;
    // Refused: nothing changes.
    EXPECT_EQ(run({"datos-fiscales", base, "--pac", "otro"}, err), 1);
    EXPECT_NE(err.find("use finkok o sw"), std::string::npos) << err;
    EXPECT_EQ(run({"datos-fiscales", base, "--pac-url", "http://pac.example.com"}, err), 1);
    EXPECT_NE(err.find("https://"), std::string::npos) << err;
    EXPECT_EQ(run({"datos-fiscales", base, "--pac-ambiente", "demo", "--rfc", "XIA190128J61"}, err), 1);
    auto db = Database::open(base);
    const PacConfig pac = CFiscalStore(*db).pac();
    EXPECT_EQ(pac.pac, PacProveedor::Finkok);
    EXPECT_EQ(pac.ambiente, PacAmbiente::Produccion);
    EXPECT_EQ(pac.url, "http://127.0.0.1:8080");
    EXPECT_EQ(pac.clave, "Secreta-Del-PAC");
    EXPECT_EQ(CFiscalStore(*db).emisor().rfc, "EKU9003173C9");

    // A database with no account yet needs the whole of it.
    TestDatabase other{"otra"};
    ASSERT_EQ(run({"crear", other.location()}, err), 0) << err;
    EXPECT_EQ(run({"datos-fiscales", other.location(), "--pac", "sw"}, err), 1);
    EXPECT_NE(err.find("--pac-usuario"), std::string::npos) << err;
}

// timbrar as a script runs it against the stand-in PAC: seals and stamps, says the folio fiscal,
// exits 0 only when stamped; a lost answer leaves it pending, and --pendientes takes the stamp
// the PAC kept, one CFDI for the sale.
namespace {

// A generated shop with the test CSD and an account at the stand-in PAC; its documents, open and
// dated in the certificate's years.
class CfdiCliShopTest : public CfdiCliTest {
protected:
    StandInPac pac{"cli@negocio.mx", "Clave-Del-PAC"};
    std::string base, err, passwordFile;
    std::vector<std::pair<std::string, std::int64_t>> docs;

    void SetUp() override {
        CfdiCliTest::SetUp();
        if (IsSkipped())
            return;
        base = testDb.location();
        if (TestDatabase::onServer()) {
            ASSERT_EQ(run({"crear", base}, err), 0) << err;
        }
        ASSERT_EQ(run({"generar", base, "--documentos", "6", "--clientes", "3", "--articulos", "5"}, err), 0) << err;
        const fs::path kit = CfdiKit::dir() / "csd";
        passwordFile = dir.file("clave.txt");
        const std::string pacPassword = dir.file("pac.txt");
        ScratchDir::writeAll(passwordFile, CfdiKit::password() + "\n");
        ScratchDir::writeAll(pacPassword, "Clave-Del-PAC\n");
        ASSERT_EQ(run({"datos-fiscales", base, "--rfc", "EKU9003173C9", "--razon", "ESCUELA KEMPER URGATE", "--regimen",
                       "601", "--cp", "26015", "--cer", (kit / "EKU9003173C9.cer").string(), "--key",
                       (kit / "EKU9003173C9.key").string(), "--clave-archivo", passwordFile, "--pac", "sw", "--pac-url",
                       pac.url(), "--pac-usuario", "cli@negocio.mx", "--pac-clave-archivo", pacPassword},
                      err),
                  0)
            << err;
        auto db = Database::open(base);
        // The certificate's years, whatever day the test runs; nothing paid yet.
        db->execute("UPDATE Documentos SET Fecha = Fecha - CAST(Fecha AS INTEGER) + 46100, Cancelada = 0, YaPagado = 0, "
                    "Pagado = 0");
        db->execute("DELETE FROM Cobros");
        Statement s = db->prepare("SELECT Serie, Folio FROM Documentos ORDER BY Id_Documento");
        while (s.step())
            docs.emplace_back(s.text(0).empty() ? "-" : s.text(0), s.integer(1));
        ASSERT_GE(docs.size(), 3u);
    }
};

} // namespace

TEST_F(CfdiCliShopTest, TimbrarSealsStampsAndRetriesThePendingOnes) {
    const std::string out = dir.file("timbrado.xml");
    auto timbrar = [&](std::size_t i, const std::string& output) {
        std::vector<std::string> a = {"timbrar", base, docs[i].first, std::to_string(docs[i].second), "--clave-archivo",
                                      passwordFile};
        if (!output.empty())
            a.insert(a.end(), {"--salida", output});
        return run(a, err);
    };
    EXPECT_EQ(timbrar(0, out), 0) << err;
    const std::string stamped = ScratchDir::readAll(out);
    EXPECT_NE(stamped.find("TimbreFiscalDigital"), std::string::npos);
    EXPECT_EQ(pac.stampedCount(), 1u);
    // Again: already stamped, nothing more asked.
    EXPECT_EQ(timbrar(0, out), 0) << err;
    EXPECT_EQ(pac.stampedCount(), 1u);

    // The answer lost: exit 1, pending; --pendientes takes the earlier stamp.
    pac.setMode(StandInPac::Mode::StampThenCut);
    EXPECT_EQ(timbrar(1, ""), 1);
    EXPECT_NE(err.find("mismo comprobante"), std::string::npos) << err;
    EXPECT_EQ(pac.stampedCount(), 2u);
    EXPECT_EQ(run({"timbrar", base, "--pendientes"}, err), 1);
    pac.setMode(StandInPac::Mode::Answer);
    EXPECT_EQ(run({"timbrar", base, "--pendientes"}, err), 0) << err;
    EXPECT_EQ(pac.stampedCount(), 2u) << "one CFDI for each sale";
    auto db = Database::open(base);
    Statement s = db->prepare("SELECT count(*), count(DISTINCT UUID) FROM Cfdis WHERE Estado = 'Timbrado'");
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.integer(0), 2);
    EXPECT_EQ(s.integer(1), 2);
    // No PAC password anywhere it could be read.
    EXPECT_EQ(err.find("Clave-Del-PAC"), std::string::npos);
}

TEST_F(CfdiCliShopTest, CobrarRegistersLikeCobranzaAndStampsEachPaymentOfAPpdInvoice) {
    const auto doc = [&](std::size_t i) { return std::vector<std::string>{base, docs[i].first, std::to_string(docs[i].second)}; };
    const auto with = [](std::vector<std::string> a, std::initializer_list<std::string> more) {
        a.insert(a.end(), more);
        return a;
    };
    const auto command = [&](const std::string& name, std::size_t i, std::initializer_list<std::string> more) {
        std::vector<std::string> a = with(doc(i), more);
        a.insert(a.begin(), name);
        return run(a, err);
    };
    ASSERT_EQ(command("timbrar", 0, {"--clave-archivo", passwordFile, "--metodo-pago", "PPD", "--forma-pago", "99"}), 0) << err;
    ASSERT_EQ(command("timbrar", 1, {"--clave-archivo", passwordFile, "--metodo-pago", "PUE", "--forma-pago", "01"}), 0) << err;
    auto db = Database::open(base);
    const auto balance = [&](std::size_t i) {
        Statement s = db->prepare("SELECT Total - YaPagado FROM Documentos WHERE Folio = ? ORDER BY Id_Documento");
        s.bind(1, docs[i].second);
        s.step();
        return s.real(0);
    };
    const double total = balance(0);
    ASSERT_GT(total, 1);

    // The payment dialog's refusals: nothing, less than nothing, more than is owed.
    for (const std::string& bad : std::vector<std::string>{"0", "-5", "abc", std::to_string(total + 1)})
        EXPECT_EQ(command("cobrar", 0, {bad}), 1) << bad;
    EXPECT_NE(err.find("mayor que el saldo"), std::string::npos) << err;
    EXPECT_EQ(command("cobrar", 0, {"1", "--forma-pago", "99"}), 1);
    EXPECT_EQ(balance(0), total) << "a refused payment registers nothing";

    // Two parts with their complements, the second without the key's password: owed, then stamped.
    const std::string part = std::to_string(std::floor(total * 40) / 100);
    ASSERT_EQ(command("cobrar", 0, {part, "--fecha", "15/03/2026", "--forma-pago", "03", "--clave-archivo", passwordFile}), 0) << err;
    EXPECT_NE(out.find("Folio fiscal (UUID): "), std::string::npos) << out;
    EXPECT_EQ(run({"cobrar", base, docs[0].first, std::to_string(docs[0].second), std::to_string(balance(0))}, err,
                  "env -u QUINTALEVA_CSD_CLAVE"),
              1);
    EXPECT_NE(err.find("Quedó por timbrar"), std::string::npos) << err;
    EXPECT_NEAR(balance(0), 0, 0.001) << "the payment itself is registered";
    ASSERT_EQ(run({"timbrar", base, "--pendientes", "--clave-archivo", passwordFile}, err), 0) << err;
    Statement c = db->prepare("SELECT count(*), count(DISTINCT UUID) FROM CfdisPago WHERE Estado = 'Timbrado'");
    ASSERT_TRUE(c.step());
    EXPECT_EQ(c.integer(0), 2);
    EXPECT_EQ(c.integer(1), 2);
    EXPECT_TRUE(pac.refusals().empty());

    // A PUE invoice's payment makes none.
    const std::size_t stamps = pac.stampedCount();
    EXPECT_EQ(command("cobrar", 1, {"10", "--clave-archivo", passwordFile}), 0) << err;
    EXPECT_EQ(out.find("Complemento"), std::string::npos) << out;
    EXPECT_EQ(pac.stampedCount(), stamps);
}

TEST_F(CfdiCliShopTest, CancelarAndEstadoCfdiFollowACancellationToTheEnd) {
    const auto args = [&](std::initializer_list<std::string> head, std::size_t i, std::initializer_list<std::string> tail) {
        std::vector<std::string> a(head);
        a.insert(a.end(), {base, docs[i].first, std::to_string(docs[i].second)});
        a.insert(a.end(), tail);
        return a;
    };
    ASSERT_EQ(run(args({"timbrar"}, 0, {"--clave-archivo", passwordFile, "--metodo-pago", "PUE", "--forma-pago", "01"}), err), 0) << err;
    ASSERT_EQ(run(args({"timbrar"}, 1, {"--clave-archivo", passwordFile, "--metodo-pago", "PUE", "--forma-pago", "01"}), err), 0) << err;
    // Refused here: no motive, a wrong one, 01 without its replacement.
    EXPECT_EQ(run(args({"cancelar"}, 0, {"--clave-archivo", passwordFile}), err), 1);
    EXPECT_EQ(run(args({"cancelar"}, 0, {"--motivo", "07", "--clave-archivo", passwordFile}), err), 1);
    EXPECT_EQ(run(args({"cancelar"}, 0, {"--motivo", "01", "--clave-archivo", passwordFile}), err), 1);
    EXPECT_NE(err.find("sustituye"), std::string::npos) << err;

    ASSERT_EQ(run(args({"cancelar"}, 0, {"--motivo", "02", "--clave-archivo", passwordFile}), err), 0) << err;
    EXPECT_NE(out.find("Cancelación en proceso"), std::string::npos) << out;
    auto db = Database::open(base);
    const auto cancelada = [&](std::size_t i) {
        Statement s = db->prepare("SELECT Cancelada FROM Documentos WHERE Folio = ? ORDER BY Id_Documento");
        s.bind(1, docs[i].second);
        return s.step() && s.integer(0) != 0;
    };
    EXPECT_FALSE(cancelada(0));
    ASSERT_EQ(run(args({"estado-cfdi"}, 0, {}), err), 0) << err;
    EXPECT_NE(out.find("Cancelado sin aceptación"), std::string::npos) << out;
    EXPECT_TRUE(cancelada(0));
    EXPECT_EQ(run(args({"cancelar"}, 0, {"--motivo", "02", "--clave-archivo", passwordFile}), err), 1);
    EXPECT_NE(err.find("ya está cancelada"), std::string::npos) << err;

    // Motive 01: the replacement, not stamped yet, is stamped first naming the one it replaces.
    std::vector<std::string> a = args({"cancelar"}, 1, {"--motivo", "01", "--clave-archivo", passwordFile, "--sustituye"});
    a.insert(a.end(), {docs[2].first, std::to_string(docs[2].second)});
    ASSERT_EQ(run(a, err), 0) << err;
    EXPECT_NE(out.find("relación 04"), std::string::npos) << out;
    Statement rel = db->prepare("SELECT c.FolioSustitucion, s.UUID FROM Cfdis c, Cfdis s WHERE c.Motivo = '01' "
                                "AND s.Id_Documento = (SELECT Id_Documento FROM Documentos WHERE Folio = ? ORDER BY Id_Documento LIMIT 1)");
    rel.bind(1, docs[2].second);
    ASSERT_TRUE(rel.step());
    EXPECT_EQ(rel.text(0), rel.text(1));
}

TEST_F(CfdiCliShopTest, FacturaGlobalInvoicesThePeriodsFreeSalesOnce) {
    auto db = Database::open(base);
    // One sale stamped on its own stays out.
    ASSERT_EQ(run({"timbrar", base, docs[0].first, std::to_string(docs[0].second), "--clave-archivo", passwordFile,
                   "--metodo-pago", "PUE", "--forma-pago", "01"},
                  err),
              0)
        << err;
    Statement day = db->prepare("SELECT min(Fecha), max(Fecha), count(*) FROM Documentos");
    ASSERT_TRUE(day.step());
    const auto text = [](double v) {
        const auto c = OleDate(v).split();
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", c->day, c->month, c->year);
        return std::string(buf);
    };
    const std::string desde = text(day.real(0)), hasta = text(day.real(1));
    const auto documents = day.integer(2);
    day.reset();
    const std::string xml = dir.file("global.xml");
    EXPECT_EQ(run({"factura-global", base, "--desde", desde, "--hasta", hasta, "--periodicidad", "07", "--clave-archivo",
                   passwordFile},
                  err),
              1);
    ASSERT_EQ(run({"factura-global", base, "--desde", desde, "--hasta", hasta, "--periodicidad", "01", "--salida", xml,
                   "--clave-archivo", passwordFile},
                  err),
              0)
        << err;
    EXPECT_NE(out.find("Folio fiscal (UUID): "), std::string::npos) << out;
    const std::string stamped = ScratchDir::readAll(xml);
    EXPECT_NE(stamped.find("XAXX010101000"), std::string::npos);
    EXPECT_NE(stamped.find("TimbreFiscalDigital"), std::string::npos);
    Statement covered = db->prepare("SELECT count(*) FROM DocumentosGlobales");
    ASSERT_TRUE(covered.step());
    EXPECT_EQ(covered.integer(0), documents - 1);
    covered.reset();
    EXPECT_EQ(run({"factura-global", base, "--desde", desde, "--hasta", hasta, "--periodicidad", "01", "--clave-archivo",
                   passwordFile},
                  err),
              1);
    EXPECT_NE(err.find("No hay ventas"), std::string::npos) << err;
}
