#pragma once

#include "db/DbValue.h"

#include <memory>
#include <string>

struct evp_pkey_st;
struct x509_st;

// The business's "certificado de sello digital": its certificate (DER) and its private key
// (encrypted PKCS#8, DER) opened with the password. Seals cadenas with SHA-256 and RSA.
class CCsd final {
public:
    // Opens the pair. Nothing when it cannot be used; `error` then says why, in Spanish
    // (a wrong password: "La contraseña de la llave privada no es correcta").
    static std::unique_ptr<CCsd> Open(const Blob& certificateDer, const Blob& keyDer, const std::string& password,
                                      std::string& error);
    // The certificate alone, checked as Open checks it; it cannot seal.
    static std::unique_ptr<CCsd> OpenCertificate(const Blob& certificateDer, std::string& error);
    // Whether the bytes are an encrypted PKCS#8 key (what the SAT hands out as .key); the
    // password is needed to know more.
    static bool IsEncryptedKey(const Blob& keyDer);
    ~CCsd();
    CCsd(const CCsd&) = delete;
    CCsd& operator=(const CCsd&) = delete;

    // The 20 digits the serial number spells in ASCII.
    const std::string& noCertificado() const { return m_noCertificado; }
    // The certificate's DER in base64, for the Certificado attribute.
    const std::string& certificadoBase64() const { return m_certificadoBase64; }
    // The RFC of the holder (the first of the "RFC / RFC del representante" of the subject).
    const std::string& rfc() const { return m_rfc; }

    // Whether the certificate is valid at this moment, given as seconds since 1970 (UTC).
    bool validAt(long long unixTime) const;
    // Expiry, as "AAAA-MM-DD", for messages.
    std::string validUntil() const;
    std::string validFrom() const;

    // The SHA-256/RSA (PKCS#1 v1.5) signature of the bytes, in base64: the Sello.
    std::string seal(const std::string& cadena) const;

private:
    CCsd() = default;
    x509_st* m_cert = nullptr;
    evp_pkey_st* m_key = nullptr;
    std::string m_noCertificado;
    std::string m_certificadoBase64;
    std::string m_rfc;
};

std::string Base64Encode(const unsigned char* data, std::size_t size);
