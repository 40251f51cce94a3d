#pragma once

#include <cstdint>
#include <optional>
#include <string>

class Database;

// What the printed CFDI shows, read from the XML stored with a document, never recomputed: the
// fiscal data of the issuer and the receiver, the payment keys with their SAT descriptions, the
// certificate numbers and seals, and, once stamped, the folio fiscal, the certification and the
// address of the SAT's verification that the QR holds.
struct CfdiPrintData final {
    bool present = false; // the document has a CFDI (sealed at least)
    bool stamped = false;  // its state is "Timbrado" and the XML carries the TFD

    std::string uuid;               // only when stamped
    std::string fechaEmision;       // Comprobante/@Fecha, as written ("2026-03-14T09:26:53")
    std::string fechaCertificacion; // TFD/@FechaTimbrado
    std::string rfcEmisor, nombreEmisor, regimenEmisor, lugarExpedicion;
    std::string rfcReceptor, nombreReceptor, domicilioReceptor, regimenReceptor;
    std::string usoCfdi, formaPago, metodoPago, tipoComprobante; // "G03 - Gastos en general"
    std::string noCertificado, noCertificadoSat;
    std::string sello, selloSat;
    std::string cadenaTfd;     // ||1.1|UUID|FechaTimbrado|RfcProvCertif|[Leyenda|]SelloCFD|NoCertificadoSAT||
    std::string impuestos;     // the document's taxes by rate: "IVA 16 %: 32.00"
    std::string verificacion;  // the QR's address; only when stamped

    // A payment complement's payment (type "P"): its part number, date, forma, amount, the
    // balances before and after it, and the folio fiscal, series and folio of the invoice paid.
    struct Pago {
        std::string numParcialidad, fechaPago, formaPago, monto, saldoAnterior, saldoInsoluto;
        std::string uuidFactura, serieFolioFactura;
    } pago;

    // Read from a stored CFDI; `stamped` says whether its state is "Timbrado". An XML that cannot
    // be read gives no data (present stays false).
    static CfdiPrintData FromXml(const std::string& xml, bool stamped);
    // The CFDI stored with the document `idDocumento`; no data when it has none (or the database
    // has no fiscal tables yet: nothing is created here).
    static CfdiPrintData Load(Database& db, std::int32_t idDocumento);
    // The complement of the document's payment `numPago`; no data when it has none.
    static CfdiPrintData LoadPayment(Database& db, std::int32_t idDocumento, std::int32_t numPago);

    // https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx?id=UUID&re=RFC&rr=RFC&tt=TOTAL&fe=LAST8
    static std::string VerificationUrl(const std::string& uuid, const std::string& rfcEmisor,
                                       const std::string& rfcReceptor, const std::string& total,
                                       const std::string& sello);
    // The Total as the QR carries it: its significant decimals, at least one ("1000.00" → "1000.0").
    static std::string TotalForQr(const std::string& total);
};
