#pragma once

// The SAT's test kit (schemas, cadena stylesheet, test CSD, samples), read-only; tests that need
// a changed copy make it in their scratch folder.
#include "db/DbValue.h"

#include <filesystem>
#include <string>

namespace CfdiKit {

std::filesystem::path dir();
Blob readFile(const std::filesystem::path& file);
std::string readText(const std::filesystem::path& file);
// The test CSD EKU9003173C9 and its password.
Blob certificate();
Blob key();
std::string password();

// xsltproc with the SAT's cadenaoriginal_4_0.xslt over `xmlFile`.
std::string xsltprocCadena(const std::filesystem::path& xmlFile);

// Schema validation with libxml2 against the kit's schemas, with catCFDI.xsd replaced by a
// stand-in of plain strings (the kit ships without it) made under `scratch` once.
class SchemaValidator final {
public:
    explicit SchemaValidator(const std::filesystem::path& scratch);
    ~SchemaValidator();
    // Empty when valid, else libxml2's messages.
    std::string validate(const std::string& xml) const;

private:
    void* m_schema = nullptr;
};

// Verifies a base64 Sello over `cadena` with the public key of a DER certificate.
bool verifySeal(const Blob& certificateDer, const std::string& cadena, const std::string& selloBase64);

// The value of an attribute selected by an XPath expression ("string(/*/@Sello)").
std::string xpath(const std::string& xml, const std::string& expression);

} // namespace CfdiKit
