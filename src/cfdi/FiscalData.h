#pragma once

#include "db/DbValue.h"

#include <cstdint>
#include <string>

// The business as the SAT knows it, with its CSD (certificado de sello digital) as the bytes of
// the files the operator chose. The key stays encrypted; its password is never stored.
struct EmisorFiscal final {
    std::string rfc;
    std::string razonSocial; // exactly as registered
    std::string regimenFiscal;
    std::string codigoPostal; // of the place of issue
    Blob certificado;         // DER
    Blob llavePrivada;        // encrypted PKCS#8, DER
};

struct ClienteFiscal final {
    std::string codigoPostal;
    std::string regimenFiscal;
    std::string usoCfdi; // proposed for the customer's documents
};

struct ArticuloFiscal final {
    std::string claveProdServ;
    std::string claveUnidad;
    std::string unidad;
    std::string objetoImp = "02";
};

// What a row of the taxes catalogue means to the SAT. Traslado or retención follows from its
// Retencion flag.
struct ImpuestoFiscal final {
    std::string impuesto;          // "001" ISR, "002" IVA, "003" IEPS
    std::string tipoFactor;        // "Tasa", "Cuota", "Exento"
    double tasaOCuota = 0;         // fraction (0.16), six decimals
};

struct DocumentoFiscal final {
    std::string formaPago;
    std::string metodoPago;  // "PUE" or "PPD"
    std::string usoCfdi;
    std::string exportacion = "01";
    // A CFDI it replaces (CfdiRelacionados, TipoRelacion 04): the folio fiscal of the one cancelled
    // with motive 01. Empty when it replaces none.
    std::string sustituyeUuid;
};

// The PAC that stamps the business's CFDIs and the account there. `url`, when given, replaces the
// PAC's host (a proxy of the business, or a stand-in on this machine).
enum class PacProveedor { Ninguno, Finkok, Sw };
enum class PacAmbiente { Pruebas, Produccion };

struct PacConfig final {
    PacProveedor pac = PacProveedor::Ninguno;
    PacAmbiente ambiente = PacAmbiente::Pruebas;
    std::string url;
    std::string usuario;
    std::string clave; // never shown, logged or put in a message
};

// Which CFDI: a document's invoice (numPago 0), the payment complement of its payment NumPago, or
// a global invoice to the public (idGlobal, no document of its own).
struct CfdiKey final {
    std::int32_t idDocumento = 0;
    std::int32_t numPago = 0;
    std::int32_t idGlobal = 0;

    CfdiKey() = default;
    CfdiKey(std::int32_t id, std::int32_t pago = 0) : idDocumento(id), numPago(pago) {} // NOLINT: an id is a key
    static CfdiKey Global(std::int32_t id) {
        CfdiKey k;
        k.idGlobal = id;
        return k;
    }
    bool isPayment() const { return numPago != 0; }
    bool isGlobal() const { return idGlobal != 0; }
    bool operator==(const CfdiKey&) const = default;
};
