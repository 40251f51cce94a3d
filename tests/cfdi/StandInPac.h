#pragma once

// A PAC on 127.0.0.1 for tests, speaking Finkok's SOAP and SW's REST on the same port (their
// paths do not overlap), and the SAT's status service. It stamps with a TFD 1.1 signed by a key
// of its own, remembers what it stamped (a second request for the same CFDI gets 307 with the
// earlier stamp), and can be told to refuse, to hang, to cut the connection or to talk nonsense.
// Runs in a thread from construction to destruction.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <map>

struct evp_pkey_st;

class StandInPac final {
public:
    enum class Mode {
        Answer,        // stamps, cancels and answers as a PAC does
        Refuse,        // stamps and cancellations refused with `code`
        EarlierLater,  // 307 without the earlier stamp (the PAC has it, but not at hand yet)
        Hang,          // reads the request and never answers
        Cut,           // reads the request and drops the connection
        StampThenCut,  // does what was asked (a stamp is kept), then drops the connection unanswered
        Garbage,       // an HTTP 200 of random bytes
    };
    struct Request {
        std::string path;
        std::string headers;
        std::string body;
    };

    StandInPac(std::string user, std::string password);
    ~StandInPac();
    StandInPac(const StandInPac&) = delete;
    StandInPac& operator=(const StandInPac&) = delete;

    std::string url() const;
    void setMode(Mode mode, std::string code = {});
    // In EarlierLater mode, only the next `requests` Finkok requests; then as Answer.
    void earlierLaterFor(int requests);
    // What the SAT says of any UUID whose cancellation was not asked: "Vigente", "Cancelado",
    // "No Encontrado".
    void setEstado(std::string estado);
    // What it says of one whose cancellation it took (201): by default "Cancelado", "Cancelado sin
    // aceptación"; ("Vigente", "En proceso") or ("Vigente", "Solicitud rechazada") otherwise.
    void setAfterCancel(std::string estado, std::string estatus);
    // Takes `uuid` as one it stamped (on another day): its cancellation is answered.
    void knowUuid(const std::string& uuid);
    // For answers that are the same on every run: the time it gives ("2026-03-14T09:30:00") instead
    // of the clock's, and the key it signs with (the caller's, kept alive by it) instead of its own.
    void setClock(std::string fecha);
    void setKey(evp_pkey_st* key);
    // The next request to `path` gets `http` (a whole HTTP answer) as it is, or its connection
    // dropped (`cut`), whatever the mode; a request with nothing scripted is answered as usual.
    void script(const std::string& path, std::string http, bool cut = false);
    // Forgets the requests it got and the answers still scripted.
    void forget();
    std::vector<Request> requests();
    // How many different CFDIs it has stamped.
    std::size_t stampedCount();
    // The CFDI of the last stamp request, as the PAC received it (decoded).
    std::string lastReceivedCfdi();
    // Why it refused the payment CFDIs it refused, in order.
    std::vector<std::string> refusals();

    // The whole HTTP answer to a request, as the server would send it (nothing for a hang or a cut).
    std::string answer(const Request& r);

    // Time spent answering, summed over every request: from the whole request read to the whole
    // answer sent. What a benchmark leaves out of the client's own time.
    std::chrono::nanoseconds handlingTime() const { return std::chrono::nanoseconds(m_handlingNs.load()); }

    // Whether `selloSat` is this PAC's RSA-SHA256 signature of `cadena`.
    bool verifySatSeal(const std::string& cadena, const std::string& selloSat) const;

    static constexpr const char* kNoCertificadoSat = "30001000000500003456";
    static constexpr const char* kRfcProvCertif = "SPR190613I52";

private:
    void serve();
    void handle(int fd);
    std::string respond(const Request& r, bool& hang, bool& cut);
    std::string finkok(const Request& r);
    std::string sw(const Request& r);
    std::string satStatus(const Request& r);
    // The CFDI with a new TFD, or the one stamped before; empty when it cannot be stamped.
    std::string stamp(const std::string& cfdi, bool& earlier, std::string& refusal);
    std::string clock();
    // 201 for a CFDI it stamped and a valid motive (01 with its replacement), 202 when asked before,
    // 205 for one it never stamped, 207 for a wrong motive.
    std::string cancelStatus(const std::string& uuid, const std::string& motivo, const std::string& folio);
    std::pair<std::string, std::string> satState(const std::string& uuid);

    int m_listen = -1;
    int m_stop[2] = {-1, -1};
    int m_port = 0;
    std::string m_user, m_password, m_token;
    evp_pkey_st* m_key = nullptr; // shared by every instance, made once
    std::mutex m_mutex;
    Mode m_mode = Mode::Answer;
    int m_earlierLaterLeft = -1;  // -1: for ever
    std::string m_code;
    std::string m_estado = "Vigente";
    std::string m_clock;
    std::vector<Request> m_requests;
    std::map<std::string, std::vector<std::pair<std::string, bool>>> m_scripts; // by path, in order
    std::string m_lastCfdi;
    std::map<std::string, std::string> m_cancelled;  // UUID → motive
    std::vector<std::string> m_known;
    std::pair<std::string, std::string> m_afterCancel{"Cancelado", "Cancelado sin aceptación"};
    std::vector<std::string> m_refusals;
    std::map<std::string, std::string> m_stamped; // by the CFDI's Sello
    unsigned m_serial = 0;
    std::atomic<std::int64_t> m_handlingNs{0};
    std::thread m_thread;
};
