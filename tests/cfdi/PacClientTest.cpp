// The PAC clients against the stand-in PAC on 127.0.0.1, each outcome through both protocols:
// what goes on the wire, what comes back, and what the operator is told.
#include "CfdiKit.h"
#include "StandInPac.h"
#include "cfdi/FinkokClient.h"
#include "cfdi/PacClient.h"
#include "cfdi/StampedCfdi.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "support/ScratchDir.h"

extern char** environ;

// Names the PAC in test listings.
void PrintTo(PacProveedor p, std::ostream* os) { *os << (p == PacProveedor::Finkok ? "Finkok" : "SW"); }

namespace {

const char* const kUser = "pruebas@negocio.mx";
const char* const kPassword = "Cl4ve-Secreta-PAC";

std::string sealedSample() { return CfdiKit::readText(CfdiKit::dir() / "samples/pago20-EKU9003173C9.xml"); }

// A port on 127.0.0.1 with nothing listening: bound, then closed.
int deadPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(fd);
    return ntohs(a.sin_port);
}

class PacClientTest : public ::testing::TestWithParam<PacProveedor> {
protected:
    StandInPac pac{kUser, kPassword};
    const std::string sealed = sealedSample();

    PacConfig config(const std::string& password = kPassword) const {
        PacConfig c;
        c.pac = GetParam();
        c.ambiente = PacAmbiente::Pruebas;
        c.url = pac.url() + "/";
        c.usuario = kUser;
        c.clave = password;
        return c;
    }
    std::unique_ptr<CPacClient> client(const std::string& password = kPassword, long answerMs = 20000) const {
        return CPacClient::Create(config(password), {answerMs < 1000 ? 1000 : 3000, answerMs, 20});
    }
    bool finkok() const { return GetParam() == PacProveedor::Finkok; }
    PacCancelRequest cancelRequest(const std::string& keyPassword = CfdiKit::password()) const {
        return {"04BF2854-FE7D-4377-9196-71248F060ABB", "02", "", "EKU9003173C9", CfdiKit::certificate(),
                CfdiKit::key(), keyPassword};
    }
    // No text the operator reads, and nothing the PAC was told except in the password's own field, holds it.
    static void expectNoPassword(const std::string& text) {
        EXPECT_EQ(text.find(kPassword), std::string::npos) << text;
    }
};

} // namespace

TEST_P(PacClientTest, StampsWithATfdOverTheSentCfdiAndGetsTheEarlierStampBack) {
    auto c = client();
    const PacStamp s = c->Stamp(sealed);
    ASSERT_EQ(s.outcome, PacOutcome::Done) << s.message;
    EXPECT_FALSE(s.earlier);
    // The PAC got the sealed bytes unchanged.
    EXPECT_EQ(pac.lastReceivedCfdi(), sealed);
    std::string error;
    const auto tfd = CStampedCfdi::Read(s.xml, CStampedCfdi::SelloOf(sealed), error);
    ASSERT_TRUE(tfd) << error;
    EXPECT_EQ(s.uuid, tfd->uuid);
    EXPECT_TRUE(CStampedCfdi::IsUuid(s.uuid));
    EXPECT_EQ(s.fechaTimbrado, tfd->fechaTimbrado);
    EXPECT_EQ(s.noCertificadoSat, StandInPac::kNoCertificadoSat);
    EXPECT_EQ(tfd->selloCfd, CStampedCfdi::SelloOf(sealed));
    EXPECT_TRUE(pac.verifySatSeal(CStampedCfdi::Cadena(*tfd), s.selloSat));
    // Everything the CFDI had is still there, the TFD inside its Complemento.
    EXPECT_EQ(CfdiKit::xpath(s.xml, "string(/cfdi:Comprobante/@Total)"), CfdiKit::xpath(sealed, "string(/*/@Total)"));
    EXPECT_EQ(CfdiKit::xpath(s.xml, "count(/cfdi:Comprobante/cfdi:Complemento/*[local-name()='TimbreFiscalDigital'])"), "1");
    EXPECT_NE(s.message.find(s.uuid), std::string::npos);

    const auto requests = pac.requests();
    ASSERT_FALSE(requests.empty());
    if (finkok()) {
        EXPECT_EQ(requests.back().path, "/servicios/soap/stamp.wsdl");
        EXPECT_NE(requests.back().headers.find("text/xml"), std::string::npos);
        // base64, not the XML itself
        EXPECT_EQ(requests.back().body.find("cfdi:Comprobante"), std::string::npos);
    } else {
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[0].path, "/v2/security/authenticate");
        EXPECT_EQ(requests[1].path, "/cfdi33/stamp/v4");
        EXPECT_NE(requests[1].headers.find("Bearer T"), std::string::npos);
        EXPECT_NE(requests[1].body.find("name=\"xml\""), std::string::npos);
        expectNoPassword(requests[1].headers + requests[1].body);
    }

    // Sent again (the answer was lost, say): the PAC answers 307 with the same stamp.
    const PacStamp again = c->Stamp(sealed);
    ASSERT_EQ(again.outcome, PacOutcome::Done) << again.message;
    EXPECT_TRUE(again.earlier);
    EXPECT_EQ(again.uuid, s.uuid);
    EXPECT_EQ(again.xml, s.xml);
    EXPECT_EQ(again.message.rfind("307 — ", 0), 0u) << again.message;
    // The same token served both stamps.
    if (!finkok()) {
        EXPECT_EQ(pac.requests().size(), 3u);
    }

    // 307 without the earlier stamp yet: stamped, but nothing to store; ask again.
    pac.setMode(StandInPac::Mode::EarlierLater);
    const PacStamp later = c->Stamp(sealed);
    EXPECT_EQ(later.outcome, PacOutcome::Unknown);
    EXPECT_EQ(later.code, "307");
    EXPECT_NE(later.message.find("intente de nuevo en unos segundos"), std::string::npos) << later.message;
    if (finkok()) {
        // Finkok is asked again a few times, and the stamp that comes is taken.
        EXPECT_EQ(pac.requests().size(), 2u + 1 + CFinkokClient::kEarlierStampAsks);
        pac.earlierLaterFor(2);
        const PacStamp soon = c->Stamp(sealed);
        EXPECT_EQ(soon.outcome, PacOutcome::Done) << soon.message;
        EXPECT_TRUE(soon.earlier);
        EXPECT_EQ(soon.uuid, s.uuid);
    }
}

TEST_P(PacClientTest, RefusalsCarryTheCodeAndWhatToDo) {
    auto c = client();
    const std::pair<const char*, const char*> refusals[] = {
        {"301", "mal formado"}, {"302", "revise el certificado en Datos fiscales"}, {"305", "vigencia del certificado"},
        {"401", "72 horas"},    {"705", "estructura del XML"}};
    for (const auto& [code, advice] : refusals) {
        pac.setMode(StandInPac::Mode::Refuse, code);
        const PacStamp s = c->Stamp(sealed);
        EXPECT_EQ(s.outcome, PacOutcome::Refused) << code;
        EXPECT_EQ(s.code, code);
        EXPECT_NE(s.message.find(std::string(code) + " — "), std::string::npos) << s.message;
        EXPECT_NE(s.message.find(advice), std::string::npos) << s.message;
        EXPECT_TRUE(s.xml.empty() && s.uuid.empty());
    }
    // 708: the PAC could not reach the SAT, so nobody knows yet.
    pac.setMode(StandInPac::Mode::Refuse, "708");
    EXPECT_EQ(c->Stamp(sealed).outcome, PacOutcome::Unknown);

    // A CFDI that already carries a TFD.
    pac.setMode(StandInPac::Mode::Answer);
    const PacStamp stamped =
        c->Stamp(CfdiKit::readText(CfdiKit::dir() / "samples/ingreso-iva16-descuento-EKU9003173C9.xml"));
    EXPECT_EQ(stamped.outcome, PacOutcome::Refused);
    EXPECT_EQ(stamped.code, "707");

    // A wrong password: said without repeating it, and not a refusal of the CFDI (a pending one
    // must stay pending: the PAC never looked at it).
    const std::string wrong = "Otra-Clave-Incorrecta";
    const PacStamp refused = client(wrong)->Stamp(sealed);
    EXPECT_EQ(refused.outcome, PacOutcome::NotSent);
    EXPECT_NE(refused.message.find("usuario o la contraseña"), std::string::npos) << refused.message;
    EXPECT_EQ(refused.message.find(wrong), std::string::npos);
}

TEST_P(PacClientTest, LostAnswersAreUnknownAndRequestsThatNeverLeftAreNotSent) {
    pac.setMode(StandInPac::Mode::Hang);
    const auto start = std::chrono::steady_clock::now();
    const PacStamp hung = client(kPassword, 400)->Stamp(sealed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(hung.outcome, PacOutcome::Unknown);
    EXPECT_NE(hung.message.find("No se sabe si el PAC timbró"), std::string::npos) << hung.message;

    pac.setMode(StandInPac::Mode::Cut);
    const PacStamp cut = client()->Stamp(sealed);
    EXPECT_EQ(cut.outcome, PacOutcome::Unknown);
    EXPECT_NE(cut.message.find("se cortó"), std::string::npos) << cut.message;

    pac.setMode(StandInPac::Mode::Garbage);
    const PacStamp garbage = client()->Stamp(sealed);
    EXPECT_EQ(garbage.outcome, PacOutcome::Unknown);
    EXPECT_TRUE(garbage.xml.empty());
    EXPECT_EQ(client()->Cancel(cancelRequest()).outcome, PacOutcome::Unknown);
    EXPECT_EQ(client()->SatStatus({"04BF2854-FE7D-4377-9196-71248F060ABB", "EKU9003173C9", "XAXX010101000", "10.0"})
                  .outcome,
              PacOutcome::Unknown);

    PacConfig nobody = config();
    nobody.url = "http://127.0.0.1:" + std::to_string(deadPort());
    const PacStamp refusedConnection = CPacClient::Create(nobody, {3000, 3000})->Stamp(sealed);
    EXPECT_EQ(refusedConnection.outcome, PacOutcome::NotSent);
    EXPECT_NE(refusedConnection.message.find("no llegó al PAC"), std::string::npos) << refusedConnection.message;

    // Plain http goes nowhere but this machine's own names, so a password never crosses a network in
    // clear. Another loopback address stands for another host: were the rule broken, the attempt
    // would still stay on this machine.
    nobody.url = "http://127.0.0.2:" + std::to_string(deadPort());
    const PacStamp insecure = CPacClient::Create(nobody, {3000, 3000})->Stamp(sealed);
    EXPECT_EQ(insecure.outcome, PacOutcome::NotSent);
    EXPECT_NE(insecure.message.find("https"), std::string::npos) << insecure.message;
}

TEST_P(PacClientTest, CancelsAndAsksTheSatStatus) {
    auto c = client();
    pac.knowUuid("04BF2854-FE7D-4377-9196-71248F060ABB");
    const PacCancel done = c->Cancel(cancelRequest());
    EXPECT_EQ(done.outcome, PacOutcome::Done) << done.message;
    EXPECT_EQ(done.code, "201");
    EXPECT_NE(done.acuse.find("04BF2854-FE7D-4377-9196-71248F060ABB"), std::string::npos);
    expectNoPassword(done.message);

    pac.setMode(StandInPac::Mode::Refuse, "205");
    const PacCancel unknown = c->Cancel(cancelRequest());
    EXPECT_EQ(unknown.outcome, PacOutcome::Refused);
    EXPECT_EQ(unknown.code, "205");
    EXPECT_EQ(unknown.message.find("No se canceló: 205 — "), 0u) << unknown.message;

    // The CSD's password is checked here: a wrong one sends nothing.
    const std::size_t sent = pac.requests().size();
    const PacCancel badKey = c->Cancel(cancelRequest("no-es-la-clave"));
    EXPECT_EQ(badKey.outcome, PacOutcome::NotSent);
    EXPECT_NE(badKey.message.find("contraseña de la llave privada"), std::string::npos) << badKey.message;
    EXPECT_EQ(pac.requests().size(), sent);

    pac.setMode(StandInPac::Mode::Answer);
    EXPECT_EQ(c->Cancel(cancelRequest()).code, "202") << "asked before";
    pac.setAfterCancel("Cancelado", "Cancelado sin aceptación");
    const PacSatStatus status = c->SatStatus({"04BF2854-FE7D-4377-9196-71248F060ABB", "EKU9003173C9", "XAXX010101000", "459.36"});
    EXPECT_EQ(status.outcome, PacOutcome::Done) << status.message;
    EXPECT_EQ(status.estado, "Cancelado");
    EXPECT_EQ(status.estatusCancelacion, "Cancelado sin aceptación");
    EXPECT_EQ(status.esCancelable, "Cancelable con aceptación");
    EXPECT_NE(status.message.find("Cancelado"), std::string::npos);
    const std::string asked = pac.requests().back().body;
    EXPECT_NE(asked.find(finkok() ? "<can:total>459.36</can:total>" : "tt=459.36"), std::string::npos) << asked;
}

TEST_P(PacClientTest, TheConnectionTestSaysInSpanishWhatHappened) {
    const PacCheck ok = client()->TestConnection();
    EXPECT_TRUE(ok.ok) << ok.message;
    EXPECT_EQ(ok.message.rfind("Conexión correcta con " + std::string(finkok() ? "Finkok" : "SW") + " (pruebas)", 0), 0u)
        << ok.message;
    // Finkok is asked for a made-up folio, which the SAT does not know.
    if (finkok()) {
        EXPECT_NE(pac.requests().back().body.find("get_sat_status"), std::string::npos);
    } else {
        EXPECT_EQ(pac.requests().back().path, "/v2/security/authenticate");
    }

    const std::string wrong = "mala-" + std::string(kPassword);
    const PacCheck refused = client(wrong)->TestConnection();
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.message.find("usuario o la contraseña"), std::string::npos) << refused.message;
    EXPECT_EQ(refused.message.find(wrong), std::string::npos);

    PacConfig nobody = config();
    nobody.url = "http://127.0.0.1:" + std::to_string(deadPort());
    const PacCheck down = CPacClient::Create(nobody, {3000, 3000})->TestConnection();
    EXPECT_FALSE(down.ok);
    EXPECT_EQ(down.message.rfind("No se pudo usar", 0), 0u) << down.message;
}

INSTANTIATE_TEST_SUITE_P(BothPacs, PacClientTest, ::testing::Values(PacProveedor::Finkok, PacProveedor::Sw),
                         [](const auto& info) { return info.param == PacProveedor::Finkok ? "Finkok" : "Sw"; });

namespace {

// `openssl s_server` on 127.0.0.1 with a self-signed certificate for "localhost", stopped at the end.
class UntrustedTlsServer final {
public:
    explicit UntrustedTlsServer(const ScratchDir& dir) : port(deadPort()) {
        const std::string cert = dir.file("cert.pem"), key = dir.file("key.pem");
        const std::string make = "openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=localhost -days 2 -keyout '" +
                                 key + "' -out '" + cert + "' >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0)
            return;
        const std::string accept = "127.0.0.1:" + std::to_string(port);
        const char* argv[] = {"openssl", "s_server", "-quiet", "-accept", accept.c_str(), "-cert", cert.c_str(),
                              "-key", key.c_str(), "-www", nullptr};
        if (posix_spawnp(&m_pid, "openssl", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
            m_pid = 0;
        // Until it listens.
        for (int i = 0; m_pid && i < 100 && !listening(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~UntrustedTlsServer() {
        if (m_pid) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool listening() const {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(port));
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(fd);
        return ok;
    }
    const int port;

private:
    pid_t m_pid = 0;
};

} // namespace

TEST(HttpTransport, AServerWhoseCertificateTheSystemDoesNotTrustGetsNothing) {
    ScratchDir dir;
    UntrustedTlsServer server(dir);
    ASSERT_TRUE(server.listening()) << "openssl s_server did not start";
    const CHttpTransport http({3000, 3000});
    const auto a = http.Post("https://localhost:" + std::to_string(server.port) + "/servicios/soap/stamp.wsdl",
                             {"Content-Type: text/xml"}, "<x/>");
    EXPECT_EQ(a.outcome, CHttpTransport::Answer::Outcome::NotSent);
    EXPECT_NE(a.error.find("certificado de seguridad"), std::string::npos) << a.error;

    // What the operator reads when testing the connection.
    PacConfig c{PacProveedor::Finkok, PacAmbiente::Pruebas, "https://localhost:" + std::to_string(server.port), "u", "p"};
    const PacCheck check = CPacClient::Create(c, {3000, 3000})->TestConnection();
    EXPECT_FALSE(check.ok);
    EXPECT_NE(check.message.find("certificado de seguridad"), std::string::npos) << check.message;
}
