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
    static constexpr const char* kPorSellar = CfdiState::kPorSellar;

    struct StoredCfdi {
        std::string xml;
        std::string estado;
        std::string noCertificado;
        std::string uuid;         // once stamped
        std::string ultimoError;  // of the last stamping that did not end stamped
        // Its cancellation before the SAT: empty (never asked), CfdiState::kCancelacionEnProceso,
        // kCancelado or kSolicitudRechazada; the motive and replacement asked, the SAT's words
        // ("Cancelado sin aceptación") and when they were last asked (an OleDate, 0: never).
        std::string cancelacion;
        std::string motivo;
        std::string folioSustitucion;
        std::string estatusSat;
        double consultaSat = 0;
    };
    // Nothing when there is no such CFDI, or (a payment's) it is not sealed yet.
    std::optional<StoredCfdi> cfdi(const CfdiKey& key);
    // Stores the sealed XML of a document, with the document's fiscal data, in one transaction.
    // With `totals`, the document's stored totals become them in the same transaction.
    void saveSealed(std::int32_t idDocumento, const DocumentoFiscal& d, const std::string& xml,
                    const std::string& noCertificado, const DocumentTotals* totals = nullptr);
    // The stamped XML, its folio fiscal and the moment of certification, in place of the sealed one.
    void saveStamped(const CfdiKey& key, const std::string& xml, const std::string& uuid, double timbrado);
    // After a stamping that did not end stamped: `pending` when the PAC may hold the CFDI (its
    // bytes must then be sent again as they are), else back to sealed; `error` said why.
    void saveStampFailure(const CfdiKey& key, bool pending, const std::string& error);
    // The documents whose stamping is pending, oldest first.
    std::vector<std::int32_t> pendingStamps();
    // The invoices to stamp: the pending ones, then the sealed ones whose stamping was tried and
    // refused, each group oldest first.
    std::vector<std::int32_t> toStamp();

    // Payment complements. A payment of a stamped PPD invoice owes one: its row is noted with the
    // forma de pago when the payment is received (or the invoice stamped), "Por sellar" until it is
    // sealed. Noting a payment that has its row already changes nothing.
    void notePayment(const CfdiKey& key, const std::string& formaPago);
    // Changes the forma de pago of a complement not sealed yet; a sealed one keeps the one it carries.
    void setPaymentForma(const CfdiKey& key, const std::string& formaPago);
    // The forma de pago noted for the payment; empty when none was.
    std::string paymentForma(const CfdiKey& key);
    void saveSealedPayment(const CfdiKey& key, const std::string& formaPago, const std::string& xml,
                           const std::string& noCertificado);
    // The complements not stamped yet, pending ones first, then by document and payment.
    std::vector<CfdiKey> paymentsToStamp();
    // Cancellation before the SAT. A request the PAC took (or may have taken): "Cancelación en
    // proceso", with its motive, replacement, the SAT's receipt and words.
    void saveCancelRequest(const CfdiKey& key, const std::string& motivo, const std::string& folioSustitucion,
                           const std::string& acuse, const std::string& estatusSat);
    // What the SAT said when asked at `when`: `cancelacion` one of CfdiState's (empty: none known).
    void saveSatStatus(const CfdiKey& key, const std::string& cancelacion, const std::string& estatusSat, double when);
    // The CFDIs whose cancellation is in process: global invoices, invoices, complements.
    std::vector<CfdiKey> cancellationsInProcess();

    // The global invoices not stamped yet, pending ones first.
    std::vector<CfdiKey> globalsToStamp();

    // How many complements are pending (the PAC may hold them).
    std::size_t pendingPayments();
    // The payment complements a document has (noted, sealed or stamped), in payment order.
    std::vector<CfdiKey> paymentsOf(std::int32_t idDocumento);

private:
    Database& m_db;
};
