// The printed CFDI: its data read from the XML stored with a document stamped through the
// stand-in PAC, from one only sealed and from one without CFDI; and the whole sheet, the ready
// format "Factura electrónica" printed to PDF by quintaleva-cli, its QR read back with zbarimg
// from the page rasterized at 150 dpi and measured there.
#include "CfdiFixture.h"
#include "StandInPac.h"
#include "cfdi/CfdiIssuer.h"
#include "cfdi/CfdiPrintData.h"
#include "cfdi/CfdiSealAndStamp.h"
#include "cfdi/DocumentRounding.h"
#include "cfdi/CfdiStamper.h"
#include "cfdi/PacClient.h"
#include "db/Statement.h"
#include "printing/DefaultFormats.h"
#include "printing/FormatData.h"
#include "printing/PrintJob.h"
#include "receivables/PaymentStore.h"
#include "support/ShellQuote.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const char* const kUser = "impresion@negocio.mx";
const char* const kPassword = "Clave-Del-PAC";
const char* const kVerifica = "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx";

std::string tfd(const std::string& xml, const std::string& attribute) {
    return CfdiKit::xpath(xml, "string(//*[local-name()='TimbreFiscalDigital']/@" + attribute + ")");
}

// Exit code of a shell command; its standard output into `out`, followed by its standard error
// only when it failed (zbarimg talks about the desktop bus it does not find).
int shell(const std::string& command, std::string& out, const ScratchDir& dir) {
    const std::string file = dir.file("shell.txt");
    const std::string errors = dir.file("shell-err.txt");
    const int status = std::system((command + " >" + quote(file) + " 2>" + quote(errors)).c_str());
    out = ScratchDir::readAll(file);
    if (status != 0)
        out += ScratchDir::readAll(errors);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

// The box of the dark pixels of a binary PGM (P5, 8 bits) inside [x0, x1) × [y0, y1).
struct Box {
    int left = -1, top = -1, right = -1, bottom = -1;
};
Box darkBox(const std::string& pgmFile, int x0, int y0, int x1, int y1) {
    std::ifstream in(pgmFile, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maxval = 0;
    in >> magic >> width >> height >> maxval;
    in.get();
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height);
    in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    Box b;
    if (magic != "P5" || maxval != 255 || !in)
        return b;
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
            if (pixels[static_cast<std::size_t>(y) * width + x] < 128) {
                b.left = b.left < 0 ? x : std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = b.top < 0 ? y : std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
    return b;
}

class CfdiPrintTest : public ::testing::Test, public CfdiFixture {
protected:
    StandInPac pac{kUser, kPassword};
    std::unique_ptr<CPacClient> client = CPacClient::Create(
        PacConfig{PacProveedor::Finkok, PacAmbiente::Pruebas, pac.url(), kUser, kPassword}, {3000, 3000});

    std::int32_t sealed(std::int32_t folio) {
        const std::int32_t a = addArticle("P" + std::to_string(folio), "Papel bond carta", "14111507", iva16);
        const std::int32_t id = save(cliente, folio, {line(a, 119.5, 3), line(a, 10, 1)});
        const auto s = CCfdiIssuer(*db).Seal(id, {"03", "PUE", "G03", "01", ""}, CfdiKit::password(), sealingNow());
        EXPECT_TRUE(s.ok());
        std::string error;
        EXPECT_TRUE(CCfdiIssuer(*db).Save(id, s, CCfdiIssuer::PathIn(dir.path() / "xml", s), error)) << error;
        return id;
    }
    std::int32_t stamped(std::int32_t folio) {
        const std::int32_t id = sealed(folio);
        const CCfdiStamper::Result r = CCfdiStamper(*db, *client).Stamp(id);
        EXPECT_EQ(r.state, CCfdiStamper::State::Stamped) << r.message;
        return id;
    }
};

} // namespace

TEST_F(CfdiPrintTest, AStampedDocumentPrintsTheDataOfItsStoredXml) {
    const std::int32_t id = stamped(1);
    const auto stored = fiscal.cfdi(id);
    ASSERT_TRUE(stored);
    const std::string& xml = stored->xml;
    const CfdiPrintData d = CfdiPrintData::Load(*db, id);
    ASSERT_TRUE(d.present);
    ASSERT_TRUE(d.stamped);
    EXPECT_EQ(d.uuid, stored->uuid);
    EXPECT_EQ(d.uuid, tfd(xml, "UUID"));
    EXPECT_EQ(d.fechaEmision, CfdiKit::xpath(xml, "string(/*/@Fecha)"));
    EXPECT_EQ(d.fechaEmision, "2026-03-14T12:00:00");  // sealed at sealingNow()
    EXPECT_EQ(d.fechaCertificacion, tfd(xml, "FechaTimbrado"));
    EXPECT_EQ(d.noCertificado, "30001000000500003416");
    EXPECT_EQ(d.noCertificadoSat, StandInPac::kNoCertificadoSat);
    EXPECT_EQ(d.sello, CfdiKit::xpath(xml, "string(/*/@Sello)"));
    EXPECT_EQ(d.selloSat, tfd(xml, "SelloSAT"));
    EXPECT_EQ(d.cadenaTfd, "||1.1|" + d.uuid + "|" + d.fechaCertificacion + "|" + StandInPac::kRfcProvCertif + "|" +
                               d.sello + "|" + StandInPac::kNoCertificadoSat + "||");
    EXPECT_TRUE(pac.verifySatSeal(d.cadenaTfd, d.selloSat)) << "the SAT's seal is over this cadena";
    EXPECT_EQ(d.rfcEmisor, "EKU9003173C9");
    EXPECT_EQ(d.nombreEmisor, "ESCUELA KEMPER URGATE");
    EXPECT_EQ(d.regimenEmisor, "601 - General de Ley Personas Morales");
    EXPECT_EQ(d.lugarExpedicion, "26015");
    EXPECT_EQ(d.rfcReceptor, "XIA190128J61");
    EXPECT_EQ(d.nombreReceptor, CfdiKit::xpath(xml, "string(//*[local-name()='Receptor']/@Nombre)"));
    EXPECT_EQ(d.domicilioReceptor, "36257");
    EXPECT_EQ(d.regimenReceptor, "601 - General de Ley Personas Morales");
    EXPECT_EQ(d.usoCfdi, "G03 - Gastos en general");
    EXPECT_EQ(d.formaPago, "03 - Transferencia electrónica de fondos");
    EXPECT_EQ(d.metodoPago, "PUE - Pago en una sola exhibición");
    EXPECT_EQ(d.tipoComprobante, "I - Ingreso");
    EXPECT_EQ(d.impuestos, "IVA 16 %: " + CfdiKit::xpath(xml, "string(/*/*[local-name()='Impuestos']/*/*/@Importe)"));
    const std::string total = CfdiKit::xpath(xml, "string(/*/@Total)");
    EXPECT_EQ(total, "427.46");
    EXPECT_EQ(d.verificacion, std::string(kVerifica) + "?id=" + d.uuid + "&re=EKU9003173C9&rr=XIA190128J61&tt=427.46&fe=" +
                                  d.sello.substr(d.sello.size() - 8));

    // The print job finds the CFDI by its document, and each datum gives its value.
    CPrintJob job;
    ASSERT_EQ(job.LoadStored(*db, "A", 1, DocumentRounding(*db)), CDocumentStore::LoadResult::Loaded);
    EXPECT_EQ(job.DocumentValue(FormatData::kFolioFiscal), d.uuid);
    EXPECT_EQ(job.DocumentValue(FormatData::kQrCode), d.verificacion);
    EXPECT_EQ(job.DocumentValue(FormatData::kSelloSat), d.selloSat);
    EXPECT_EQ(job.DocumentValue(FormatData::kCadenaTfd), d.cadenaTfd);
    EXPECT_EQ(job.DocumentValue(49), "G03 - Gastos en general");
    EXPECT_EQ(job.DocumentValue(54), StandInPac::kNoCertificadoSat);
    CPrintJob onScreen;
    onScreen.Serie = "A";
    onScreen.Folio = 1;
    onScreen.LoadCfdi(*db);
    EXPECT_EQ(onScreen.DocumentValue(FormatData::kFolioFiscal), d.uuid) << "the document on screen finds its CFDI";
    for (int i = FormatData::kFirstCfdi; i < FormatData::kDocumentCount; ++i)
        EXPECT_FALSE(FormatData::Caption(FIELD_DOC, i).empty()) << i;
}

TEST_F(CfdiPrintTest, TheVerificationAddressCarriesTheTotalsSignificantDecimals) {
    // PAC.md's test vector.
    EXPECT_EQ(CfdiPrintData::VerificationUrl("04BF2854-FE7D-4377-9196-71248F060ABB", "CSM190311AH6", "MCI7306249Y1",
                                             "459.36", "xxxxxxxxxxxxxxxxxx5tSZhA=="),
              std::string(kVerifica) +
                  "?id=04BF2854-FE7D-4377-9196-71248F060ABB&re=CSM190311AH6&rr=MCI7306249Y1&tt=459.36&fe=5tSZhA==");
    EXPECT_EQ(CfdiPrintData::TotalForQr("1191.95"), "1191.95");
    EXPECT_EQ(CfdiPrintData::TotalForQr("1000.00"), "1000.0");
    EXPECT_EQ(CfdiPrintData::TotalForQr("1000"), "1000.0");
    EXPECT_EQ(CfdiPrintData::TotalForQr("459.360000"), "459.36");
    EXPECT_EQ(CfdiPrintData::TotalForQr("0.10"), "0.1");
    // An RFC with "&" stays inside its parameter.
    EXPECT_NE(CfdiPrintData::VerificationUrl("U", "A&B010101AB1", "R", "1.00", "12345678").find("re=A%26B010101AB1&rr=R"),
              std::string::npos);
}

TEST_F(CfdiPrintTest, ASealedDocumentPrintsSinTimbrarAndNoQrAndOneWithoutCfdiPrintsNothing) {
    const std::int32_t id = sealed(2);
    const CfdiPrintData d = CfdiPrintData::Load(*db, id);
    EXPECT_TRUE(d.present);
    EXPECT_FALSE(d.stamped);
    EXPECT_FALSE(d.sello.empty());
    EXPECT_EQ(d.noCertificado, "30001000000500003416");
    EXPECT_EQ(d.usoCfdi, "G03 - Gastos en general");
    for (const std::string* empty : {&d.uuid, &d.fechaCertificacion, &d.noCertificadoSat, &d.selloSat, &d.cadenaTfd,
                                     &d.verificacion})
        EXPECT_TRUE(empty->empty()) << *empty;
    CPrintJob job;
    ASSERT_EQ(job.LoadStored(*db, "A", 2, DocumentRounding(*db)), CDocumentStore::LoadResult::Loaded);
    EXPECT_EQ(job.DocumentValue(FormatData::kFolioFiscal), "Sin timbrar");
    EXPECT_EQ(job.DocumentValue(FormatData::kQrCode), "");
    EXPECT_EQ(job.DocumentValue(FormatData::kSelloCfdi), d.sello);

    // A stamp still pending at the PAC is not printed as stamped either.
    db->execute("UPDATE Cfdis SET Estado = ? WHERE Id_Documento = ?",
                {std::string(CFiscalStore::kPendiente), std::int64_t{id}});
    EXPECT_FALSE(CfdiPrintData::Load(*db, id).stamped);

    const std::int32_t a = addArticle("SIN", "Sin CFDI", "01010101", iva16);
    save(cliente, 3, {line(a, 10, 1)});
    CPrintJob plain;
    ASSERT_EQ(plain.LoadStored(*db, "A", 3, DocumentRounding(*db)), CDocumentStore::LoadResult::Loaded);
    for (int i = FormatData::kFirstCfdi; i < FormatData::kFirstNegocio; ++i)
        EXPECT_EQ(plain.DocumentValue(i), "") << i;
}

TEST_F(CfdiPrintTest, TheElectronicInvoiceFormatPrintsAQrTheSatCanRead) {
    const fs::path cli = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "quintaleva-cli";
    if (!fs::exists(cli))
        GTEST_SKIP() << "quintaleva-cli is not built";
    std::string out;
    ASSERT_EQ(shell("command -v pdftoppm && command -v zbarimg && command -v pdftotext", out, dir), 0)
        << "poppler-utils and zbar-tools are needed: ./test.sh installs them";

    const std::int32_t id = stamped(4);
    sealed(5);
    // This database was made without the ready formats: the one added for older ones is it.
    ASSERT_TRUE(AddMissingDefaultFormats(*db));
    Statement s = db->prepare("SELECT Id_Formato FROM Formatos WHERE Nombre = ?");
    s.bind(1, std::string(kElectronicInvoiceFormat));
    ASSERT_TRUE(s.step());
    const std::string formato = std::to_string(s.integer(0));
    const CfdiPrintData d = CfdiPrintData::Load(*db, id);

    const std::string pdf = dir.file("factura.pdf");
    ASSERT_EQ(shell(quote(cli.string()) + " imprimir " + quote(testDb.location()) + " A 4 --formato " + formato +
                        " --pdf " + quote(pdf),
                    out, dir),
              0)
        << out;
    ASSERT_EQ(shell("pdftoppm -r 150 -png -singlefile " + quote(pdf) + " " + quote(dir.file("factura")), out, dir), 0)
        << out;
    // QUINTALEVA_CFDI_PRINT_OUT names a folder where the sheets are kept for a person to look at.
    if (const char* keep = std::getenv("QUINTALEVA_CFDI_PRINT_OUT")) {
        fs::copy_file(dir.file("factura.png"), fs::path(keep) / "factura-electronica.png",
                      fs::copy_options::overwrite_existing);
        fs::copy_file(pdf, fs::path(keep) / "factura-electronica.pdf", fs::copy_options::overwrite_existing);
    }
    ASSERT_EQ(shell("zbarimg --raw -q " + quote(dir.file("factura.png")), out, dir), 0) << out;
    EXPECT_EQ(trimmed(out), d.verificacion);

    // The code's dark modules, found at the lower left of the sheet (150 dpi: 59.06 pixels a cm),
    // span at least 2.75 cm each way.
    ASSERT_EQ(shell("pdftoppm -r 150 -gray -singlefile " + quote(pdf) + " " + quote(dir.file("gris")), out, dir), 0);
    const double perCm = 150 / 2.54;
    const Box qr = darkBox(dir.file("gris.pgm"), static_cast<int>(1.1 * perCm), static_cast<int>(21.6 * perCm),
                           static_cast<int>(4.9 * perCm), static_cast<int>(25.4 * perCm));
    ASSERT_GE(qr.left, 0) << "no QR at the lower left";
    EXPECT_GE((qr.right - qr.left + 1) / perCm, 2.75);
    EXPECT_GE((qr.bottom - qr.top + 1) / perCm, 2.75);
    EXPECT_NEAR(qr.right - qr.left, qr.bottom - qr.top, 2) << "square";

    ASSERT_EQ(shell("pdftotext -layout " + quote(pdf) + " -", out, dir), 0);
    for (const std::string& expected :
         {d.uuid, std::string("Este documento es una representación impresa de un CFDI"),
          std::string("G03 - Gastos en general"), std::string("PUE - Pago en una sola exhibición"),
          std::string("601 - General de Ley Personas Morales"), d.noCertificadoSat, d.fechaCertificacion,
          std::string("ESCUELA KEMPER URGATE"), std::string("CUATROCIENTOS VEINTISIETE")})
        EXPECT_NE(out.find(expected), std::string::npos) << expected;
    // The seals wrap: their every character is printed, a line at a time.
    std::string flat;
    for (char c : out)
        if (c != '\n' && c != ' ')
            flat += c;
    EXPECT_NE(flat.find(d.sello.substr(0, 60)), std::string::npos);
    EXPECT_NE(flat.find(d.selloSat.substr(d.selloSat.size() - 40)), std::string::npos);

    // Only sealed: no QR, "Sin timbrar" where the folio fiscal goes.
    const std::string sealedPdf = dir.file("sellada.pdf");
    ASSERT_EQ(shell(quote(cli.string()) + " imprimir " + quote(testDb.location()) + " A 5 --formato " + formato +
                        " --pdf " + quote(sealedPdf),
                    out, dir),
              0)
        << out;
    ASSERT_EQ(shell("pdftoppm -r 150 -png -singlefile " + quote(sealedPdf) + " " + quote(dir.file("sellada")), out, dir), 0);
    if (const char* keep = std::getenv("QUINTALEVA_CFDI_PRINT_OUT"))
        fs::copy_file(dir.file("sellada.png"), fs::path(keep) / "factura-sellada.png",
                      fs::copy_options::overwrite_existing);
    EXPECT_NE(shell("zbarimg --raw -q " + quote(dir.file("sellada.png")), out, dir), 0) << out;
    ASSERT_EQ(shell("pdftotext " + quote(sealedPdf) + " -", out, dir), 0);
    EXPECT_NE(out.find("Sin timbrar"), std::string::npos);
}

TEST_F(CfdiPrintTest, APaymentsReceiptPrintsItsComplementWithAQrTheSatCanRead) {
    const fs::path cli = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "quintaleva-cli";
    if (!fs::exists(cli))
        GTEST_SKIP() << "quintaleva-cli is not built";
    std::string out;
    ASSERT_EQ(shell("command -v pdftoppm && command -v zbarimg && command -v pdftotext", out, dir), 0);
    const std::int32_t a = addArticle("R7", "Resma", "14111507", iva16);
    const std::int32_t id = save(cliente, 7, {line(a, 250, 4)});
    CCfdiSealAndStamp::Request request;
    request.fiscal.metodoPago = "PPD";
    request.password = CfdiKit::password();
    ASSERT_EQ(CCfdiSealAndStamp(*db, *client).Run(id, request, sealingNow()).state, CCfdiStamper::State::Stamped);
    Payment p;
    p.fecha = OleDate::fromDate(2026, 3, 14);
    p.importe = 400;
    ASSERT_EQ(CPaymentStore(*db).Receive(id, p).outcome, CPaymentStore::Outcome::Registered);
    fiscal.notePayment({id, 1}, "03");
    const auto r = CCfdiSealAndStamp(*db, *client).Run({id, 1}, request, sealingNow());
    ASSERT_EQ(r.state, CCfdiStamper::State::Stamped) << r.message;

    const CfdiPrintData d = CfdiPrintData::LoadPayment(*db, id, 1);
    EXPECT_EQ(d.uuid, r.uuid);
    EXPECT_EQ(d.pago.uuidFactura, fiscal.cfdi(id)->uuid);
    EXPECT_EQ(d.pago.numParcialidad, "1");
    EXPECT_EQ(d.pago.monto, "400.00");
    EXPECT_EQ(d.pago.saldoAnterior, "1160.00");
    EXPECT_EQ(d.pago.saldoInsoluto, "760.00");
    EXPECT_EQ(d.pago.formaPago, "03 - Transferencia electrónica de fondos");
    EXPECT_EQ(d.pago.serieFolioFactura, "A 7");
    EXPECT_NE(d.verificacion.find("&tt=0.0&"), std::string::npos) << d.verificacion;
    EXPECT_FALSE(CfdiPrintData::LoadPayment(*db, id, 2).present);

    ASSERT_TRUE(AddMissingDefaultFormats(*db));
    Statement s = db->prepare("SELECT Id_Formato FROM Formatos WHERE Nombre = ?");
    s.bind(1, std::string(kPaymentReceiptFormat));
    ASSERT_TRUE(s.step());
    const std::string pdf = dir.file("recibo.pdf");
    const std::string base = quote(cli.string()) + " imprimir " + quote(testDb.location()) + " A 7 --formato " +
                             std::to_string(s.integer(0)) + " --pdf " + quote(pdf);
    EXPECT_EQ(shell(base + " --pago 2", out, dir), 1) << "a payment without a complement prints no receipt";
    ASSERT_EQ(shell(base + " --pago 1", out, dir), 0) << out;
    ASSERT_EQ(shell("pdftoppm -r 150 -png -singlefile " + quote(pdf) + " " + quote(dir.file("recibo")), out, dir), 0);
    if (const char* keep = std::getenv("QUINTALEVA_CFDI_PRINT_OUT"))
        fs::copy_file(dir.file("recibo.png"), fs::path(keep) / "recibo-de-pago.png", fs::copy_options::overwrite_existing);
    ASSERT_EQ(shell("zbarimg --raw -q " + quote(dir.file("recibo.png")), out, dir), 0) << out;
    EXPECT_EQ(trimmed(out), d.verificacion);
    ASSERT_EQ(shell("pdftotext -layout " + quote(pdf) + " -", out, dir), 0);
    for (const std::string& expected : {std::string("RECIBO DE PAGO"), d.uuid, d.pago.uuidFactura, std::string("1160.00"),
                                        std::string("760.00"), std::string("P - Pago"),
                                        std::string("Este documento es una representación impresa de un CFDI")})
        EXPECT_NE(out.find(expected), std::string::npos) << expected;
    EXPECT_EQ(out.find("Resma"), std::string::npos) << "a receipt shows no invoice lines";
}
