#include "CfdiKit.h"

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <set>
#include <stdexcept>

namespace fs = std::filesystem;

namespace CfdiKit {

fs::path dir() { return QUINTALEVA_CFDI_KIT; }

Blob readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return Blob(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readText(const fs::path& file) {
    const Blob b = readFile(file);
    return std::string(b.begin(), b.end());
}

Blob certificate() { return readFile(dir() / "csd/EKU9003173C9.cer"); }
Blob key() { return readFile(dir() / "csd/EKU9003173C9.key"); }
std::string password() {
    std::string p = readText(dir() / "csd/EKU9003173C9.password.txt");
    while (!p.empty() && (p.back() == '\n' || p.back() == '\r'))
        p.pop_back();
    return p;
}

std::string xsltprocCadena(const fs::path& xmlFile) {
    const std::string command = "xsltproc '" + (dir() / "xslt/cadenaoriginal_4_0.xslt").string() + "' '" +
                                xmlFile.string() + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        throw std::runtime_error("cannot run xsltproc");
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0)
        out.append(buf, n);
    return out;
}

namespace {

void collect(void* ctx, const char* fmt, ...) {
    char buf[1024];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    *static_cast<std::string*>(ctx) += buf;
}

} // namespace

SchemaValidator::SchemaValidator(const fs::path& scratch) {
    const fs::path xsd = scratch / "xsd";
    fs::create_directories(xsd);
    std::set<std::string> types;
    const std::regex type("catCFDI:(c_[A-Za-z]*)");
    for (const fs::directory_entry& e : fs::directory_iterator(dir() / "xsd")) {
        fs::copy_file(e.path(), xsd / e.path().filename(), fs::copy_options::overwrite_existing);
        if (e.path().filename() == "cfdv40.xsd" || e.path().filename() == "Pagos20.xsd") {
            const std::string text = readText(e.path());
            for (std::sregex_iterator it(text.begin(), text.end(), type), end; it != end; ++it)
                types.insert((*it)[1]);
        }
    }
    std::ofstream cat(xsd / "catCFDI.xsd");
    cat << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
           "targetNamespace=\"http://www.sat.gob.mx/sitio_internet/cfd/catalogos\">\n";
    for (const std::string& t : types)
        cat << "  <xs:simpleType name=\"" << t << "\"><xs:restriction base=\"xs:string\"/></xs:simpleType>\n";
    cat << "</xs:schema>\n";
    cat.close();
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt((xsd / "kit-cfdi40-tfd-pagos.xsd").c_str());
    m_schema = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
    if (!m_schema)
        throw std::runtime_error("the kit's schemas do not parse");
}

SchemaValidator::~SchemaValidator() { xmlSchemaFree(static_cast<xmlSchemaPtr>(m_schema)); }

std::string SchemaValidator::validate(const std::string& xml) const {
    std::string messages;
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, XML_PARSE_NONET);
    if (!doc)
        return "not well-formed";
    xmlSchemaValidCtxtPtr ctx = xmlSchemaNewValidCtxt(static_cast<xmlSchemaPtr>(m_schema));
    xmlSchemaSetValidErrors(ctx, collect, collect, &messages);
    const int rc = xmlSchemaValidateDoc(ctx, doc);
    xmlSchemaFreeValidCtxt(ctx);
    xmlFreeDoc(doc);
    if (rc != 0 && messages.empty())
        messages = "invalid (" + std::to_string(rc) + ")";
    return messages;
}

bool verifySeal(const Blob& certificateDer, const std::string& cadena, const std::string& selloBase64) {
    const unsigned char* p = certificateDer.data();
    std::unique_ptr<X509, void (*)(X509*)> cert(d2i_X509(nullptr, &p, static_cast<long>(certificateDer.size())),
                                                X509_free);
    if (!cert)
        return false;
    std::vector<unsigned char> sig(selloBase64.size());
    const int len = EVP_DecodeBlock(sig.data(), reinterpret_cast<const unsigned char*>(selloBase64.data()),
                                    static_cast<int>(selloBase64.size()));
    if (len <= 0)
        return false;
    // EVP_DecodeBlock counts the padding as zero bytes.
    std::size_t size = static_cast<std::size_t>(len);
    for (auto it = selloBase64.rbegin(); it != selloBase64.rend() && *it == '='; ++it)
        --size;
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    return EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha256(), nullptr, X509_get0_pubkey(cert.get())) == 1 &&
           EVP_DigestVerify(ctx.get(), sig.data(), size, reinterpret_cast<const unsigned char*>(cadena.data()),
                            cadena.size()) == 1;
}

std::string xpath(const std::string& xml, const std::string& expression) {
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, XML_PARSE_NONET);
    if (!doc)
        return {};
    xmlXPathContextPtr ctx = xmlXPathNewContext(doc);
    xmlXPathRegisterNs(ctx, BAD_CAST "cfdi", BAD_CAST "http://www.sat.gob.mx/cfd/4");
    xmlXPathObjectPtr obj = xmlXPathEvalExpression(BAD_CAST expression.c_str(), ctx);
    std::string out;
    if (obj) {
        xmlChar* s = xmlXPathCastToString(obj);
        out = reinterpret_cast<const char*>(s);
        xmlFree(s);
        xmlXPathFreeObject(obj);
    }
    xmlXPathFreeContext(ctx);
    xmlFreeDoc(doc);
    return out;
}

} // namespace CfdiKit
