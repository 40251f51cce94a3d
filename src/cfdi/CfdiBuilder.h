#pragma once

#include "cfdi/FiscalData.h"
#include "cfdi/XmlElement.h"
#include "db/OleDate.h"
#include "invoice/DocumentTotals.h"

#include <cstdint>
#include <string>
#include <vector>

class Database;

// Builds the cfdi:Comprobante 4.0 of a saved document from its lines and the fiscal data of the
// business, the customer, the articles and the taxes, after checking them against Anexo 20.
// The seal is not its business: NoCertificado and Certificado are given, Sello is left empty.
class CCfdiBuilder final {
public:
    struct Result {
        std::vector<std::string> errors; // Spanish, each naming the datum; empty when built
        XmlElement comprobante;
        EmisorFiscal emisor;
        DocumentoFiscal fiscal;  // as used (defaults filled in)
        std::string serie;
        std::int32_t folio = 0;
        OleDate fecha;  // the CFDI's
        DocumentTotals totals;  // the document's, summed as the CFDI sums them
        bool ok() const { return errors.empty(); }
    };

    explicit CCfdiBuilder(Database& db) : m_db(db) {}

    // `fiscal` empty fields take the document's stored values, then the customer's uso del CFDI,
    // then PUE/PPD from whether the document is paid. `fecha` is the CFDI's: the moment of sealing.
    Result Build(std::int32_t idDocumento, const DocumentoFiscal& fiscal, const std::string& noCertificado,
                 const std::string& certificadoBase64, OleDate fecha);

    // The fiscal data a document would be sealed with, before the operator changes it.
    DocumentoFiscal Proposal(std::int32_t idDocumento);

private:
    Database& m_db;
};

// Text the SAT's patterns refuse (a "|", a control character) or XML cannot carry (bytes that are
// not UTF-8, the non-characters).
bool IsCfdiText(const std::string& text);
// The business's fiscal data as a CFDI needs it: RFC, name, régimen (fitting the RFC), postal code;
// each problem appended to `errors` in Spanish.
void CheckEmisor(const EmisorFiscal& emisor, std::vector<std::string>& errors);
// "2026-12-08T10:15:00"; empty for a date that is none.
std::string CfdiFecha(OleDate d);
// Length in characters, as the schema's maxLength counts it.
std::size_t CfdiLength(const std::string& text);
// Blanks collapsed and trimmed, as the cadena will read them anyway.
std::string CollapseBlanks(const std::string& text);
