#include "StandInPac.h"
#include "PaymentChecks.h"

#include "cfdi/Csd.h"
#include "cfdi/StampedCfdi.h"
#include "cfdi/XmlDocument.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>
#include <stdexcept>

using json = nlohmann::json;

namespace {

std::string decode64(const std::string& text) {
    std::string in;
    for (char c : text)
        if (c != '\n' && c != '\r' && c != ' ')
            in += c;
    std::string out(in.size(), '\0');
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                  reinterpret_cast<const unsigned char*>(in.data()), static_cast<int>(in.size()));
    if (n < 0)
        return {};
    out.resize(static_cast<std::size_t>(n));
    for (auto it = in.rbegin(); it != in.rend() && *it == '=' && !out.empty(); ++it)
        out.pop_back();
    return out;
}

std::string http(int status, const std::string& type, const std::string& body) {
    const char* reason = status == 200 ? "OK" : status == 401 ? "Unauthorized" : "Bad Request";
    return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string soap(const std::string& ns, const std::string& content) {
    return "<?xml version='1.0' encoding='UTF-8'?><senv:Envelope xmlns:senv=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:tns=\"" + ns + "\" xmlns:s0=\"apps.services.soap.core.views\"><senv:Body>" + content +
           "</senv:Body></senv:Envelope>";
}

std::string incidencia(const std::string& code, const std::string& text) {
    return "<s0:Incidencias><s0:Incidencia><s0:IdIncidencia>1</s0:IdIncidencia><s0:CodigoError>" + code +
           "</s0:CodigoError><s0:MensajeIncidencia>" + text + "</s0:MensajeIncidencia><s0:ExtraInfo/>"
           "</s0:Incidencia></s0:Incidencias>";
}

std::string now() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
    return buf;
}

std::string header(const std::string& headers, const std::string& name) {
    std::string lower;
    for (char c : headers)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string key = "\r\n" + name + ":";
    for (char& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t at = lower.find(key);
    if (at == std::string::npos)
        return {};
    const std::size_t start = headers.find_first_not_of(' ', at + key.size());
    return headers.substr(start, headers.find("\r\n", start) - start);
}

// The part named "xml" of a multipart/form-data body.
std::string formPart(const std::string& headers, const std::string& body) {
    const std::string type = header(headers, "Content-Type");
    const std::size_t b = type.find("boundary=");
    if (b == std::string::npos)
        return {};
    const std::string boundary = "--" + type.substr(b + 9);
    const std::size_t named = body.find("name=\"xml\"");
    const std::size_t start = named == std::string::npos ? named : body.find("\r\n\r\n", named);
    if (start == std::string::npos)
        return {};
    const std::size_t end = body.find("\r\n" + boundary, start + 4);
    return end == std::string::npos ? std::string() : body.substr(start + 4, end - start - 4);
}

const char* message(const std::string& code) {
    if (code == "301") return "XML mal formado";
    if (code == "302") return "Sello mal formado o inválido";
    if (code == "305") return "La fecha de emisión no está dentro de la vigencia del CSD del Emisor";
    if (code == "401") return "Fecha y hora de generación fuera de rango";
    if (code == "705") return "XML estructura inválida";
    if (code == "707") return "El XML ya contiene un nodo TimbreFiscalDigital";
    if (code == "708") return "No se pudo conectar al SAT";
    if (code == "205") return "UUID No encontrado";
    if (code == "207") return "Motivo de cancelación no válido";
    return "Error";
}

} // namespace

StandInPac::StandInPac(std::string user, std::string password)
    : m_user(std::move(user)), m_password(std::move(password)) {
    // One key for the whole run: making a 2048-bit key is slow under the sanitizers.
    static EVP_PKEY* const key = EVP_RSA_gen(2048);
    m_key = key;
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (!m_key || m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(m_listen, 8) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &size) != 0 ||
        ::pipe(m_stop) != 0)
        throw std::runtime_error("the stand-in PAC cannot listen on 127.0.0.1");
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { serve(); });
}

StandInPac::~StandInPac() {
    const char stop = 's';
    if (::write(m_stop[1], &stop, 1) != 1)
        std::perror("stand-in PAC");
    m_thread.join();
    ::close(m_listen);
    ::close(m_stop[0]);
    ::close(m_stop[1]);
}

std::string StandInPac::url() const { return "http://127.0.0.1:" + std::to_string(m_port); }

void StandInPac::setMode(Mode mode, std::string code) {
    std::lock_guard lock(m_mutex);
    m_mode = mode;
    m_code = std::move(code);
    m_earlierLaterLeft = -1;
}

void StandInPac::earlierLaterFor(int requests) {
    std::lock_guard lock(m_mutex);
    m_earlierLaterLeft = requests;
}

void StandInPac::setEstado(std::string estado) {
    std::lock_guard lock(m_mutex);
    m_estado = std::move(estado);
}

void StandInPac::setClock(std::string fecha) {
    std::lock_guard lock(m_mutex);
    m_clock = std::move(fecha);
}

void StandInPac::setKey(evp_pkey_st* key) {
    std::lock_guard lock(m_mutex);
    m_key = key;
}

std::string StandInPac::clock() {
    std::lock_guard lock(m_mutex);
    return m_clock.empty() ? now() : m_clock;
}

void StandInPac::script(const std::string& path, std::string http, bool cut) {
    std::lock_guard lock(m_mutex);
    m_scripts[path].emplace_back(std::move(http), cut);
}

void StandInPac::forget() {
    std::lock_guard lock(m_mutex);
    m_requests.clear();
    m_scripts.clear();
}

std::vector<StandInPac::Request> StandInPac::requests() {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::vector<std::string> StandInPac::refusals() {
    std::lock_guard lock(m_mutex);
    return m_refusals;
}

std::string StandInPac::lastReceivedCfdi() {
    std::lock_guard lock(m_mutex);
    return m_lastCfdi;
}

void StandInPac::serve() {
    for (;;) {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || fds[1].revents)
            return;
        const int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd >= 0) {
            handle(fd);
            ::close(fd);
        }
    }
}

void StandInPac::handle(int fd) {
    std::string data;
    std::size_t headerEnd = std::string::npos, length = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (headerEnd == std::string::npos || data.size() < headerEnd + 4 + length) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
        if (std::chrono::steady_clock::now() > deadline || ::poll(fds, 2, 1000) < 0 || fds[1].revents)
            return;
        if (!fds[0].revents)
            continue;
        char buf[8192];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return;
        data.append(buf, static_cast<std::size_t>(n));
        if (headerEnd == std::string::npos && (headerEnd = data.find("\r\n\r\n")) != std::string::npos) {
            const std::string l = header(data.substr(0, headerEnd + 2), "Content-Length");
            length = l.empty() ? 0 : std::stoul(l);
        }
    }
    Request r;
    const std::size_t sp = data.find(' ');
    r.path = data.substr(sp + 1, data.find(' ', sp + 1) - sp - 1);
    r.headers = data.substr(data.find("\r\n"), headerEnd - data.find("\r\n") + 2);
    r.body = data.substr(headerEnd + 4, length);
    bool hang = false, cut = false;
    // Our own work from here until the answer is sent, whichever way this returns.
    struct Timed {
        std::atomic<std::int64_t>& total;
        const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
        ~Timed() { total += (std::chrono::steady_clock::now() - start) / std::chrono::nanoseconds(1); }
    } timed{m_handlingNs};
    const std::string answer = respond(r, hang, cut);
    if (hang) {
        // Until the client gives up and closes, or the test ends.
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
        ::poll(fds, 2, -1);
        return;
    }
    if (cut) {
        const linger reset{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        return;
    }
    for (std::size_t sent = 0; sent < answer.size();) {
        const ssize_t n = ::send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
}

std::string StandInPac::respond(const Request& r, bool& hang, bool& cut) {
    Mode mode;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(r);
        mode = m_mode;
        if (auto it = m_scripts.find(r.path); it != m_scripts.end() && !it->second.empty()) {
            auto [http, drop] = std::move(it->second.front());
            it->second.erase(it->second.begin());
            cut = drop;
            return http;
        }
    }
    // Authenticating is not what the tests make fail.
    if (r.path != "/v2/security/authenticate") {
        if (mode == Mode::Hang) {
            hang = true;
            return {};
        }
        if (mode == Mode::Cut) {
            cut = true;
            return {};
        }
        if (mode == Mode::Garbage) {
            std::mt19937 rng(static_cast<unsigned>(r.body.size()));
            std::string junk(200 + rng() % 400, '\0');
            for (char& c : junk)
                c = static_cast<char>(rng());
            return http(200, "text/xml", junk);
        }
    }
    std::string answer = r.path == "/servicios/soap/stamp.wsdl" || r.path == "/servicios/soap/cancel.wsdl" ? finkok(r)
                         : r.path == "/ConsultaCFDIService.svc"                                          ? satStatus(r)
                                                                                                         : sw(r);
    if (mode == Mode::StampThenCut && r.path != "/v2/security/authenticate") {
        cut = true;
        return {};
    }
    return answer;
}

std::size_t StandInPac::stampedCount() {
    std::lock_guard lock(m_mutex);
    return m_stamped.size();
}

std::string StandInPac::answer(const Request& r) {
    bool hang = false, cut = false;
    return respond(r, hang, cut);
}

std::string StandInPac::stamp(const std::string& cfdi, bool& earlier, std::string& refusal) {
    const std::string sello = CStampedCfdi::SelloOf(cfdi);
    // A payment is checked as a PAC checks it, before anything is kept.
    const bool payment = cfdi.find("TipoDeComprobante=\"P\"") != std::string::npos;
    const std::string problem = payment ? PaymentProblems(cfdi) : std::string();
    std::lock_guard lock(m_mutex);
    m_lastCfdi = cfdi;
    if (sello.empty())
        return {};
    if (!problem.empty()) {
        refusal = problem;
        m_refusals.push_back(problem);
        return {};
    }
    if (const auto it = m_stamped.find(sello); it != m_stamped.end()) {
        earlier = true;
        return it->second;
    }
    char uuid[40];
    std::mt19937 rng(++m_serial * 7919u);
    const auto part = [&rng](unsigned mask) { return static_cast<unsigned>(rng()) & mask; };
    std::snprintf(uuid, sizeof uuid, "%08X-%04X-4%03X-8%03X-%04X%08X", part(0xFFFFFFFF), part(0xFFFF), part(0xFFF),
                  part(0xFFF), part(0xFFFF), part(0xFFFFFFFF));
    CStampedCfdi::Tfd t{uuid, m_clock.empty() ? now() : m_clock, kRfcProvCertif, "", sello, kNoCertificadoSat, ""};
    const std::string cadena = CStampedCfdi::Cadena(t);
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    std::vector<unsigned char> sig(static_cast<std::size_t>(EVP_PKEY_get_size(m_key)));
    std::size_t size = sig.size();
    EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, m_key);
    EVP_DigestSign(ctx.get(), sig.data(), &size, reinterpret_cast<const unsigned char*>(cadena.data()), cadena.size());
    t.selloSat = Base64Encode(sig.data(), size);
    const std::string tfd =
        "<tfd:TimbreFiscalDigital xmlns:tfd=\"http://www.sat.gob.mx/TimbreFiscalDigital\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:schemaLocation=\"http://www.sat.gob.mx/"
        "TimbreFiscalDigital http://www.sat.gob.mx/sitio_internet/cfd/TimbreFiscalDigital/TimbreFiscalDigitalv11.xsd\" "
        "Version=\"1.1\" UUID=\"" + t.uuid + "\" FechaTimbrado=\"" + t.fechaTimbrado + "\" RfcProvCertif=\"" +
        t.rfcProvCertif + "\" SelloCFD=\"" + t.selloCfd + "\" NoCertificadoSAT=\"" + t.noCertificadoSat +
        "\" SelloSAT=\"" + t.selloSat + "\"/>";
    std::string stamped = cfdi;
    if (const std::size_t at = stamped.rfind("</cfdi:Complemento>"); at != std::string::npos)
        stamped.insert(at, tfd);
    else if (const std::size_t end = stamped.rfind("</cfdi:Comprobante>"); end != std::string::npos)
        stamped.insert(end, "<cfdi:Complemento>" + tfd + "</cfdi:Complemento>");
    else
        return {};
    m_stamped[sello] = stamped;
    return stamped;
}

bool StandInPac::verifySatSeal(const std::string& cadena, const std::string& selloSat) const {
    const std::string sig = decode64(selloSat);
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    return !sig.empty() && EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha256(), nullptr, m_key) == 1 &&
           EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(sig.data()), sig.size(),
                            reinterpret_cast<const unsigned char*>(cadena.data()), cadena.size()) == 1;
}

std::string StandInPac::finkok(const Request& r) {
    CXmlDocument doc(r.body);
    const auto* body = doc.find("Body");
    const auto* op = body ? doc.find("stamp", body) : nullptr;
    const std::string user = doc.textOf("username"), password = doc.textOf("password");
    const bool account = user == m_user && password == m_password;
    Mode mode;
    std::string code, estado;
    {
        std::lock_guard lock(m_mutex);
        mode = m_mode;
        code = m_code;
        estado = m_estado;
        if (mode == Mode::EarlierLater && m_earlierLaterLeft >= 0 && m_earlierLaterLeft-- == 0) {
            mode = Mode::Answer;
            m_earlierLaterLeft = 0;
        }
    }
    if (op) {
        const std::string ns = "http://facturacion.finkok.com/stamp";
        const std::string cfdi = decode64(doc.textOf("xml", op));
        std::string content, refusal;
        bool earlier = false;
        if (!account)
            content = incidencia("300", "Usuario o contraseña inválidos");
        else if (mode == Mode::Refuse)
            content = incidencia(code, message(code));
        else if (mode == Mode::EarlierLater)
            content = incidencia("307", "Comprobante timbrado previamente");
        else if (cfdi.find("TimbreFiscalDigital") != std::string::npos)
            content = incidencia("707", message("707"));
        else if (const std::string stamped = stamp(cfdi, earlier, refusal); stamped.empty())
            content = refusal.empty() ? incidencia("301", message("301"))
                                      : incidencia(refusal.substr(0, refusal.find(' ')), EscapeXmlText(refusal));
        else {
            std::string error;
            const auto tfd = CStampedCfdi::Read(stamped, CStampedCfdi::SelloOf(cfdi), error);
            content = "<s0:xml>" + EscapeXmlText(stamped) + "</s0:xml><s0:UUID>" + tfd->uuid + "</s0:UUID><s0:Fecha>" +
                      tfd->fechaTimbrado + "</s0:Fecha><s0:CodEstatus>" +
                      (earlier ? "Comprobante timbrado previamente" : "Comprobante timbrado satisfactoriamente") +
                      "</s0:CodEstatus><s0:SatSeal>" + tfd->selloSat + "</s0:SatSeal><s0:NoCertificadoSAT>" +
                      tfd->noCertificadoSat + "</s0:NoCertificadoSAT>" +
                      (earlier ? incidencia("307", "Comprobante timbrado previamente") : "<s0:Incidencias/>");
        }
        return http(200, "text/xml; charset=utf-8",
                    soap(ns, "<tns:stampResponse><tns:stampResult>" + content + "</tns:stampResult></tns:stampResponse>"));
    }
    const std::string ns = "http://facturacion.finkok.com/cancel";
    if (const auto* cancel = body ? doc.find("cancel", body) : nullptr) {
        const auto* u = doc.find("UUID", cancel);
        const std::string uuid = CXmlDocument::attribute(u, "UUID");
        std::string content;
        // The key must come as PEM encrypted with the account's password.
        const std::string keyPem = decode64(doc.textOf("key", cancel));
        std::unique_ptr<BIO, int (*)(BIO*)> bio(BIO_new_mem_buf(keyPem.data(), static_cast<int>(keyPem.size())),
                                                BIO_free);
        std::string pass = m_password;
        EVP_PKEY* key = PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, pass.data());
        const bool keyOk = key != nullptr && keyPem.find("ENCRYPTED") != std::string::npos &&
                           decode64(doc.textOf("cer", cancel)).rfind("-----BEGIN CERTIFICATE-----", 0) == 0;
        EVP_PKEY_free(key);
        if (!account)
            content = "<s0:CodEstatus>Usuario o contraseña inválidos</s0:CodEstatus>";
        else if (!keyOk)
            content = "<s0:CodEstatus>Error al leer el certificado o la llave</s0:CodEstatus>";
        else {
            const std::string status =
                mode == Mode::Refuse ? code
                                     : cancelStatus(uuid, CXmlDocument::attribute(u, "Motivo"),
                                                    CXmlDocument::attribute(u, "FolioSustitucion"));
            const bool taken = status == "201" || status == "202";
            content = "<s0:Folios><s0:Folio><s0:EstatusUUID>" + status + "</s0:EstatusUUID><s0:UUID>" + uuid +
                      "</s0:UUID><s0:EstatusCancelacion>" + (taken ? "En proceso" : "") +
                      "</s0:EstatusCancelacion></s0:Folio></s0:Folios><s0:Acuse>" +
                      EscapeXmlText("<Acuse Fecha=\"" + clock() + "\"><Folios><UUID>" + uuid + "</UUID></Folios></Acuse>") +
                      "</s0:Acuse><s0:Fecha>" + clock() + "</s0:Fecha><s0:RfcEmisor>" + doc.textOf("taxpayer_id", cancel) +
                      "</s0:RfcEmisor>";
        }
        return http(200, "text/xml; charset=utf-8",
                    soap(ns, "<tns:cancelResponse><tns:cancelResult>" + content + "</tns:cancelResult></tns:cancelResponse>"));
    }
    const auto [state, estatus] = satState(doc.textOf("uuid"));
    std::string content = account ? "<s0:sat><s0:CodigoEstatus>" +
                                        std::string(state == "No Encontrado" ? "N - 602: Comprobante no encontrado."
                                                                             : "S - Comprobante obtenido satisfactoriamente.") +
                                        "</s0:CodigoEstatus><s0:EsCancelable>Cancelable con aceptación</s0:EsCancelable>"
                                        "<s0:Estado>" + state + "</s0:Estado><s0:EstatusCancelacion>" + estatus +
                                        "</s0:EstatusCancelacion></s0:sat>"
                                  : "<s0:error>Usuario o contraseña inválidos</s0:error>";
    return http(200, "text/xml; charset=utf-8",
                soap(ns, "<tns:get_sat_statusResponse><tns:get_sat_statusResult>" + content +
                             "</tns:get_sat_statusResult></tns:get_sat_statusResponse>"));
}

std::string StandInPac::sw(const Request& r) {
    const auto error = [](int status, const std::string& message, const std::string& detail = {}) {
        return http(status, "application/json",
                    json{{"message", message}, {"messageDetail", detail}, {"data", nullptr}, {"status", "error"}}.dump());
    };
    Mode mode;
    std::string code;
    {
        std::lock_guard lock(m_mutex);
        mode = m_mode;
        code = m_code;
    }
    if (r.path == "/v2/security/authenticate") {
        const json j = json::parse(r.body, nullptr, false);
        if (!j.is_object() || j.value("user", "") != m_user || j.value("password", "") != m_password)
            return error(401, "AU4101 - El usuario o la contraseña no son válidos.");
        std::lock_guard lock(m_mutex);
        m_token = "T" + std::to_string(++m_serial);
        return http(200, "application/json",
                    json{{"data", {{"token", m_token}, {"expires_in", 1700000000}, {"tokeny_type", "bearer"}}},
                         {"status", "success"}}.dump());
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_token.empty() || header(r.headers, "Authorization") != "Bearer " + m_token)
            return error(401, "El token no es válido.");
    }
    if (r.path == "/cfdi33/stamp/v4") {
        const std::string cfdi = formPart(r.headers, r.body);
        if (mode == Mode::Refuse)
            return error(400, code + ". " + message(code), "detalle");
        if (mode == Mode::EarlierLater)
            return error(400, "307. El comprobante contiene un timbre previo.");
        if (cfdi.find("TimbreFiscalDigital") != std::string::npos)
            return error(400, "707. " + std::string(message("707")));
        bool earlier = false;
        std::string refusal;
        const std::string stamped = stamp(cfdi, earlier, refusal);
        if (stamped.empty())
            return error(400, refusal.empty() ? "301. XML mal formado." : refusal);
        if (earlier)
            return error(400, "307. El comprobante contiene un timbre previo.", stamped);
        std::string ignored;
        const auto tfd = CStampedCfdi::Read(stamped, CStampedCfdi::SelloOf(cfdi), ignored);
        return http(200, "application/json",
                    json{{"data", {{"cadenaOriginalSAT", CStampedCfdi::Cadena(*tfd)}, {"noCertificadoSAT", tfd->noCertificadoSat},
                                   {"noCertificadoCFDI", ""}, {"uuid", tfd->uuid}, {"selloSAT", tfd->selloSat},
                                   {"selloCFDI", tfd->selloCfd}, {"fechaTimbrado", tfd->fechaTimbrado},
                                   {"qrCode", ""}, {"cfdi", stamped}}},
                         {"status", "success"}}.dump());
    }
    if (r.path == "/cfdi33/cancel/csd") {
        const json j = json::parse(r.body, nullptr, false);
        if (!j.is_object())
            return error(400, "Solicitud mal formada.");
        const std::string cer = decode64(j.value("b64Cer", "")), key = decode64(j.value("b64Key", ""));
        std::string csdError;
        if (!CCsd::Open(Blob(cer.begin(), cer.end()), Blob(key.begin(), key.end()), j.value("password", ""), csdError))
            return error(400, "CACFDI33 - No se pudo abrir el certificado.", csdError);
        if (mode == Mode::Refuse)
            return error(400, "CA" + code + " - " + message(code));
        const std::string uuid = j.value("uuid", "");
        const std::string status = cancelStatus(uuid, j.value("motivo", ""), j.value("foliosustitucion", ""));
        if (status != "201" && status != "202")
            return error(400, "CA" + status + " - " + message(status));
        return http(200, "application/json",
                    json{{"data", {{"acuse", "<Acuse><Folios><UUID>" + uuid + "</UUID></Folios></Acuse>"},
                                   {"uuid", {{uuid, status}}}}},
                         {"status", "success"}}.dump());
    }
    return error(404, "No existe.");
}

std::string StandInPac::satStatus(const Request& r) {
    CXmlDocument doc(r.body);
    const std::string expression = doc.textOf("expresionImpresa");
    const std::size_t id = expression.find("id=");
    const auto [estado, estatus] = satState(id == std::string::npos ? "" : expression.substr(id + 3, 36));
    if (expression.find("id=") == std::string::npos || expression.find("re=") == std::string::npos)
        return http(500, "text/xml", "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>"
                                     "<s:Fault><faultstring>Expresión inválida</faultstring></s:Fault></s:Body></s:Envelope>");
    return http(200, "text/xml; charset=utf-8",
                "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><ConsultaResponse "
                "xmlns=\"http://tempuri.org/\"><ConsultaResult xmlns:a=\"http://schemas.datacontract.org/2004/07/"
                "Sat.Cfdi.Negocio.ConsultaCfdi.Servicio\"><a:CodigoEstatus>S - Comprobante obtenido satisfactoriamente."
                "</a:CodigoEstatus><a:EsCancelable>Cancelable con aceptación</a:EsCancelable><a:Estado>" + estado +
                "</a:Estado><a:EstatusCancelacion>" + estatus + "</a:EstatusCancelacion><a:ValidacionEFOS>200</a:ValidacionEFOS></ConsultaResult>"
                "</ConsultaResponse></s:Body></s:Envelope>");
}

std::string StandInPac::cancelStatus(const std::string& uuid, const std::string& motivo, const std::string& folio) {
    std::lock_guard lock(m_mutex);
    bool known = std::find(m_known.begin(), m_known.end(), uuid) != m_known.end();
    for (const auto& [sello, stamped] : m_stamped)
        known = known || stamped.find("UUID=\"" + uuid + "\"") != std::string::npos;
    if (!known)
        return "205";
    if ((motivo != "01" && motivo != "02" && motivo != "03" && motivo != "04") || (motivo == "01") == folio.empty())
        return "207";
    return m_cancelled.emplace(uuid, motivo).second ? "201" : "202";
}

std::pair<std::string, std::string> StandInPac::satState(const std::string& uuid) {
    std::lock_guard lock(m_mutex);
    if (m_cancelled.count(uuid))
        return m_afterCancel;
    return {m_estado, ""};
}

void StandInPac::setAfterCancel(std::string estado, std::string estatus) {
    std::lock_guard lock(m_mutex);
    m_afterCancel = {std::move(estado), std::move(estatus)};
}

void StandInPac::knowUuid(const std::string& uuid) {
    std::lock_guard lock(m_mutex);
    m_known.push_back(uuid);
}
