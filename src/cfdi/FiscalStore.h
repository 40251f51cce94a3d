#pragma once

#include "cfdi/FiscalData.h"

#include <cstdint>
#include <optional>
#include <string>

class Database;

// Reads and writes the fiscal data of the business, customers, articles, taxes and documents,
// and the sealed XML of documents. Adds the fiscal tables to a file that lacks them.
class CFiscalStore final {
public:
    explicit CFiscalStore(Database& db);

    EmisorFiscal emisor();
    void saveEmisor(const EmisorFiscal& e);

    // Nothing when the row has no fiscal data yet.
    std::optional<ClienteFiscal> cliente(std::int32_t idCliente);
    void saveCliente(std::int32_t idCliente, const ClienteFiscal& c);
    std::optional<ArticuloFiscal> articulo(std::int32_t idArticulo);
    void saveArticulo(std::int32_t idArticulo, const ArticuloFiscal& a);
    std::optional<ImpuestoFiscal> impuesto(std::int32_t idImpuesto);
    void saveImpuesto(std::int32_t idImpuesto, const ImpuestoFiscal& i);
    std::optional<DocumentoFiscal> documento(std::int32_t idDocumento);
    void saveDocumento(std::int32_t idDocumento, const DocumentoFiscal& d);

    // The PAC and its account; Ninguno when none was chosen.
    PacConfig pac();
    void savePac(const PacConfig& p);

    struct StoredCfdi {
        std::string xml;
        std::string estado; // "Sellado": sealed by us, not stamped by a PAC
        std::string noCertificado;
    };
    std::optional<StoredCfdi> cfdi(std::int32_t idDocumento);
    // Stores the sealed XML of a document, with the document's fiscal data, in one transaction.
    void saveSealed(std::int32_t idDocumento, const DocumentoFiscal& d, const std::string& xml,
                    const std::string& noCertificado);

private:
    Database& m_db;
};
