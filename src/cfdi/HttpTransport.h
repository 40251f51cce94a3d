#pragma once

#include <string>
#include <vector>

// One HTTPS POST through libcurl, telling apart what matters when the request changes something on
// the far side: whether it never left (safe to send again), whether it left and no answer came
// back (the far side may have acted), or whether an answer arrived. Certificates are checked
// against the system's CA store; plain http is allowed only to this machine.
class CHttpTransport final {
public:
    struct Timeouts {
        long connectMs = 10000;
        long answerMs = 60000;
        // A PAC that says "already stamped" without the stamp yet is asked again after this.
        long earlierStampWaitMs = 2000;
    };
    struct Answer {
        enum class Outcome { Answered, NotSent, Lost };
        Outcome outcome = Outcome::NotSent;
        long status = 0;    // HTTP status when answered
        std::string body;
        std::string error;  // Spanish, when not answered
    };
    // One part of a multipart/form-data body.
    struct FormPart {
        std::string name;
        std::string fileName;
        std::string type;
        std::string data;
    };

    explicit CHttpTransport(Timeouts t) : m_timeouts(t) {}

    Answer Post(const std::string& url, const std::vector<std::string>& headers, const std::string& body) const;
    Answer PostForm(const std::string& url, const std::vector<std::string>& headers, const FormPart& part) const;

    // Whether the URL may be used: https anywhere, http only to 127.0.0.1, ::1 or localhost.
    static bool Allowed(const std::string& url);

private:
    Answer perform(const std::string& url, const std::vector<std::string>& headers, const std::string* body,
                   const FormPart* part) const;
    Timeouts m_timeouts;
};
