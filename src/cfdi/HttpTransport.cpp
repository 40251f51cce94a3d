#include "cfdi/HttpTransport.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace {

void globalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::size_t collect(char* data, std::size_t size, std::size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// "host" of "scheme://host[:port]/...", without user information.
std::string hostOf(const std::string& url) {
    const std::size_t start = url.find("://");
    if (start == std::string::npos)
        return {};
    std::string rest = url.substr(start + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = rest.rfind('@'); at != std::string::npos)
        rest = rest.substr(at + 1);
    if (!rest.empty() && rest.front() == '[')
        return rest.substr(0, rest.find(']') + 1);
    return rest.substr(0, rest.find(':'));
}

std::string seconds(long ms) {
    const long s = (ms + 999) / 1000;
    return std::to_string(s) + (s == 1 ? " segundo" : " segundos");
}

} // namespace

bool CHttpTransport::Allowed(const std::string& url) {
    const std::string u = lower(url);
    if (u.rfind("https://", 0) == 0)
        return !hostOf(u).empty();
    if (u.rfind("http://", 0) == 0) {
        const std::string host = hostOf(u);
        return host == "127.0.0.1" || host == "localhost" || host == "[::1]";
    }
    return false;
}

CHttpTransport::Answer CHttpTransport::Post(const std::string& url, const std::vector<std::string>& headers,
                                            const std::string& body) const {
    return perform(url, headers, &body, nullptr);
}

CHttpTransport::Answer CHttpTransport::PostForm(const std::string& url, const std::vector<std::string>& headers,
                                                const FormPart& part) const {
    return perform(url, headers, nullptr, &part);
}

CHttpTransport::Answer CHttpTransport::perform(const std::string& url, const std::vector<std::string>& headers,
                                               const std::string* body, const FormPart* part) const {
    Answer a;
    const std::string host = hostOf(url);
    if (!Allowed(url)) {
        a.error = "La dirección «" + host + "» no es válida: el PAC se llama por https (http sólo en esta computadora).";
        return a;
    }
    globalInit();
    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    std::unique_ptr<curl_slist, void (*)(curl_slist*)> list(nullptr, curl_slist_free_all);
    std::unique_ptr<curl_mime, void (*)(curl_mime*)> mime(nullptr, curl_mime_free);
    if (!curl) {
        a.error = "No se pudo preparar la conexión con el PAC.";
        return a;
    }
    CURL* c = curl.get();
    for (const std::string& h : headers)
        list.reset(curl_slist_append(list.release(), h.c_str()));
    // "Expect: 100-continue" would hold the body back for a second on servers that ignore it.
    list.reset(curl_slist_append(list.release(), "Expect:"));
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, list.get());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, m_timeouts.connectMs);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, m_timeouts.connectMs + m_timeouts.answerMs);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &a.body);
    if (part) {
        mime.reset(curl_mime_init(c));
        curl_mimepart* p = curl_mime_addpart(mime.get());
        curl_mime_name(p, part->name.c_str());
        curl_mime_filename(p, part->fileName.c_str());
        curl_mime_type(p, part->type.c_str());
        curl_mime_data(p, part->data.data(), part->data.size());
        curl_easy_setopt(c, CURLOPT_MIMEPOST, mime.get());
    } else {
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, body->data());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
    }

    const CURLcode rc = curl_easy_perform(c);
    if (rc == CURLE_OK) {
        a.outcome = Answer::Outcome::Answered;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &a.status);
        return a;
    }
    // Any byte of the request on the wire means the PAC may have acted on it.
    long sent = 0;
    curl_easy_getinfo(c, CURLINFO_REQUEST_SIZE, &sent);
    a.body.clear();
    if (sent > 0) {
        a.outcome = Answer::Outcome::Lost;
        a.error = rc == CURLE_OPERATION_TIMEDOUT
                      ? "El PAC recibió la solicitud y no respondió en " + seconds(m_timeouts.answerMs) + "."
                      : "El PAC recibió la solicitud y la conexión se cortó antes de la respuesta.";
        return a;
    }
    a.outcome = Answer::Outcome::NotSent;
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
        a.error = "No se encontró el servidor «" + host + "»: revise la conexión a internet.";
        break;
    case CURLE_OPERATION_TIMEDOUT:
        a.error = "El servidor «" + host + "» no contestó en " + seconds(m_timeouts.connectMs) +
                  ": revise la conexión a internet.";
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CONNECT_ERROR:
        a.error = "No se pudo comprobar el certificado de seguridad del servidor «" + host +
                  "»: revise la fecha de la computadora y sus certificados.";
        break;
    case CURLE_COULDNT_CONNECT:
        a.error = "No se pudo conectar con el servidor «" + host + "»: revise la conexión a internet o la dirección del PAC.";
        break;
    default:
        // libcurl's own words are English; its number is for whoever looks into it.
        a.error = "No se pudo conectar con el servidor «" + host + "» (error " + std::to_string(static_cast<int>(rc)) +
                  " de la conexión).";
    }
    return a;
}
