#include "cfdi/Csd.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <ctime>
#include <vector>

namespace {

std::string asn1Date(const ASN1_TIME* t) {
    struct tm tm {};
    if (!t || ASN1_TIME_to_tm(t, &tm) != 1)
        return "?";
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return buf;
}

// The serial number's bytes are the ASCII digits of the NoCertificado.
std::string serialDigits(X509* cert) {
    const ASN1_INTEGER* serial = X509_get0_serialNumber(cert);
    BIGNUM* bn = ASN1_INTEGER_to_BN(serial, nullptr);
    if (!bn)
        return {};
    std::string bytes(static_cast<std::size_t>(BN_num_bytes(bn)), '\0');
    BN_bn2bin(bn, reinterpret_cast<unsigned char*>(bytes.data()));
    BN_free(bn);
    for (char c : bytes)
        if (c < '0' || c > '9')
            return {};
    return bytes;
}

// "EKU9003173C9 / VADA800927DJ3": the holder's RFC, then that of its legal representative.
std::string holderRfc(X509* cert) {
    X509_NAME* subject = X509_get_subject_name(cert);
    const int nid = OBJ_txt2nid("2.5.4.45");
    const int index = nid == NID_undef ? -1 : X509_NAME_get_index_by_NID(subject, nid, -1);
    if (index < 0)
        return {};
    const ASN1_STRING* data = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index));
    std::string text(reinterpret_cast<const char*>(ASN1_STRING_get0_data(data)),
                     static_cast<std::size_t>(ASN1_STRING_length(data)));
    const std::size_t slash = text.find('/');
    if (slash != std::string::npos)
        text.resize(slash);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    while (!text.empty() && text.front() == ' ')
        text.erase(text.begin());
    return text;
}

} // namespace

std::string Base64Encode(const unsigned char* data, std::size_t size) {
    std::string out(4 * ((size + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data, static_cast<int>(size));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::unique_ptr<CCsd> CCsd::OpenCertificate(const Blob& certificateDer, std::string& error) {
    std::unique_ptr<CCsd> csd(new CCsd);
    if (certificateDer.empty()) {
        error = "Falta el certificado de sello digital (archivo .cer) en los datos fiscales.";
        return nullptr;
    }
    const unsigned char* p = certificateDer.data();
    csd->m_cert = d2i_X509(nullptr, &p, static_cast<long>(certificateDer.size()));
    if (!csd->m_cert || p != certificateDer.data() + certificateDer.size()) {
        error = "El archivo del certificado no es un certificado del SAT (.cer en formato DER).";
        return nullptr;
    }
    // A CSD signs and nothing else; the e.firma (FIEL) also allows encipherment and must not seal.
    const uint32_t usage = X509_get_key_usage(csd->m_cert);
    const uint32_t other = KU_KEY_ENCIPHERMENT | KU_DATA_ENCIPHERMENT | KU_KEY_AGREEMENT | KU_KEY_CERT_SIGN;
    if (usage == UINT32_MAX || !(usage & (KU_DIGITAL_SIGNATURE | KU_NON_REPUDIATION)) || (usage & other)) {
        error = "El certificado no es un certificado de sello digital (CSD); la e.firma no sirve para sellar facturas.";
        return nullptr;
    }
    csd->m_noCertificado = serialDigits(csd->m_cert);
    if (csd->m_noCertificado.size() != 20) {
        error = "El número de serie del certificado no es un número de certificado del SAT (20 dígitos).";
        return nullptr;
    }
    csd->m_rfc = holderRfc(csd->m_cert);
    if (csd->m_rfc.empty()) {
        error = "El certificado no indica el RFC de su titular.";
        return nullptr;
    }
    csd->m_certificadoBase64 = Base64Encode(certificateDer.data(), certificateDer.size());
    return csd;
}

std::unique_ptr<CCsd> CCsd::Open(const Blob& certificateDer, const Blob& keyDer, const std::string& password,
                                 std::string& error) {
    std::unique_ptr<CCsd> csd = OpenCertificate(certificateDer, error);
    if (!csd)
        return nullptr;
    if (keyDer.empty()) {
        error = "Falta la llave privada del certificado de sello digital (archivo .key) en los datos fiscales.";
        return nullptr;
    }

    const unsigned char* k = keyDer.data();
    X509_SIG* encrypted = d2i_X509_SIG(nullptr, &k, static_cast<long>(keyDer.size()));
    if (!encrypted) {
        error = "El archivo de la llave privada no es una llave del SAT (.key cifrada, PKCS#8 DER).";
        return nullptr;
    }
    PKCS8_PRIV_KEY_INFO* info = PKCS8_decrypt(encrypted, password.data(), static_cast<int>(password.size()));
    X509_SIG_free(encrypted);
    if (!info) {
        error = "La contraseña de la llave privada no es correcta";
        return nullptr;
    }
    csd->m_key = EVP_PKCS82PKEY(info);
    PKCS8_PRIV_KEY_INFO_free(info);
    if (!csd->m_key || EVP_PKEY_get_base_id(csd->m_key) != EVP_PKEY_RSA) {
        error = "La llave privada no es una llave RSA del SAT.";
        return nullptr;
    }
    if (EVP_PKEY_eq(csd->m_key, X509_get0_pubkey(csd->m_cert)) != 1) {
        error = "La llave privada no corresponde al certificado.";
        return nullptr;
    }
    return csd;
}

bool CCsd::IsEncryptedKey(const Blob& keyDer) {
    const unsigned char* k = keyDer.data();
    X509_SIG* encrypted = d2i_X509_SIG(nullptr, &k, static_cast<long>(keyDer.size()));
    X509_SIG_free(encrypted);
    return encrypted != nullptr;
}

CCsd::~CCsd() {
    EVP_PKEY_free(m_key);
    X509_free(m_cert);
}

bool CCsd::validAt(long long unixTime) const {
    const time_t t = static_cast<time_t>(unixTime);
    return X509_cmp_time(X509_get0_notBefore(m_cert), const_cast<time_t*>(&t)) < 0 &&
           X509_cmp_time(X509_get0_notAfter(m_cert), const_cast<time_t*>(&t)) > 0;
}

std::string CCsd::validUntil() const { return asn1Date(X509_get0_notAfter(m_cert)); }
std::string CCsd::validFrom() const { return asn1Date(X509_get0_notBefore(m_cert)); }

std::string CCsd::seal(const std::string& cadena) const {
    if (!m_key)
        return {};
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    std::size_t size = static_cast<std::size_t>(EVP_PKEY_get_size(m_key));
    std::vector<unsigned char> signature(size);
    if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, m_key) != 1 ||
        EVP_DigestSign(ctx.get(), signature.data(), &size, reinterpret_cast<const unsigned char*>(cadena.data()),
                       cadena.size()) != 1)
        return {};
    return Base64Encode(signature.data(), size);
}
