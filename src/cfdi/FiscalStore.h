#pragma once

#include "cfdi/FiscalData.h"
#include "invoice/CfdiState.h"
#include "invoice/DocumentTotals.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

    // The states of a document's CFDI.
    static constexpr const char* kSellado = CfdiState::kSellado;
    static constexpr const char* kPendiente = CfdiState::kPendiente;
    static constexpr const char* kTimbrado = CfdiState::kTimbrado;

    struct StoredCfdi {
        std::string xml;
        std::string estado;
        std::string noCertificado;
        std::string uuid;         // once stamped
        std::string ultimoError;  // of the last stamping that did not end stamped
    };
    std::optional<StoredCfdi> cfdi(std::int32_t idDocumento);
    // Stores the sealed XML of a document, with the document's fiscal data, in one transaction.
    // With `totals`, the document's stored totals become them in the same transaction.
    void saveSealed(std::int32_t idDocumento, const DocumentoFiscal& d, const std::string& xml,
                    const std::string& noCertificado, const DocumentTotals* totals = nullptr);
    // The stamped XML, its folio fiscal and the moment of certification, in place of the sealed one.
    void saveStamped(std::int32_t idDocumento, const std::string& xml, const std::string& uuid, double timbrado);
    // After a stamping that did not end stamped: `pending` when the PAC may hold the CFDI (its
    // bytes must then be sent again as they are), else back to sealed; `error` said why.
    void saveStampFailure(std::int32_t idDocumento, bool pending, const std::string& error);
    // The documents whose stamping is pending, oldest first.
    std::vector<std::int32_t> pendingStamps();
    // The invoices to stamp: the pending ones, then the sealed ones whose stamping was tried and
    // refused, each group oldest first.
    std::vector<std::int32_t> toStamp();

private:
    Database& m_db;
};
