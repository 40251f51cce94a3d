#pragma once

#include "cfdi/FiscalData.h"
#include "cfdi/XmlElement.h"
#include "db/OleDate.h"

#include <cstdint>
#include <string>
#include <vector>

class Database;

// Builds the CFDI of type "P" (Pagos 2.0) for one payment of a stamped PPD invoice, from the
// invoice's stamped XML and the document's payments as stored. The taxes paid are the invoice's in
// proportion to what has been paid so far, each payment taking the difference between the
// proportions after and before it: the payments' bases and taxes add up to the invoice's exactly
// once it is paid. Sello is left empty, as the invoice builder leaves it.
class CPaymentCfdiBuilder final {
public:
    struct Result {
        std::vector<std::string> errors;  // Spanish; empty when built
        XmlElement comprobante;
        std::string uuidFactura;
        std::string serie;       // the invoice's
        std::string folio;
        int numParcialidad = 0;
        std::int64_t saldoAnterior = 0, pagado = 0, saldoInsoluto = 0;  // cents
        bool ok() const { return errors.empty(); }
    };

    explicit CPaymentCfdiBuilder(Database& db) : m_db(db) {}

    // `key` names the document and its payment; `formaPago` is FormaDePagoP; `fecha` the moment
    // of sealing.
    Result Build(const CfdiKey& key, const std::string& formaPago, const EmisorFiscal& emisor,
                 const std::string& noCertificado, const std::string& certificadoBase64, OleDate fecha);

    // Whether a document's invoice is stamped with MetodoPago PPD: its payments owe complements.
    static bool OwesComplements(Database& db, std::int32_t idDocumento);

private:
    Database& m_db;
};
