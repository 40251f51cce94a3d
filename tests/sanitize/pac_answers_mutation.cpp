// A seeded mutation run over the PAC clients' answer parsers, through the whole path the program
// takes: each damaged answer is scripted into the stand-in PAC on 127.0.0.1 (and nowhere else),
// which serves it to the real Finkok and SW clients; they read it with libcurl and parse it as they
// would a PAC's, password scrubbing included.
// The seeds are the stand-in PAC's answers of every kind, for both PACs: stamps whose TFD really
// seals the sent CFDI (the kit's payment CFDI and one sealed here by the issuer), 307 with and
// without the earlier stamp, refusals, a wrong account, cancellations with their acuse, the SAT's
// status and SW's token. The damage is structural: cuts, repeated and deleted stretches, changed
// bytes, swapped tags and keys, huge numbers, deep nesting, bad UTF-8, JSON values of the wrong
// type, entity tricks (billion laughs, internal, external and parameter entities, an external DTD),
// the password echoed, and the stamped CFDI inside changed (another seal, another CFDI, two TFDs,
// a TFD out of place). Every outcome must be sane:
//   - a stamp is Done only when its TFD seals exactly the CFDI that was sent;
//   - an answer that still names a folio fiscal is never a refusal (the CFDI would be sealed again);
//   - a refusal carries a code the answer holds; a cancellation is Done only for our folio;
//   - no result text holds the account's or the CSD's password, an entity's expansion or a
//     file's bytes, and every text is UTF-8; no external entity or DTD is ever fetched.
// The sanitizers watch all of it. The same seed gives the same inputs (the run prints a digest).
// Usage: pac_answers_mutation [--seed N] [--inputs N] [--show I] (--show prints input I and stops).
#include "cfdi/CfdiFixture.h"
#include "cfdi/CfdiKit.h"
#include "cfdi/StandInPac.h"
#include "cfdi/CfdiIssuer.h"
#include "cfdi/CfdiStamper.h"
#include "cfdi/Csd.h"
#include "cfdi/FinkokClient.h"
#include "cfdi/StampedCfdi.h"
#include "cfdi/SwClient.h"
#include "cfdi/XmlDocument.h"
#include "db/Utf8.h"


#include <nlohmann/json.hpp>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using json = nlohmann::json;

namespace {

const char* const kUser = "mutaciones@negocio.mx";
const char* const kPassword = "Clave-PAC-9f3Kq";
const char* const kCancelUuid = "04BF2854-FE7D-4377-9196-71248F060ABB";
const char* const kMarker = "ENTIDAD-EXPANDIDA";
const char* const kCanaryPath = "/xxe-canario";
const char* const kClock = "2026-03-14T09:31:07";

// ---- HTTP answers ---------------------------------------------------------------------

std::string httpAnswer(long status, const std::string& type, const std::string& body, long declared = -1) {
    return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Type: " + type + "\r\nContent-Length: " +
           std::to_string(declared < 0 ? static_cast<long>(body.size()) : declared) + "\r\nConnection: close\r\n\r\n" +
           body;
}

std::string headerValue(const std::string& head, const char* name) {
    std::string lower;
    for (char c : head)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const std::size_t at = lower.find(std::string("\r\n") + name + ":");
    if (at == std::string::npos)
        return {};
    const std::size_t start = head.find_first_not_of(' ', at + std::strlen(name) + 3);
    return head.substr(start, head.find("\r\n", start) - start);
}

// ---- the seeds -------------------------------------------------------------------------------

enum class Op { FinkokStamp, SwStamp, FinkokCancel, SwCancel, FinkokStatus, SwStatus, SwAuth };

struct Seed {
    std::string name;
    Op op;
    long status = 200;
    std::string type;
    std::string body;
    int cfdi = 0;       // which sent CFDI, for stamps
    std::string inner;  // the stamped CFDI the answer carries, as it appears decoded
    std::string uuid;   // the folio fiscal the answer names, if any
};

struct Split {
    long status;
    std::string type, body;
};
Split split(const std::string& http) {
    const std::size_t end = http.find("\r\n\r\n");
    if (http.size() < 12 || end == std::string::npos)
        throw std::runtime_error("the stand-in gave no HTTP answer");
    return {std::stol(http.substr(9, 3)), headerValue(http.substr(0, end + 2), "content-type"), http.substr(end + 4)};
}

Seed seedOf(std::string name, Op op, const std::string& http, int cfdi = 0) {
    const Split s = split(http);
    Seed seed{std::move(name), op, s.status, s.type, s.body, cfdi, {}, {}};
    return seed;
}

std::string base64(const std::string& bytes) {
    return Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

StandInPac::Request finkokStamp(const std::string& cfdi, const std::string& password) {
    return {"/servicios/soap/stamp.wsdl", "\r\n",
            "<e:Envelope xmlns:e=\"http://schemas.xmlsoap.org/soap/envelope/\" "
            "xmlns:s=\"http://facturacion.finkok.com/stamp\"><e:Body><s:stamp><s:xml>" + base64(cfdi) +
                "</s:xml><s:username>" + kUser + "</s:username><s:password>" + password +
                "</s:password></s:stamp></e:Body></e:Envelope>"};
}

StandInPac::Request swStamp(const std::string& cfdi, const std::string& token) {
    return {"/cfdi33/stamp/v4",
            "\r\nAuthorization: Bearer " + token + "\r\nContent-Type: multipart/form-data; boundary=B\r\n",
            "--B\r\nContent-Disposition: form-data; name=\"xml\"; filename=\"cfdi.xml\"\r\nContent-Type: text/xml\r\n\r\n" +
                cfdi + "\r\n--B--\r\n"};
}

// The CSD's private key, which the stand-in signs its TFDs with so every run gets the same bytes.
EVP_PKEY* kitKey() {
    const Blob der = CfdiKit::key();
    const std::string password = CfdiKit::password();
    const unsigned char* p = der.data();
    X509_SIG* sig = d2i_X509_SIG(nullptr, &p, static_cast<long>(der.size()));
    PKCS8_PRIV_KEY_INFO* info = sig ? PKCS8_decrypt(sig, password.data(), static_cast<int>(password.size())) : nullptr;
    EVP_PKEY* key = info ? EVP_PKCS82PKEY(info) : nullptr;
    PKCS8_PRIV_KEY_INFO_free(info);
    X509_SIG_free(sig);
    if (!key)
        throw std::runtime_error("the kit's key does not open");
    return key;
}

std::string uuidOf(const std::string& stamped) {
    std::string error;
    const auto tfd = CStampedCfdi::Read(stamped, CStampedCfdi::SelloOf(stamped), error);
    return tfd ? tfd->uuid : std::string();
}

PacCancelRequest cancelRequest() {
    return {kCancelUuid, "02", "", "EKU9003173C9", CfdiKit::certificate(), CfdiKit::key(), CfdiKit::password()};
}
PacStatusRequest statusRequest() { return {kCancelUuid, "EKU9003173C9", "XIA190128J61", "232.0"}; }

// A request the real client sent to the stand-in, to be answered again in other modes.
StandInPac::Request lastRequest(StandInPac& pac, const std::string& path, const std::string& holding = {}) {
    const auto all = pac.requests();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (it->path == path && it->body.find(holding) != std::string::npos)
            return *it;
    throw std::runtime_error("the client sent nothing to " + path);
}

std::vector<Seed> makeSeeds(const std::vector<std::string>& sent, EVP_PKEY* key) {
    std::vector<Seed> seeds;
    const char* refusals[] = {"301", "302", "305", "401", "705", "708"};
    {
        StandInPac pac(kUser, kPassword);
        pac.knowUuid(kCancelUuid);
        pac.setClock(kClock);
        pac.setKey(key);
        for (int k = 0; k < static_cast<int>(sent.size()); ++k) {
            const std::string n = "finkok-cfdi" + std::to_string(k);
            Seed fresh = seedOf(n + "-timbrado", Op::FinkokStamp, pac.answer(finkokStamp(sent[k], kPassword)), k);
            Seed again = seedOf(n + "-307-con-timbre", Op::FinkokStamp, pac.answer(finkokStamp(sent[k], kPassword)), k);
            for (Seed* s : {&fresh, &again}) {
                CXmlDocument doc(s->body);
                s->inner = doc.textOf("xml");
                s->uuid = uuidOf(s->inner);
                if (s->uuid.empty())
                    throw std::runtime_error("the stand-in's stamp does not read");
                seeds.push_back(*s);
            }
        }
        pac.setMode(StandInPac::Mode::EarlierLater);
        seeds.push_back(seedOf("finkok-307-sin-timbre", Op::FinkokStamp, pac.answer(finkokStamp(sent[0], kPassword))));
        for (const char* code : refusals) {
            pac.setMode(StandInPac::Mode::Refuse, code);
            seeds.push_back(seedOf(std::string("finkok-") + code, Op::FinkokStamp,
                                   pac.answer(finkokStamp(sent[1 % sent.size()], kPassword)), 1 % sent.size()));
        }
        pac.setMode(StandInPac::Mode::Answer);
        seeds.push_back(seedOf("finkok-300", Op::FinkokStamp, pac.answer(finkokStamp(sent[0], "otra"))));
        seeds.push_back({"finkok-fault-eco", Op::FinkokStamp, 500, "text/xml",
                         "<?xml version='1.0' encoding='UTF-8'?><senv:Envelope "
                         "xmlns:senv=\"http://schemas.xmlsoap.org/soap/envelope/\"><senv:Body><senv:Fault>"
                         "<faultcode>senv:Client</faultcode><faultstring>No se pudo leer la solicitud: username=" +
                             std::string(kUser) + " password=" + kPassword +
                             "</faultstring></senv:Fault></senv:Body></senv:Envelope>",
                         0, {}, {}});

        // Cancellation and the SAT's status: what the real client asks, answered in each mode.
        auto client = CPacClient::Create({PacProveedor::Finkok, PacAmbiente::Pruebas, pac.url(), kUser, kPassword},
                                         {3000, 20000});
        if (client->Cancel(cancelRequest()).outcome != PacOutcome::Done ||
            client->SatStatus(statusRequest()).outcome != PacOutcome::Done)
            throw std::runtime_error("the Finkok client does not cancel with the stand-in");
        const StandInPac::Request cancel = lastRequest(pac, CFinkokClient::kCancelPath, ":cancel>");
        const StandInPac::Request status = lastRequest(pac, CFinkokClient::kCancelPath, ":get_sat_status>");
        seeds.push_back(seedOf("finkok-cancelado-201", Op::FinkokCancel, pac.answer(cancel)));
        for (const char* code : {"202", "205"}) {
            pac.setMode(StandInPac::Mode::Refuse, code);
            seeds.push_back(seedOf(std::string("finkok-cancelado-") + code, Op::FinkokCancel, pac.answer(cancel)));
        }
        pac.setMode(StandInPac::Mode::Answer);
        StandInPac::Request wrong = cancel;
        wrong.body.replace(wrong.body.find(kPassword), std::strlen(kPassword), "otra");
        seeds.push_back(seedOf("finkok-cancelado-cuenta", Op::FinkokCancel, pac.answer(wrong)));
        for (const char* estado : {"Vigente", "Cancelado", "No Encontrado"}) {
            pac.setEstado(estado);
            seeds.push_back(seedOf(std::string("finkok-estado-") + estado, Op::FinkokStatus, pac.answer(status)));
        }
        wrong = status;
        wrong.body.replace(wrong.body.find(kPassword), std::strlen(kPassword), "otra");
        seeds.push_back(seedOf("finkok-estado-cuenta", Op::FinkokStatus, pac.answer(wrong)));
    }
    {
        StandInPac pac(kUser, kPassword);
        pac.knowUuid(kCancelUuid);
        pac.setClock(kClock);
        pac.setKey(key);
        const StandInPac::Request auth{CSwClient::kAuthenticatePath, "\r\n",
                                       json{{"user", kUser}, {"password", kPassword}}.dump()};
        Seed token = seedOf("sw-token", Op::SwAuth, pac.answer(auth));
        seeds.push_back(token);
        seeds.push_back(seedOf("sw-token-401", Op::SwAuth,
                               pac.answer({auth.path, "\r\n", json{{"user", kUser}, {"password", "otra"}}.dump()})));
        seeds.push_back({"sw-token-eco", Op::SwAuth, 400, "application/json",
                         json{{"message", "Solicitud inválida"},
                              {"messageDetail", std::string("{\"user\":\"") + kUser + "\",\"password\":\"" + kPassword + "\"}"},
                              {"status", "error"}}.dump(),
                         0, {}, {}});
        const std::string bearer = json::parse(token.body)["data"]["token"].get<std::string>();
        for (int k = 0; k < static_cast<int>(sent.size()); ++k) {
            const std::string n = "sw-cfdi" + std::to_string(k);
            Seed fresh = seedOf(n + "-timbrado", Op::SwStamp, pac.answer(swStamp(sent[k], bearer)), k);
            Seed again = seedOf(n + "-307-con-timbre", Op::SwStamp, pac.answer(swStamp(sent[k], bearer)), k);
            fresh.inner = json::parse(fresh.body)["data"]["cfdi"].get<std::string>();
            again.inner = json::parse(again.body)["messageDetail"].get<std::string>();
            for (Seed* s : {&fresh, &again}) {
                s->uuid = uuidOf(s->inner);
                if (s->uuid.empty())
                    throw std::runtime_error("the stand-in's stamp does not read");
                seeds.push_back(*s);
            }
        }
        pac.setMode(StandInPac::Mode::EarlierLater);
        seeds.push_back(seedOf("sw-307-sin-timbre", Op::SwStamp, pac.answer(swStamp(sent[0], bearer))));
        for (const char* code : refusals) {
            pac.setMode(StandInPac::Mode::Refuse, code);
            seeds.push_back(seedOf(std::string("sw-") + code, Op::SwStamp, pac.answer(swStamp(sent[0], bearer))));
        }
        pac.setMode(StandInPac::Mode::Answer);
        seeds.push_back(seedOf("sw-token-vencido", Op::SwStamp, pac.answer(swStamp(sent[0], "T-viejo"))));

        auto client = CPacClient::Create({PacProveedor::Sw, PacAmbiente::Pruebas, pac.url(), kUser, kPassword},
                                         {3000, 20000});
        if (client->Cancel(cancelRequest()).outcome != PacOutcome::Done ||
            client->SatStatus(statusRequest()).outcome != PacOutcome::Done)
            throw std::runtime_error("the SW client does not cancel with the stand-in");
        const StandInPac::Request cancel = lastRequest(pac, CSwClient::kCancelPath);
        const StandInPac::Request status = lastRequest(pac, CSwClient::kSatStatusPath);
        seeds.push_back(seedOf("sw-cancelado-201", Op::SwCancel, pac.answer(cancel)));
        for (const char* code : {"202", "205"}) {
            pac.setMode(StandInPac::Mode::Refuse, code);
            seeds.push_back(seedOf(std::string("sw-cancelado-") + code, Op::SwCancel, pac.answer(cancel)));
        }
        pac.setMode(StandInPac::Mode::Answer);
        for (const char* estado : {"Vigente", "Cancelado", "No Encontrado"}) {
            pac.setEstado(estado);
            seeds.push_back(seedOf(std::string("sw-estado-") + estado, Op::SwStatus, pac.answer(status)));
        }
        StandInPac::Request bad = status;
        bad.body.replace(bad.body.find("id="), 3, "xx=");
        seeds.push_back(seedOf("sw-estado-fault", Op::SwStatus, pac.answer(bad)));
    }
    return seeds;
}

// ---- the mutator -----------------------------------------------------------------------------

struct Input {
    long status = 200;
    std::string body;
    bool cut = false;
    long declared = -1; // a Content-Length other than the body's
    std::vector<std::string> what;
};

class Mutator {
public:
    Mutator(std::mt19937& rng, std::string canaryFile, std::string canaryUrl)
        : m_rng(rng), m_canaryFile(std::move(canaryFile)), m_canaryUrl(std::move(canaryUrl)) {}

    Input mutate(const Seed& seed) {
        Input in{seed.status, seed.body, false, -1, {}};
        const bool isJson = seed.type.find("json") != std::string::npos;
        int rounds = 1 + (pick(4) == 0 ? 1 + pick(2) : 0);
        // The stamped CFDI inside, changed and put back: what the TFD check exists for.
        if (!seed.inner.empty() && pick(3) == 0) {
            in.body = reencode(seed, in.body, mutateInner(seed.inner, in.what));
            --rounds;
        }
        // A cancellation's answer about another folio fiscal, or ours in small letters.
        if (in.body.find(kCancelUuid) != std::string::npos && pick(5) == 0) {
            std::string lower = kCancelUuid;
            for (char& ch : lower)
                ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
            const std::string other = pick(2) ? lower : "11111111-2222-4333-8444-555555555555";
            for (std::size_t p = in.body.find(kCancelUuid); p != std::string::npos; p = in.body.find(kCancelUuid, p))
                in.body.replace(p, std::strlen(kCancelUuid), other);
            in.what.push_back(other == lower ? "our folio in small letters" : "another folio");
            --rounds;
        }
        // The PAC's code changed for another one it uses.
        if (pick(8) == 0) {
            static const char* codes[] = {"300", "301", "302", "305", "307", "401", "705", "707", "708",
                                          "201", "202", "205", "CA205", "CFDI40102", "AU4101"};
            for (const char* code : codes)
                if (const std::size_t p = in.body.find(code); p != std::string::npos && pick(3) == 0) {
                    const char* other = codes[pick(std::size(codes))];
                    in.body.replace(p, std::strlen(code), other);
                    in.what.push_back(std::string("code ") + code + " -> " + other);
                    --rounds;
                    break;
                }
        }
        for (int r = 0; r < rounds; ++r) {
            switch (pick(15)) {
            case 0: cut(in); break;
            case 1: erase(in); break;
            case 2: repeat(in); break;
            case 3: flip(in); break;
            case 4: isJson ? swapKeys(in) : swapTags(in); break;
            case 5: hugeNumber(in); break;
            case 6: isJson ? nestJson(in) : nestXml(in); break;
            case 7: badUtf8(in); break;
            case 8: isJson ? wrongType(in) : entities(in); break;
            case 9: isJson ? wrongType(in) : entities(in); break;
            case 10: echoPassword(in); break;
            case 11: isJson ? wrongType(in) : xmlElement(in); break;
            case 12: status(in); break;
            case 13: isJson ? swapKeys(in) : xmlElement(in); break;
            default: pick(4) == 0 ? transport(in) : flip(in); break;
            }
        }
        return in;
    }

private:
    std::size_t pick(std::size_t n) { return n ? m_rng() % n : 0; }
    // Whether the body may go through nlohmann::json and back: its dump recurses, and an answer
    // nested by an earlier round would overflow this program's own stack.
    static bool shallow(const std::string& b) {
        return std::count(b.begin(), b.end(), '[') + std::count(b.begin(), b.end(), '{') < 200;
    }
    std::size_t at(const std::string& b) { return pick(b.size() + 1); }

    void cut(Input& in) {
        in.body.resize(at(in.body));
        in.what.push_back("cut");
    }
    void erase(Input& in) {
        const std::size_t from = at(in.body);
        in.body.erase(from, 1 + pick(pick(2) ? 16 : 600));
        in.what.push_back("stretch deleted");
    }
    void repeat(Input& in) {
        const std::size_t from = at(in.body);
        const std::string piece = in.body.substr(from, 1 + pick(pick(2) ? 40 : 800));
        in.body.insert(at(in.body), piece);
        in.what.push_back("stretch repeated");
    }
    void flip(Input& in) {
        for (std::size_t k = 0, n = 1 + pick(8); k < n && !in.body.empty(); ++k) {
            char& c = in.body[pick(in.body.size())];
            c = pick(2) ? static_cast<char>(m_rng()) : static_cast<char>(c ^ (1 << pick(8)));
        }
        in.what.push_back("bytes changed");
    }
    // Two elements' tags traded: "<a x='1'>" and "</b>".
    void swapTags(Input& in) {
        std::vector<std::pair<std::size_t, std::size_t>> tags;
        for (std::size_t p = in.body.find('<'); p != std::string::npos; p = in.body.find('<', p + 1)) {
            const std::size_t e = in.body.find('>', p);
            if (e == std::string::npos)
                break;
            tags.emplace_back(p, e + 1 - p);
        }
        swapSpans(in, tags, "tags swapped");
    }
    // Two of the spans (offset, length) traded.
    void swapSpans(Input& in, const std::vector<std::pair<std::size_t, std::size_t>>& spans, const char* what) {
        if (spans.size() < 2)
            return flip(in);
        auto a = spans[pick(spans.size())], b = spans[pick(spans.size())];
        if (a.first > b.first)
            std::swap(a, b);
        if (a.first == b.first || a.first + a.second > b.first)
            return;
        const std::string ta = in.body.substr(a.first, a.second), tb = in.body.substr(b.first, b.second);
        in.body.replace(b.first, b.second, ta);
        in.body.replace(a.first, a.second, tb);
        in.what.push_back(what);
    }
    void swapKeys(Input& in) {
        std::vector<std::pair<std::size_t, std::size_t>> keys;
        for (std::size_t p = in.body.find("\":"); p != std::string::npos; p = in.body.find("\":", p + 2)) {
            const std::size_t q = in.body.rfind('"', p - 1);
            if (q != std::string::npos && p > q)
                keys.emplace_back(q + 1, p - q - 1);
        }
        swapSpans(in, keys, "keys swapped");
    }
    void hugeNumber(Input& in) {
        static const char* numbers[] = {"99999999999999999999999999999999", "18446744073709551616",
                                        "-9223372036854775809", "1e99999", "-1e-99999", "1.7976931348623157e309",
                                        "0x7FFFFFFF", "NaN", "-0", "4294967296", "000000000000000000000307"};
        const std::string n = pick(6) == 0 ? std::string(2000 + pick(60000), '9') : numbers[pick(std::size(numbers))];
        // In place of a run of digits (a code, a date, a status), or anywhere.
        std::size_t p = in.body.find_first_of("0123456789", at(in.body));
        if (p == std::string::npos) {
            in.body.insert(at(in.body), n);
        } else {
            std::size_t e = p;
            while (e < in.body.size() && in.body[e] >= '0' && in.body[e] <= '9')
                ++e;
            in.body.replace(p, e - p, n);
        }
        in.what.push_back("huge number");
    }
    void nestXml(Input& in) {
        static const std::size_t depths[] = {300, 3000, 100000};
        const std::size_t depth = depths[pick(3)];
        std::size_t p = in.body.find('>', at(in.body));
        p = p == std::string::npos ? in.body.size() : p + 1;
        std::string open, close;
        for (std::size_t k = 0; k < depth; ++k) {
            open += "<a>";
            close += "</a>";
        }
        in.body.insert(p, open + close);
        in.what.push_back("nested " + std::to_string(depth));
    }
    void nestJson(Input& in) {
        static const std::size_t depths[] = {300, 3000, 100000};
        const std::size_t depth = depths[pick(3)];
        json j = shallow(in.body) ? json::parse(in.body, nullptr, false) : json();
        if (!j.is_object() || pick(3) == 0) {
            // The whole answer inside arrays or objects.
            const bool arrays = pick(2);
            std::string open, close;
            for (std::size_t k = 0; k < depth; ++k) {
                open += arrays ? "[" : "{\"data\":";
                close += arrays ? "]" : "}";
            }
            in.body = open + in.body + close;
        } else {
            // One member's value nested.
            json* target = member(j);
            const std::string original = target->dump();
            *target = "\x01NIDO\x01";
            std::string text = j.dump(-1, ' ', false, json::error_handler_t::replace);
            std::string open, close;
            for (std::size_t k = 0; k < depth; ++k) {
                open += "[";
                close += "]";
            }
            const std::size_t p = text.find("\"\\u0001NIDO\\u0001\"");
            if (p != std::string::npos)
                text.replace(p, 18, open + original + close);
            in.body = text;
        }
        in.what.push_back("nested " + std::to_string(depth));
    }
    void badUtf8(Input& in) {
        static const char* bad[] = {"\xff", "\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe2\x82",
                                    "\xfe\xff", "\x80"};
        // Inside a text or a string, where a parser takes it as a character.
        std::size_t p = in.body.find_first_of(">\"", at(in.body));
        p = p == std::string::npos ? at(in.body) : p + 1;
        in.body.insert(p, bad[pick(std::size(bad))]);
        in.what.push_back("bad UTF-8");
    }
    // A JSON member's value replaced by one of another type.
    void wrongType(Input& in) {
        json j = shallow(in.body) ? json::parse(in.body, nullptr, false) : json(json::value_t::discarded);
        if (j.is_discarded())
            return flip(in);
        json* target = member(j);
        switch (pick(11)) {
        case 0: *target = nullptr; break;
        case 1: *target = true; break;
        case 2: *target = 307; break;
        case 3: *target = -1.5e300; break;
        case 4: *target = ""; break;
        case 5: *target = json::array(); break;
        case 6: *target = json::object(); break;
        case 7: *target = json::array({*target}); break;
        case 8: *target = json{{"data", *target}}; break;
        case 9: *target = std::string(100000 + pick(100000), 'x'); break;
        default: *target = 18446744073709551615ull; break;
        }
        in.body = j.dump(-1, ' ', false, json::error_handler_t::replace);
        in.what.push_back("wrong type");
    }
    // A random member of the object (or of "data", or of its "uuid").
    json* member(json& j) {
        json* at = &j;
        for (int depth = 0; depth < 3 && at->is_object() && !at->empty(); ++depth) {
            auto it = at->begin();
            std::advance(it, static_cast<long>(pick(at->size())));
            at = &*it;
            if (!at->is_object() || pick(3) == 0)
                break;
        }
        return at;
    }
    // A DOCTYPE with entities, used where text goes.
    void entities(Input& in) {
        std::string decl, use;
        switch (pick(8)) {
        case 0: { // billion laughs
            decl = "<!ENTITY l0 \"lol\">";
            for (int k = 1; k < 10; ++k) {
                decl += "<!ENTITY l" + std::to_string(k) + " \"";
                for (int r = 0; r < 10; ++r)
                    decl += "&l" + std::to_string(k - 1) + ";";
                decl += "\">";
            }
            use = "&l9;";
            break;
        }
        case 1: // a little amplification, under libxml2's own limits
            decl = std::string("<!ENTITY m \"") + kMarker + "\"><!ENTITY n \"&m;&m;&m;&m;&m;&m;&m;&m;\">";
            use = pick(2) ? "&m;" : "&n;";
            break;
        case 2:
            decl = "<!ENTITY x SYSTEM \"file://" + m_canaryFile + "\">";
            use = "&x;";
            break;
        case 3:
            decl = "<!ENTITY y SYSTEM \"" + m_canaryUrl + "/entidad\">";
            use = "&y;";
            break;
        case 4:
            decl = "<!ENTITY % p SYSTEM \"" + m_canaryUrl + "/parametro\"> %p;";
            use = "&z;";
            break;
        case 5: // the seal spelled through an entity: the same text after expansion, other bytes
            decl = std::string("<!ENTITY m \"") + kMarker + "\">";
            use = "&m;&#x26;&#38;";
            break;
        case 6:
            decl = "<!ENTITY x SYSTEM \"file://" + m_canaryFile + "\"><!ENTITY m \"" + kMarker + "&x;\">";
            use = "&m;";
            break;
        default: { // an external DTD and no subset
            const std::size_t root = rootAt(in.body);
            in.body.insert(root, "<!DOCTYPE Envelope SYSTEM \"" + m_canaryUrl + "/dtd\">");
            in.what.push_back("external DTD");
            return;
        }
        }
        const std::size_t root = rootAt(in.body);
        in.body.insert(root, "<!DOCTYPE Envelope [" + decl + "]>");
        // Used in one to three texts, or in an attribute.
        for (std::size_t k = 0, n = 1 + pick(3); k < n; ++k) {
            std::size_t p = in.body.find('>', root + 1 + pick(in.body.size() - root));
            if (p != std::string::npos && p + 1 < in.body.size() && in.body[p + 1] != '<' && pick(2))
                in.body.insert(p + 1, use);
            else if (const std::size_t q = in.body.find("=\"", root + pick(in.body.size() - root)); q != std::string::npos)
                in.body.insert(q + 2, use);
            else if (p != std::string::npos)
                in.body.insert(p + 1, use);
        }
        in.what.push_back("entities");
    }
    static std::size_t rootAt(const std::string& b) {
        if (b.rfind("<?xml", 0) == 0) {
            const std::size_t e = b.find("?>");
            return e == std::string::npos ? 0 : e + 2;
        }
        return 0;
    }
    // An element of the answer repeated, dropped, renamed or moved to another namespace.
    void xmlElement(Input& in) {
        static const char* names[] = {"xml",   "UUID",   "Incidencia", "CodigoError", "CodEstatus", "Folio",
                                      "EstatusUUID", "Acuse", "Estado", "sat",   "stampResult", "cancelResult",
                                      "get_sat_statusResult", "ConsultaResult", "Body", "faultstring", "error"};
        const std::string name = names[pick(std::size(names))];
        const std::size_t open = in.body.find(":" + name + ">") != std::string::npos ? in.body.find(":" + name + ">")
                                                                                       : in.body.find("<" + name + ">");
        if (open == std::string::npos)
            return flip(in);
        const std::size_t begin = in.body.rfind('<', open);
        const std::string tag = in.body.substr(begin + 1, in.body.find('>', begin) - begin - 1);
        const std::size_t close = in.body.find("</" + tag + ">", begin);
        if (close == std::string::npos)
            return flip(in);
        const std::size_t end = close + tag.size() + 3;
        const std::string element = in.body.substr(begin, end - begin);
        switch (pick(5)) {
        case 0: in.body.insert(pick(2) ? end : begin, element); break;
        case 1: in.body.erase(begin, end - begin); break;
        case 2: in.body.replace(begin + 1, tag.size(), tag + "x"); break;
        case 3: in.body.insert(end, "<otro:" + name + " xmlns:otro=\"urn:otro\">" + kCancelUuid + "</otro:" + name + ">"); break;
        default: in.body.insert(begin, "<!-- " + name + " -->"); break;
        }
        in.what.push_back("element " + name);
    }
    void echoPassword(Input& in) {
        const std::string said = pick(2) ? std::string(kPassword)
                                         : std::string("Usuario o contraseña inválidos: ") + kUser + "/" + kPassword +
                                               " clave CSD " + CfdiKit::password();
        std::size_t p = in.body.find_first_of(">\"", at(in.body));
        p = p == std::string::npos ? at(in.body) : p + 1;
        in.body.insert(p, said);
        in.what.push_back("password echoed");
    }
    void status(Input& in) {
        static const long statuses[] = {200, 201, 400, 401, 403, 404, 500, 502, 503};
        in.status = statuses[pick(std::size(statuses))];
        in.what.push_back("HTTP " + std::to_string(in.status));
    }
    void transport(Input& in) {
        if (pick(2)) {
            in.cut = true;
            in.what.push_back("connection dropped");
        } else {
            in.declared = static_cast<long>(in.body.size() + 1 + pick(1000));
            in.what.push_back("answer short of its length");
        }
    }

    // ---- the stamped CFDI inside an answer ----
    std::string mutateInner(const std::string& inner, std::vector<std::string>& what) {
        std::string x = inner;
        const auto replaceAttr = [&x](const std::string& attribute, const std::string& value, bool last) {
            const std::string key = " " + attribute + "=\"";
            const std::size_t p = last ? x.rfind(key) : x.find(key);
            if (p == std::string::npos)
                return;
            const std::size_t v = p + key.size();
            x.replace(v, x.find('"', v) - v, value);
        };
        const std::size_t tfdBegin = x.find("<tfd:TimbreFiscalDigital");
        const std::size_t tfdEnd = tfdBegin == std::string::npos ? tfdBegin : x.find("/>", tfdBegin) + 2;
        const std::string tfd = tfdBegin == std::string::npos ? "" : x.substr(tfdBegin, tfdEnd - tfdBegin);
        const std::string sello = CStampedCfdi::SelloOf(inner);
        switch (pick(16)) {
        case 0: { // the TFD seals another seal
            std::string other = sello;
            if (!other.empty())
                other[pick(other.size())] ^= 1;
            replaceAttr("SelloCFD", other, true);
            what.push_back("SelloCFD of another CFDI");
            break;
        }
        case 1: { // the CFDI carries another seal (the TFD still names ours)
            std::string other = sello;
            if (!other.empty())
                other[pick(other.size())] = 'A' + static_cast<char>(pick(26));
            replaceAttr("Sello", other, false);
            what.push_back("another Sello");
            break;
        }
        case 2: x.erase(tfdBegin, tfdEnd - tfdBegin); what.push_back("no TFD"); break;
        case 3: x.insert(tfdEnd, tfd); what.push_back("two TFDs"); break;
        case 4: { // the TFD out of the Complemento, in the Emisor
            x.erase(tfdBegin, tfdEnd - tfdBegin);
            const std::size_t e = x.find("<cfdi:Emisor");
            if (e != std::string::npos)
                x.insert(e, "<cfdi:Addenda>" + tfd + "</cfdi:Addenda>");
            what.push_back("TFD outside the Complemento");
            break;
        }
        case 5: replaceAttr("Total", "9" + std::to_string(pick(100000)) + ".00", false); what.push_back("another Total"); break;
        case 6: {
            std::string u = tfd.substr(tfd.find("UUID=\"") + 6, 36);
            u[pick(36)] = "G-x "[pick(4)];
            replaceAttr("UUID", u, true);
            what.push_back("bad UUID");
            break;
        }
        case 7: replaceAttr("FechaTimbrado", pick(2) ? "2026-03-14 09:31:07" : "2026-13-99T99:99:99", true); what.push_back("bad FechaTimbrado"); break;
        case 8: replaceAttr("NoCertificadoSAT", pick(2) ? "3000100000050000345" : "3000100000050000345X", true); what.push_back("bad NoCertificadoSAT"); break;
        case 9: replaceAttr("Version", pick(2) ? "1.0" : "", true); what.push_back("TFD version"); break;
        case 10: { // the TFD in another namespace
            const std::size_t ns = x.find("http://www.sat.gob.mx/TimbreFiscalDigital\"");
            if (ns != std::string::npos)
                x.replace(ns, 41, "http://www.sat.gob.mx/TimbreFiscalDigitalX");
            what.push_back("TFD in another namespace");
            break;
        }
        case 11: { // another CFDI's stamp (the kit's stamped sample)
            x = CfdiKit::readText(CfdiKit::dir() / "samples/ingreso-iva16-descuento-EKU9003173C9.xml");
            if (pick(2))
                replaceAttr("Sello", sello, false);
            what.push_back("another CFDI's stamp");
            break;
        }
        case 12: { // the CFDI inside another root
            x = "<cfdi:Envoltura xmlns:cfdi=\"http://www.sat.gob.mx/cfd/4\">" + x.substr(rootAt(x)) + "</cfdi:Envoltura>";
            what.push_back("another root");
            break;
        }
        case 13: { // the Sello through an entity: the same value, other bytes
            const std::size_t root = rootAt(x);
            x.insert(root, "<!DOCTYPE cfdi:Comprobante [<!ENTITY s \"" + sello + "\"><!ENTITY m \"" + kMarker + "\">]>");
            replaceAttr("SelloCFD", "&s;", true);
            if (pick(2))
                replaceAttr("RfcProvCertif", "&m;", true);
            what.push_back("SelloCFD through an entity");
            break;
        }
        case 14: { // a second Complemento with its own TFD
            const std::size_t end = x.rfind("</cfdi:Comprobante>");
            if (end != std::string::npos)
                x.insert(end, "<cfdi:Complemento>" + tfd + "</cfdi:Complemento>");
            what.push_back("second Complemento");
            break;
        }
        default: { // a leyenda, with the password in it
            const std::size_t p = x.find(" SelloCFD=", tfdBegin);
            if (p != std::string::npos)
                x.insert(p, std::string(" Leyenda=\"") + (pick(2) ? kPassword : "Leyenda del PAC") + "\"");
            what.push_back("Leyenda");
            break;
        }
        }
        return x;
    }
    std::string reencode(const Seed& seed, const std::string& body, const std::string& inner) {
        if (seed.op == Op::FinkokStamp) {
            const std::string escaped = EscapeXmlText(seed.inner);
            const std::size_t p = body.find(escaped);
            if (p == std::string::npos)
                return body;
            std::string b = body;
            // As escaped text, or as a CDATA section (both are the same text to a reader).
            b.replace(p, escaped.size(), pick(4) == 0 && inner.find("]]>") == std::string::npos
                                             ? "<![CDATA[" + inner + "]]>"
                                             : EscapeXmlText(inner));
            return b;
        }
        json j = shallow(body) ? json::parse(body, nullptr, false) : json(json::value_t::discarded);
        if (j.is_discarded())
            return body;
        if (j.contains("data") && j["data"].is_object() && j["data"].contains("cfdi"))
            j["data"]["cfdi"] = inner;
        else
            j["messageDetail"] = inner;
        return j.dump(-1, ' ', false, json::error_handler_t::replace);
    }

    std::mt19937& m_rng;
    std::string m_canaryFile, m_canaryUrl;
};

// ---- the checks ------------------------------------------------------------------------------

bool validUtf8(const std::string& text) {
    std::string again;
    for (std::size_t i = 0; i < text.size();)
        Utf8::append(again, Utf8::next(text, i));
    return again == text;
}

bool containsNoCase(const std::string& haystack, const std::string& needle) {
    const auto lower = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return s;
    };
    return lower(haystack).find(lower(needle)) != std::string::npos;
}

// Whether the text holds something shaped like a folio fiscal (8-4-4-4-12 hex digits).
bool namesAFolio(const std::string& text) {
    for (std::size_t i = 0; i + 36 <= text.size(); ++i)
        if (CStampedCfdi::IsUuid(text.substr(i, 36)))
            return true;
    return false;
}

class Checker {
public:
    Checker(std::string canary, bool csdSent) : m_canary(std::move(canary)), m_csdSent(csdSent) {}
    std::vector<std::string> problems;

    void text(const char* field, const std::string& value, bool document = false) {
        if (!document) {
            if (value.find(kPassword) != std::string::npos)
                fail(std::string(field) + " holds the PAC's password");
            if (m_csdSent && value.find(CfdiKit::password()) != std::string::npos)
                fail(std::string(field) + " holds the CSD's password");
        }
        if (value.find(kMarker) != std::string::npos)
            fail(std::string(field) + " holds an entity's expansion");
        if (value.find(m_canary) != std::string::npos)
            fail(std::string(field) + " holds the bytes of a file named by an external entity");
        if (!validUtf8(value))
            fail(std::string(field) + " is not UTF-8");
    }
    void fail(const std::string& what) { problems.push_back(what); }
    void expect(bool ok, const std::string& what) {
        if (!ok)
            fail(what);
    }

private:
    std::string m_canary;
    bool m_csdSent;
};

const char* name(PacOutcome o) {
    switch (o) {
    case PacOutcome::Done: return "Done";
    case PacOutcome::Refused: return "Refused";
    case PacOutcome::NotSent: return "NotSent";
    case PacOutcome::Unknown: return "Unknown";
    }
    return "?";
}

std::string xpath(const std::string& xml, const std::string& expression) { return CfdiKit::xpath(xml, expression); }

struct Tally {
    std::map<std::string, int> outcomes;
    int doneOtherDocument = 0; // Done by the client, turned away by the stamper's whole-document check
};

void checkStamp(Checker& c, const PacStamp& s, const std::string& sent, const Seed& seed, const Input& in,
                bool stampAnswered, bool authFailed, Tally& tally) {
    for (auto [field, value] : {std::pair{"message", &s.message}, {"pacMessage", &s.pacMessage}, {"code", &s.code},
                                {"uuid", &s.uuid}, {"fechaTimbrado", &s.fechaTimbrado},
                                {"noCertificadoSat", &s.noCertificadoSat}, {"selloSat", &s.selloSat}})
        c.text(field, *value);
    c.text("xml", s.xml, true);
    c.expect(!s.message.empty(), "no message");
    // An account turned away (code 300) is an answer that says nothing of the CFDI: NotSent too.
    c.expect(s.outcome != PacOutcome::NotSent || authFailed ||
                 (s.code == "300" && in.body.find("300") != std::string::npos),
             "NotSent after the request was answered");
    c.expect(!s.earlier || s.outcome == PacOutcome::Done, "'earlier' without a stamp");
    const std::string sello = CStampedCfdi::SelloOf(sent);
    if (s.outcome == PacOutcome::Done) {
        // Read again here, without the code under test.
        const std::string tfd = "//*[local-name()='TimbreFiscalDigital']";
        c.expect(xpath(s.xml, "string(count(" + tfd + "))") == "1", "Done with other than one TFD");
        c.expect(xpath(s.xml, "string(namespace-uri(" + tfd + "))") == "http://www.sat.gob.mx/TimbreFiscalDigital",
                 "Done with a TFD of another namespace");
        c.expect(xpath(s.xml, "string(local-name(" + tfd + "/..))") == "Complemento" &&
                     xpath(s.xml, "string(local-name(" + tfd + "/../..))") == "Comprobante" &&
                     xpath(s.xml, "string(count(" + tfd + "/../../..))") == "1",
                 "Done with a TFD out of the Comprobante's Complemento");
        c.expect(xpath(s.xml, "string(" + tfd + "/@SelloCFD)") == sello, "Done with a TFD that seals another CFDI");
        c.expect(xpath(s.xml, "string(/*/@Sello)") == sello, "Done with a CFDI of another seal");
        c.expect(xpath(s.xml, "string(" + tfd + "/@UUID)") == s.uuid && CStampedCfdi::IsUuid(s.uuid),
                 "Done with a folio fiscal that is not the TFD's");
        c.expect(xpath(s.xml, "string(" + tfd + "/@Version)") == "1.1", "Done with a TFD of another version");
        c.expect(stampAnswered, "Done without a stamp answer");
        if (!CCfdiStamper::SameDocument(sent, s.xml))
            ++tally.doneOtherDocument;
    } else {
        c.expect(s.xml.empty() && s.uuid.empty(), "a stamp's texts without Done");
    }
    if (s.outcome == PacOutcome::Refused && !authFailed) {
        c.expect(!s.code.empty() && s.code != "307" && s.code != "708", "Refused with code '" + s.code + "'");
        c.expect(in.body.find(s.code) != std::string::npos || s.code.find("****") != std::string::npos,
                 "Refused with code " + s.code + ", which the answer does not hold");
        // An answer that names the stamp's folio fiscal says the PAC holds it.
        c.expect(seed.uuid.empty() || in.body.find(seed.uuid) == std::string::npos,
                 "Refused, though the answer names the folio fiscal " + seed.uuid);
    }
}

void checkCancel(Checker& c, const PacCancel& r, const Input& in, bool authFailed) {
    for (auto [field, value] : {std::pair{"message", &r.message}, {"pacMessage", &r.pacMessage}, {"code", &r.code},
                                {"estatusCancelacion", &r.estatusCancelacion}})
        c.text(field, *value);
    c.text("acuse", r.acuse, true);
    c.expect(!r.message.empty(), "no message");
    c.expect(r.outcome != PacOutcome::NotSent || authFailed, "NotSent after the request was answered");
    if (r.outcome == PacOutcome::Done) {
        c.expect(r.code == "201" || r.code == "202", "Done with code '" + r.code + "'");
        // About our folio: the answer names it, or names none (a code for the request as a whole).
        c.expect(containsNoCase(in.body, kCancelUuid) || !namesAFolio(in.body),
                 "Done, though the answer names another folio fiscal and not ours");
    }
    if (r.outcome == PacOutcome::Refused)
        c.expect(authFailed || !r.code.empty() || !r.pacMessage.empty(), "Refused without a code or the PAC's words");
}

void checkStatus(Checker& c, const PacSatStatus& r) {
    for (auto [field, value] : {std::pair{"message", &r.message}, {"codigoEstatus", &r.codigoEstatus},
                                {"estado", &r.estado}, {"esCancelable", &r.esCancelable},
                                {"estatusCancelacion", &r.estatusCancelacion}})
        c.text(field, *value);
    c.expect(!r.message.empty(), "no message");
    c.expect(r.outcome != PacOutcome::NotSent, "NotSent after the request was answered");
    c.expect(r.outcome != PacOutcome::Done || !r.estado.empty(), "Done without an Estado");
}

std::uint64_t fnv(std::uint64_t h, const std::string& bytes) {
    for (unsigned char c : bytes)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

std::string excerpt(const std::string& body) {
    std::string out;
    for (unsigned char c : body.substr(0, 1500))
        out += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '.';
    return out + (body.size() > 1500 ? "…(" + std::to_string(body.size()) + " bytes)" : "");
}

// Two CFDIs to stamp: the kit's payment CFDI, and an invoice sealed here whose customer's name
// needs escaping ("&", "<", quotes, accents) inside the Finkok answer's escaped XML.
std::vector<std::string> sentCfdis() {
    std::vector<std::string> sent{CfdiKit::readText(CfdiKit::dir() / "samples/pago20-EKU9003173C9.xml")};
    CfdiFixture f;
    const std::int32_t a = f.addArticle("M1", "Tuerca «3/8» & rondana", "31161700", f.iva16);
    const std::int32_t id = f.save(f.cliente, 77, {f.line(a, 100, 2)}, "M");
    const auto sealed = CCfdiIssuer(*f.db).Seal(id, {"01", "PUE", "G01", "", ""}, CfdiKit::password(), CfdiFixture::sealingNow());
    if (!sealed.ok())
        throw std::runtime_error("the fixture's document does not seal: " + sealed.errors.front());
    sent.push_back(sealed.xml);
    return sent;
}

} // namespace

int main(int argc, char** argv) {
    unsigned seed = 20261208;
    int inputs = 3000, show = -1;
    const bool trace = std::getenv("PAC_ANSWERS_TRACE") != nullptr;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--seed")
            seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        else if (option == "--inputs")
            inputs = std::atoi(argv[i + 1]);
        else if (option == "--show")
            show = std::atoi(argv[i + 1]);
        else
            return std::fprintf(stderr, "usage: pac_answers_mutation [--seed N] [--inputs N] [--show I]\n"), 2;
    }
    try {
        const auto start = std::chrono::steady_clock::now();
        ScratchDir scratch;
        const std::string canary = "CANARIO-" + std::to_string(seed) + "-ARCHIVO";
        const std::string canaryFile = scratch.file("canario.txt");
        std::ofstream(canaryFile) << canary;

        EVP_PKEY* key = kitKey();
        const std::vector<std::string> sent = sentCfdis();
        const std::vector<Seed> seeds = makeSeeds(sent, key);

        if (trace)
            for (const Seed& x : seeds)
                std::printf("seed %s %016llx\n", x.name.c_str(),
                            static_cast<unsigned long long>(fnv(1469598103934665603ull, x.body)));
        // The answers' server: the stand-in, with every answer scripted but those the clients ask
        // again on their own (a token after a 401, the stamp sent again with it).
        StandInPac server(kUser, kPassword);
        server.setClock(kClock);
        server.setKey(key);
        const PacConfig finkokConfig{PacProveedor::Finkok, PacAmbiente::Pruebas, server.url(), kUser, kPassword};
        const PacConfig swConfig{PacProveedor::Sw, PacAmbiente::Pruebas, server.url(), kUser, kPassword};
        const CPacClient::Timeouts timeouts{3000, 10000, 1};
        auto finkok = CPacClient::Create(finkokConfig, timeouts);
        auto sw = CPacClient::Create(swConfig, timeouts);

        // The inputs name the canaries by placeholders, put in when each is served: the port and
        // the scratch folder change from run to run, the inputs do not.
        std::mt19937 rng(seed);
        Mutator mutator(rng, "@ARCHIVO@", "@URL@");
        const auto placed = [&](std::string body) {
            for (const auto& [from, to] : {std::pair<std::string, std::string>{"@ARCHIVO@", canaryFile},
                                           {"@URL@", server.url() + kCanaryPath}})
                for (std::size_t p = body.find(from); p != std::string::npos; p = body.find(from, p + to.size()))
                    body.replace(p, from.size(), to);
            return body;
        };
        std::uint64_t digest = 1469598103934665603ull;
        Tally tally;
        std::map<std::string, int> problemKinds;
        int failures = 0;
        for (int i = 0; i < inputs; ++i) {
            const Seed& s = seeds[static_cast<std::size_t>(i) % seeds.size()];
            const Input in = mutator.mutate(s);
            digest = fnv(fnv(digest, in.body), std::to_string(in.status) + (in.cut ? "c" : "") + std::to_string(in.declared));
            std::string kinds;
            for (const std::string& w : in.what)
                kinds += (kinds.empty() ? "" : ", ") + w;
            if (show >= 0 && i != show)
                continue;
            if (show >= 0)
                std::printf("input %d, seed %s (%s), HTTP %ld:\n%s\n", i, s.name.c_str(), kinds.c_str(), in.status,
                            in.body.c_str());

            server.forget();
            const std::string type = s.type.empty() ? "text/xml" : s.type;
            const std::string http = httpAnswer(in.status, type, placed(in.body), in.declared);
            // Only SW's cancellation sends the CSD's password (Finkok's gets the key re-encrypted).
            Checker c(canary, s.op == Op::SwCancel);
            std::string outcome;
            const auto servedTo = [&](const std::string& path) {
                for (const auto& r : server.requests())
                    if (r.path == path)
                        return true;
                return false;
            };
            switch (s.op) {
            case Op::FinkokStamp: {
                server.script(CFinkokClient::kStampPath, http, in.cut);
                const PacStamp r = finkok->Stamp(sent[s.cfdi]);
                checkStamp(c, r, sent[s.cfdi], s, in, true, false, tally);
                outcome = name(r.outcome);
                break;
            }
            case Op::SwStamp: {
                server.script(CSwClient::kStampPath, http, in.cut);
                const PacStamp r = sw->Stamp(sent[s.cfdi]);
                checkStamp(c, r, sent[s.cfdi], s, in, servedTo(CSwClient::kStampPath), false, tally);
                outcome = name(r.outcome);
                break;
            }
            case Op::FinkokCancel: {
                server.script(CFinkokClient::kCancelPath, http, in.cut);
                const PacCancel r = finkok->Cancel(cancelRequest());
                checkCancel(c, r, in, false);
                outcome = name(r.outcome);
                break;
            }
            case Op::SwCancel: {
                server.script(CSwClient::kCancelPath, http, in.cut);
                const PacCancel r = sw->Cancel(cancelRequest());
                checkCancel(c, r, in, false);
                outcome = name(r.outcome);
                break;
            }
            case Op::FinkokStatus: {
                server.script(CFinkokClient::kCancelPath, http, in.cut);
                const PacSatStatus r = finkok->SatStatus(statusRequest());
                checkStatus(c, r);
                outcome = name(r.outcome);
                break;
            }
            case Op::SwStatus: {
                server.script(CSwClient::kSatStatusPath, http, in.cut);
                const PacSatStatus r = sw->SatStatus(statusRequest());
                checkStatus(c, r);
                outcome = name(r.outcome);
                break;
            }
            case Op::SwAuth: {
                // A new client asks for its token: once to test the account, once on the way to a
                // stamp whose own answer is good.
                server.script(CSwClient::kAuthenticatePath, http, in.cut);
                auto fresh = CPacClient::Create(swConfig, timeouts);
                if (i % 2) {
                    const PacCheck r = fresh->TestConnection();
                    c.text("message", r.message);
                    c.expect(!r.message.empty(), "no message");
                    c.expect(!r.ok || in.status == 200, "a token taken from HTTP " + std::to_string(in.status));
                    outcome = r.ok ? "ok" : "no";
                } else {
                    const Seed& good = *std::find_if(seeds.begin(), seeds.end(),
                                                     [](const Seed& x) { return x.name == "sw-cfdi0-timbrado"; });
                    server.script(CSwClient::kStampPath, httpAnswer(good.status, good.type, good.body));
                    const PacStamp r = fresh->Stamp(sent[0]);
                    const bool answered = servedTo(CSwClient::kStampPath);
                    checkStamp(c, r, sent[0], good, {good.status, good.body, false, -1, {}}, answered, !answered, tally);
                    c.expect(answered || r.outcome != PacOutcome::Done, "Done without a stamp answer");
                    outcome = name(r.outcome);
                }
                break;
            }
            }
            ++tally.outcomes[s.name.substr(0, s.name.find('-')) + " " + outcome];
            if (trace)
                std::printf("%d %s [%s] %s\n", i, s.name.c_str(), kinds.c_str(), outcome.c_str());
            // Nothing but the services' own paths: another is an entity or a DTD someone fetched.
            for (const auto& r : server.requests())
                if (r.path.rfind("/servicios/", 0) != 0 && r.path.rfind("/v2/", 0) != 0 &&
                    r.path.rfind("/cfdi33/", 0) != 0 && r.path != CSwClient::kSatStatusPath)
                    c.fail("something asked the loopback server for " + r.path.substr(0, 200));
            for (const std::string& p : c.problems)
                ++problemKinds[p.substr(0, p.find(" with code")) + " [" + s.name + "]"];
            if (!c.problems.empty()) {
                if (++failures <= 10) {
                    std::fprintf(stderr, "input %d (seed %s; %s; HTTP %ld):\n", i, s.name.c_str(), kinds.c_str(),
                                 in.status);
                    // Nothing but the services' own paths: another is an entity or a DTD someone fetched.
            for (const auto& r : server.requests())
                if (r.path.rfind("/servicios/", 0) != 0 && r.path.rfind("/v2/", 0) != 0 &&
                    r.path.rfind("/cfdi33/", 0) != 0 && r.path != CSwClient::kSatStatusPath)
                    c.fail("something asked the loopback server for " + r.path.substr(0, 200));
            for (const std::string& p : c.problems)
                        std::fprintf(stderr, "  - %s\n", p.c_str());
                    std::fprintf(stderr, "  answer: %s\n", excerpt(in.body).c_str());
                }
            }
        }
        EVP_PKEY_free(key);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%d inputs from %zu seeds (seed %u, digest %016llx) in %.1f s; %d failed\n", inputs, seeds.size(),
                    seed, static_cast<unsigned long long>(digest), seconds, failures);
        for (const auto& [k, n] : problemKinds)
            std::fprintf(stderr, "  %5d x %s\n", n, k.c_str());
        for (const auto& [k, n] : tally.outcomes)
            std::printf("  %-24s %d\n", k.c_str(), n);
        std::printf("  stamps the client took whose document was not the one sent (the stamper refuses them): %d\n",
                    tally.doneOtherDocument);
        return failures == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pac_answers_mutation: %s\n", e.what());
        return 1;
    }
}
