// The PAC's answers read without a network: codes and their Spanish meaning, the account kept in
// the database, where each environment sends its requests, and the parsers fed a few hundred
// damaged answers (also run under the sanitizers).
#include "CfdiKit.h"
#include "StandInPac.h"
#include "cfdi/Csd.h"
#include "cfdi/FinkokClient.h"
#include "cfdi/FiscalStore.h"
#include "cfdi/FiscalTables.h"
#include "cfdi/PacCodes.h"
#include "cfdi/StampedCfdi.h"
#include "cfdi/SwClient.h"
#include "cfdi/XmlDocument.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <random>

namespace {

std::string sample(const char* name) { return CfdiKit::readText(CfdiKit::dir() / "samples" / name); }

CHttpTransport::Answer answered(long status, std::string body) {
    CHttpTransport::Answer a;
    a.outcome = CHttpTransport::Answer::Outcome::Answered;
    a.status = status;
    a.body = std::move(body);
    return a;
}

// The status and body of a whole HTTP answer.
CHttpTransport::Answer split(const std::string& http) {
    const std::size_t end = http.find("\r\n\r\n");
    return answered(std::stol(http.substr(9, 3)), http.substr(end + 4));
}

std::string mutate(const std::string& seed, std::mt19937& rng) {
    std::string b = seed;
    const auto at = [&] { return b.empty() ? 0 : rng() % b.size(); };
    const char* tokens[] = {"<", ">", "&", "&amp;", "\"", "{", "}", "[", "]", ":", ",", "\\u00", "</", "/>",
                            "<![CDATA[", "&#0;", "\xc3", "\xff", "null", "1e999", "-", "0"};
    switch (rng() % 6) {
    case 0: // a few bytes changed
        for (int k = 0, n = 1 + static_cast<int>(rng() % 8); k < n && !b.empty(); ++k)
            b[at()] = static_cast<char>(rng());
        break;
    case 1: // cut short
        b.resize(at());
        break;
    case 2: // a stretch deleted
        if (!b.empty()) {
            const std::size_t from = at();
            b.erase(from, rng() % 200);
        }
        break;
    case 3: // syntax dropped in
        for (int k = 0, n = 1 + static_cast<int>(rng() % 4); k < n; ++k)
            b.insert(at(), tokens[rng() % std::size(tokens)]);
        break;
    case 4: { // a stretch repeated
        const std::size_t from = at();
        const std::string piece = b.substr(from, rng() % 300);
        b.insert(at(), piece);
        break;
    }
    default: // one element or member name changed
        if (const std::size_t p = b.find(rng() % 2 ? "UUID" : "uuid", at()); p != std::string::npos)
            b.replace(p, 4, "UUlD");
        else
            b.insert(at(), "\"status\":\"success\"");
    }
    return b;
}

StandInPac::Request finkokStamp(const std::string& cfdi, const char* user, const char* password) {
    const std::string b64 = Base64Encode(reinterpret_cast<const unsigned char*>(cfdi.data()), cfdi.size());
    return {"/servicios/soap/stamp.wsdl", "\r\n",
            "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:s=\"http://facturacion.finkok.com/stamp\">"
            "<e:Body><s:stamp><s:xml>" + b64 + "</s:xml><s:username>" + user + "</s:username><s:password>" + password +
            "</s:password></s:stamp></e:Body></e:Envelope>"};
}

} // namespace

TEST(PacCodes, EveryCodeThePacsUseHasItsOwnAdviceAndCodesAreFoundInMessages) {
    for (const char* code : {"300", "301", "302", "303", "304", "305", "306", "307", "308", "401", "402", "705", "707",
                             "708", "201", "202", "203", "205", "207"}) {
        const std::string text = PacCodes::Text(code, "palabras del PAC");
        EXPECT_EQ(text.rfind(std::string(code) + " — ", 0), 0u) << text;
        EXPECT_EQ(text.find("palabras del PAC"), std::string::npos) << code << " has no meaning of its own";
    }
    EXPECT_EQ(PacCodes::Text("302"), "302 — el sello no es válido: revise el certificado en Datos fiscales");
    EXPECT_EQ(PacCodes::Text("999", "Algo raro"), "999 — el PAC dice: «Algo raro»");
    EXPECT_EQ(PacCodes::Text("", ""), "el PAC no explicó el motivo");

    EXPECT_EQ(PacCodes::CodeOf("307. El comprobante contiene un timbre previo."), "307");
    EXPECT_EQ(PacCodes::CodeOf("  302 - Sello mal formado"), "302");
    EXPECT_EQ(PacCodes::CodeOf("CA205 - UUID no encontrado"), "205");
    EXPECT_EQ(PacCodes::CodeOf("CFDI40102 - El resultado de la digestión"), "CFDI40102");
    EXPECT_EQ(PacCodes::CodeOf("CRP20218 ImpSaldoInsoluto"), "CRP20218");
    EXPECT_EQ(PacCodes::CodeOf("AU4101 - usuario"), "");
    EXPECT_EQ(PacCodes::CodeOf("302abc"), "");
    EXPECT_EQ(PacCodes::CodeOf("12 pesos"), "");
    EXPECT_EQ(PacCodes::CodeOf("Error interno"), "");
    EXPECT_EQ(PacCodes::CodeOf("CA"), "");
}

TEST(PacConfig, EachEnvironmentGoesToItsHostAndAGivenUrlReplacesIt) {
    PacConfig c;
    EXPECT_EQ(CPacClient::Create(c), nullptr);
    c.pac = PacProveedor::Finkok;
    EXPECT_EQ(CPacClient::BaseUrl(c), "https://demo-facturacion.finkok.com");
    c.ambiente = PacAmbiente::Produccion;
    EXPECT_EQ(CPacClient::BaseUrl(c), "https://facturacion.finkok.com");
    EXPECT_EQ(CPacClient::Describe(c), "Finkok (producción)");
    c.pac = PacProveedor::Sw;
    EXPECT_EQ(CPacClient::BaseUrl(c), "https://services.sw.com.mx");
    c.ambiente = PacAmbiente::Pruebas;
    EXPECT_EQ(CPacClient::BaseUrl(c), "https://services.test.sw.com.mx");
    c.url = "http://127.0.0.1:8123//";
    EXPECT_EQ(CPacClient::BaseUrl(c), "http://127.0.0.1:8123");
    EXPECT_NE(dynamic_cast<CSwClient*>(CPacClient::Create(c).get()), nullptr);

    EXPECT_TRUE(CHttpTransport::Allowed("https://facturacion.finkok.com/servicios/soap/stamp.wsdl"));
    EXPECT_TRUE(CHttpTransport::Allowed("http://127.0.0.1:9/x"));
    EXPECT_TRUE(CHttpTransport::Allowed("HTTP://localhost/x"));
    EXPECT_TRUE(CHttpTransport::Allowed("http://[::1]:80/x"));
    EXPECT_FALSE(CHttpTransport::Allowed("http://services.sw.com.mx/x"));
    EXPECT_FALSE(CHttpTransport::Allowed("http://127.0.0.1.example.com/x"));
    EXPECT_FALSE(CHttpTransport::Allowed("http://127.0.0.1@example.com/x"));
    EXPECT_FALSE(CHttpTransport::Allowed("ftp://127.0.0.1/x"));
    EXPECT_FALSE(CHttpTransport::Allowed("file:///etc/passwd"));
}

TEST(PacConfig, TheAccountIsKeptInTheFiscalDataAndAnOlderFileGetsItsTable) {
    TestDatabase testDb;
    {
        auto db = testDb.create();
        CFiscalStore store(*db);
        EXPECT_EQ(store.pac().pac, PacProveedor::Ninguno);
        store.saveEmisor({"EKU9003173C9", "ESCUELA KEMPER URGATE", "601", "26015", {}, {}});
        // A file from before the PAC's table.
        db->execute("DROP TABLE DatosPac");
    }
    auto db = testDb.open();
    CFiscalStore store(*db);
    EXPECT_TRUE(db->hasTable("DatosPac"));
    EXPECT_EQ(store.emisor().rfc, "EKU9003173C9");
    PacConfig c{PacProveedor::Sw, PacAmbiente::Produccion, "https://proxy.negocio.mx", "factura@negocio.mx", "O'Clave\"1"};
    store.savePac(c);
    c.pac = PacProveedor::Finkok;
    c.ambiente = PacAmbiente::Pruebas;
    c.url.clear();
    store.savePac(c);
    const PacConfig read = store.pac();
    EXPECT_EQ(read.pac, PacProveedor::Finkok);
    EXPECT_EQ(read.ambiente, PacAmbiente::Pruebas);
    EXPECT_EQ(read.url, "");
    EXPECT_EQ(read.usuario, "factura@negocio.mx");
    EXPECT_EQ(read.clave, "O'Clave\"1");
    const auto names = FiscalTables::names();
    EXPECT_NE(std::find(names.begin(), names.end(), "DatosPac"), names.end());
}

TEST(StampedCfdi, ReadsTheTfdOfAStampedFileAndRefusesOneThatSealsAnotherCfdi) {
    const std::string stamped = sample("ingreso-iva16-descuento-EKU9003173C9.xml");
    const std::string sello = CStampedCfdi::SelloOf(stamped);
    ASSERT_FALSE(sello.empty());
    std::string error;
    const auto tfd = CStampedCfdi::Read(stamped, sello, error);
    ASSERT_TRUE(tfd) << error;
    EXPECT_TRUE(CStampedCfdi::IsUuid(tfd->uuid));
    EXPECT_EQ(tfd->selloCfd, sello);
    const std::string cadena = CStampedCfdi::Cadena(*tfd);
    EXPECT_EQ(cadena.rfind("||1.1|" + tfd->uuid + "|" + tfd->fechaTimbrado + "|", 0), 0u);
    EXPECT_NE(cadena.find("|" + sello + "|" + tfd->noCertificadoSat + "||"), std::string::npos);

    EXPECT_FALSE(CStampedCfdi::Read(stamped, sello.substr(1), error));
    EXPECT_NE(error.find("no corresponde"), std::string::npos);
    EXPECT_FALSE(CStampedCfdi::Read(sample("pago20-EKU9003173C9.xml"), sello, error));
    EXPECT_NE(error.find("no trae el timbre"), std::string::npos);
    std::string badUuid = stamped;
    badUuid.replace(badUuid.find(tfd->uuid), 36, "not-a-uuid");
    EXPECT_FALSE(CStampedCfdi::Read(badUuid, sello, error));
    EXPECT_FALSE(CStampedCfdi::IsUuid("04BF2854-FE7D-4377-9196-71248F060AB"));
    EXPECT_FALSE(CStampedCfdi::IsUuid("04BF2854-FE7D-4377-9196_71248F060ABB"));
    EXPECT_TRUE(CStampedCfdi::IsFechaTimbrado("2026-12-08T05:30:00"));
    EXPECT_FALSE(CStampedCfdi::IsFechaTimbrado("2026-12-08 05:30:00"));
}

TEST(PacAnswers, DamagedAnswersNeverCrashAndNeverPassForAStamp) {
    const std::string sealed = sample("pago20-EKU9003173C9.xml");
    const std::string sello = CStampedCfdi::SelloOf(sealed);
    const char* user = "u";
    const char* password = "p";
    // Seeds: real answers of the stand-in, each kind once.
    StandInPac finkok(user, password), sw(user, password);
    const std::string fresh = finkok.answer(finkokStamp(sealed, user, password));
    const std::string earlier = finkok.answer(finkokStamp(sealed, user, password));
    finkok.setMode(StandInPac::Mode::Refuse, "302");
    const std::string refused = finkok.answer(finkokStamp(sealed, user, password));
    const std::string token = split(sw.answer({"/v2/security/authenticate", "\r\n",
                                               std::string("{\"user\":\"u\",\"password\":\"p\"}")})).body;
    const std::string bearer = "\r\nAuthorization: Bearer T1\r\nContent-Type: multipart/form-data; boundary=B\r\n";
    const StandInPac::Request swStamp{"/cfdi33/stamp/v4", bearer,
                                      "--B\r\nContent-Disposition: form-data; name=\"xml\"; filename=\"c.xml\"\r\n"
                                      "Content-Type: text/xml\r\n\r\n" + sealed + "\r\n--B--\r\n"};
    const std::string swFresh = sw.answer(swStamp);
    const std::string swEarlier = sw.answer(swStamp);
    ASSERT_NE(token.find("T1"), std::string::npos);
    ASSERT_EQ(CFinkokClient::ParseStamp(sealed, split(fresh)).outcome, PacOutcome::Done);
    ASSERT_TRUE(CSwClient::ParseStamp(sealed, split(swEarlier)).earlier);

    const std::string cancel =
        "<e:Envelope xmlns:e=\"x\"><e:Body><r:cancelResponse xmlns:r=\"y\"><r:cancelResult><Folios><Folio><EstatusUUID>"
        "201</EstatusUUID><UUID>A</UUID><EstatusCancelacion>En proceso</EstatusCancelacion></Folio></Folios><Acuse>"
        "&lt;Acuse/&gt;</Acuse></r:cancelResult></r:cancelResponse></e:Body></e:Envelope>";
    const std::string swCancel = R"({"data":{"acuse":"<Acuse/>","uuid":{"A":"201"}},"status":"success"})";
    const std::string status =
        "<e:Envelope xmlns:e=\"x\"><e:Body><get_sat_statusResult><sat><CodigoEstatus>S</CodigoEstatus><Estado>Vigente"
        "</Estado><EsCancelable>Cancelable sin aceptación</EsCancelable></sat></get_sat_statusResult></e:Body></e:Envelope>";

    const auto checkStamp = [&](const PacStamp& s) {
        EXPECT_FALSE(s.message.empty());
        if (s.outcome != PacOutcome::Done) {
            EXPECT_TRUE(s.uuid.empty());
            return;
        }
        std::string error;
        const auto tfd = CStampedCfdi::Read(s.xml, sello, error);
        ASSERT_TRUE(tfd) << "a damaged answer passed for a stamp: " << error;
        EXPECT_EQ(tfd->uuid, s.uuid);
    };
    std::mt19937 rng(20261208);
    int runs = 0, done = 0;
    for (int i = 0; i < 80; ++i) {
        const long code = i % 5 == 0 ? 500 : i % 7 == 0 ? 400 : 200;
        for (const std::string* seed : {&fresh, &earlier, &refused}) {
            const PacStamp s = CFinkokClient::ParseStamp(sealed, answered(code, mutate(split(*seed).body, rng)));
            checkStamp(s);
            done += s.outcome == PacOutcome::Done;
        }
        for (const std::string* seed : {&swFresh, &swEarlier}) {
            const PacStamp s = CSwClient::ParseStamp(sealed, answered(code, mutate(split(*seed).body, rng)));
            checkStamp(s);
            done += s.outcome == PacOutcome::Done;
        }
        PacOutcome out = CFinkokClient::ParseCancel("A", answered(code, mutate(cancel, rng))).outcome;
        EXPECT_TRUE(out != PacOutcome::NotSent);
        const PacCancel c = CSwClient::ParseCancel("A", answered(code, mutate(swCancel, rng)));
        EXPECT_TRUE(c.outcome != PacOutcome::Done || c.code == "201" || c.code == "202") << c.code;
        const PacSatStatus st = CFinkokClient::ParseSatStatus(answered(code, mutate(status, rng)));
        EXPECT_TRUE(st.outcome != PacOutcome::Done || !st.estado.empty());
        CSwClient::ParseSatStatus(answered(code, mutate(status, rng)));
        PacOutcome tokenOutcome;
        std::string message;
        CSwClient::ParseToken(answered(code, mutate(token, rng)), tokenOutcome, message);
        runs += 10;
    }
    EXPECT_EQ(runs, 800);
    // Many damaged copies still hold an intact stamp (a changed byte in the envelope).
    EXPECT_GT(done, 0);
}

// Faults the mutation run (tests/sanitize/pac_answers_mutation.cpp) found, one case each.
namespace {

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// Opens CPacClient's scrubbing to the test.
struct ScrubProbe final : CPacClient {
    using CPacClient::Scrub;
    PacStamp Stamp(const std::string&) override { return {}; }
    PacCancel Cancel(const PacCancelRequest&) override { return {}; }
    PacSatStatus SatStatus(const PacStatusRequest&) override { return {}; }
    PacCheck TestConnection() override { return {}; }
};

} // namespace

TEST(PacAnswersFound, AnAnswerThatCarriesAStampIsNeverARefusalWhateverItsCode) {
    const std::string sealed = sample("pago20-EKU9003173C9.xml");
    StandInPac finkok("u", "p"), sw("u", "p");
    finkok.answer(finkokStamp(sealed, "u", "p"));
    const std::string earlier = split(finkok.answer(finkokStamp(sealed, "u", "p"))).body;
    ASSERT_NE(earlier.find("<s0:CodigoError>307<"), std::string::npos);

    // The earlier stamp with another code: the stamp seals what was sent, so it is stamped...
    const std::string code302 = replaced(earlier, "<s0:CodigoError>307<", "<s0:CodigoError>302<");
    const PacStamp taken = CFinkokClient::ParseStamp(sealed, answered(200, code302));
    EXPECT_EQ(taken.outcome, PacOutcome::Done) << taken.message;
    EXPECT_FALSE(taken.earlier);
    // ...and with its TFD damaged nobody knows: before, a refusal, and the CFDI sealed again.
    const std::string damaged = replaced(code302, "Version=&quot;1.1&quot; UUID", "Version=&quot;1.0&quot; UUID");
    const PacStamp unknown = CFinkokClient::ParseStamp(sealed, answered(200, damaged));
    EXPECT_EQ(unknown.outcome, PacOutcome::Unknown) << unknown.message;
    EXPECT_FALSE(unknown.earlier);
    EXPECT_TRUE(unknown.xml.empty() && unknown.uuid.empty());
    // A folio fiscal without its stamp, beside a refusal's code.
    const std::size_t from = damaged.find("<s0:xml>"), to = damaged.find("</s0:xml>") + 9;
    std::string folioOnly = damaged;
    folioOnly.erase(from, to - from);
    EXPECT_EQ(CFinkokClient::ParseStamp(sealed, answered(200, folioOnly)).outcome, PacOutcome::Unknown);
    // A CodigoError that is not a code refuses nothing.
    finkok.setMode(StandInPac::Mode::Refuse, "302");
    const std::string refused = split(finkok.answer(finkokStamp(sealed, "u", "p"))).body;
    EXPECT_EQ(CFinkokClient::ParseStamp(sealed, answered(200, refused)).outcome, PacOutcome::Refused);
    const PacStamp notACode = CFinkokClient::ParseStamp(
        sealed, answered(200, replaced(refused, "<s0:CodigoError>302<", "<s0:CodigoError>Error 3O2<")));
    EXPECT_EQ(notACode.outcome, PacOutcome::Unknown) << notACode.message;

    // SW: a 307's earlier stamp under another code.
    const std::string token = split(sw.answer({"/v2/security/authenticate", "\r\n", "{\"user\":\"u\",\"password\":\"p\"}"})).body;
    const StandInPac::Request stamp{"/cfdi33/stamp/v4",
                                    "\r\nAuthorization: Bearer T1\r\nContent-Type: multipart/form-data; boundary=B\r\n",
                                    "--B\r\nContent-Disposition: form-data; name=\"xml\"; filename=\"c.xml\"\r\n"
                                    "Content-Type: text/xml\r\n\r\n" + sealed + "\r\n--B--\r\n"};
    ASSERT_NE(token.find("T1"), std::string::npos);
    sw.answer(stamp);
    const std::string swEarlier = split(sw.answer(stamp)).body;
    const std::string sw705 = replaced(swEarlier, "\"307.", "\"705.");
    EXPECT_EQ(CSwClient::ParseStamp(sealed, answered(400, sw705)).outcome, PacOutcome::Done);
    const PacStamp swUnknown =
        CSwClient::ParseStamp(sealed, answered(400, replaced(sw705, "Version=\\\"1.1\\\" UUID", "Version=\\\"1.0\\\" UUID")));
    EXPECT_EQ(swUnknown.outcome, PacOutcome::Unknown) << swUnknown.message;
}

TEST(PacAnswersFound, ACancellationIsDoneOnlyForOurFolioFiscal) {
    const std::string ours = "04BF2854-FE7D-4377-9196-71248F060ABB";
    const auto finkok = [](const std::string& uuid) {
        return "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\"><e:Body><r:cancelResponse "
               "xmlns:r=\"http://facturacion.finkok.com/cancel\"><r:cancelResult><Folios><Folio><EstatusUUID>201"
               "</EstatusUUID><UUID>" + uuid + "</UUID><EstatusCancelacion>En proceso</EstatusCancelacion></Folio>"
               "</Folios><Acuse>&lt;Acuse/&gt;</Acuse></r:cancelResult></r:cancelResponse></e:Body></e:Envelope>";
    };
    const auto sw = [](const std::string& uuid) {
        return R"({"data":{"acuse":"<Acuse/>","uuid":{")" + uuid + R"(":"201"}},"status":"success"})";
    };
    const std::string other = "11111111-2222-4333-8444-555555555555";
    std::string lower = ours;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(CFinkokClient::ParseCancel(ours, answered(200, finkok(ours))).outcome, PacOutcome::Done);
    EXPECT_EQ(CFinkokClient::ParseCancel(ours, answered(200, finkok(lower))).outcome, PacOutcome::Done);
    const PacCancel finkokOther = CFinkokClient::ParseCancel(ours, answered(200, finkok(other)));
    EXPECT_EQ(finkokOther.outcome, PacOutcome::Unknown);
    EXPECT_NE(finkokOther.message.find("otro folio fiscal"), std::string::npos) << finkokOther.message;
    EXPECT_EQ(CSwClient::ParseCancel(ours, answered(200, sw(ours))).outcome, PacOutcome::Done);
    EXPECT_EQ(CSwClient::ParseCancel(ours, answered(200, sw(lower))).outcome, PacOutcome::Done);
    EXPECT_EQ(CSwClient::ParseCancel(ours, answered(200, sw(other))).outcome, PacOutcome::Unknown);
}

TEST(PacAnswersFound, OneTfdInTheComprobantesComplementoAndNoDoctypeIsRead) {
    const std::string sealed = sample("pago20-EKU9003173C9.xml");
    const std::string sello = CStampedCfdi::SelloOf(sealed);
    StandInPac pac("u", "p");
    CXmlDocument answer(split(pac.answer(finkokStamp(sealed, "u", "p"))).body);
    const std::string stamped = answer.textOf("xml");
    std::string error;
    ASSERT_TRUE(CStampedCfdi::Read(stamped, sello, error)) << error;
    const std::size_t begin = stamped.find("<tfd:TimbreFiscalDigital"), end = stamped.find("/>", begin) + 2;
    const std::string tfd = stamped.substr(begin, end - begin);

    // A second Complemento with its own TFD; the TFD in the Addenda instead.
    std::string two = stamped;
    two.insert(two.rfind("</cfdi:Comprobante>"), "<cfdi:Complemento>" + tfd + "</cfdi:Complemento>");
    EXPECT_FALSE(CStampedCfdi::Read(two, sello, error));
    std::string moved = stamped;
    moved.erase(begin, end - begin);
    moved.insert(moved.rfind("</cfdi:Comprobante>"), "<cfdi:Addenda>" + tfd + "</cfdi:Addenda>");
    EXPECT_FALSE(CStampedCfdi::Read(moved, sello, error));

    // The TFD's SelloCFD spelled through an entity: not read at all, nor an entity anywhere.
    std::string entity = stamped;
    entity.replace(entity.find("SelloCFD=\"") + 10, sello.size(), "&s;");
    entity.insert(entity.find("?>") + 2, "<!DOCTYPE cfdi:Comprobante [<!ENTITY s \"" + sello + "\">]>");
    EXPECT_FALSE(CStampedCfdi::Read(entity, sello, error));
    EXPECT_FALSE(CXmlDocument("<!DOCTYPE r [<!ENTITY m \"expandida\">]><r>&m;</r>").ok());
    EXPECT_FALSE(CXmlDocument("<!DOCTYPE r SYSTEM \"http://127.0.0.1:9/dtd\"><r>1</r>").ok());
    EXPECT_TRUE(CXmlDocument("<r>1</r>").ok());
}

TEST(PacAnswersFound, EveryTextOfAResultButItsDocumentsLosesThePassword) {
    const std::string password = "Clave-Secreta-9";
    PacSatStatus status{PacOutcome::Done, "S " + password, "Vigente " + password, "Cancelable " + password,
                        "En proceso " + password, "El SAT dice " + password};
    ScrubProbe::Scrub(status, password);
    for (const std::string* t : {&status.codigoEstatus, &status.estado, &status.esCancelable, &status.estatusCancelacion,
                                 &status.message})
        EXPECT_EQ(t->find(password), std::string::npos) << *t;
    PacCancel cancel{PacOutcome::Refused, "205" + password, password, "<Acuse>" + password + "</Acuse>", password, password};
    ScrubProbe::Scrub(cancel, password);
    EXPECT_EQ((cancel.code + cancel.estatusCancelacion + cancel.pacMessage + cancel.message).find(password),
              std::string::npos);
    EXPECT_NE(cancel.acuse.find(password), std::string::npos) << "the SAT's receipt is kept as it came";
    PacStamp stamp;
    stamp.xml = "<cfdi:Comprobante Nombre=\"" + password + "\"/>";
    stamp.code = stamp.pacMessage = stamp.message = stamp.uuid = password;
    ScrubProbe::Scrub(stamp, password);
    EXPECT_EQ((stamp.code + stamp.pacMessage + stamp.message + stamp.uuid).find(password), std::string::npos);
    EXPECT_NE(stamp.xml.find(password), std::string::npos) << "the stamped CFDI is kept as the PAC gave it";
}
