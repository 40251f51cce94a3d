#pragma once

#include "cfdi/FiscalData.h"
#include "db/OleDate.h"
#include "invoice/DocumentTotals.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class CCsd;
class Database;
struct XmlElement;

// Seals a saved document: checks its data, opens the business's CSD with the password, builds
// the CFDI, computes its cadena original and seal, and (Save) writes the file and stores the XML
// with the document. It seals; it does not stamp (no PAC is involved yet).
class CCfdiIssuer final {
public:
    struct Sealed {
        std::vector<std::string> errors; // Spanish; empty when sealed
        std::string xml;
        std::string cadena;
        std::string noCertificado;
        std::string fileName;            // RFCEMISOR_SERIE_FOLIO.xml
        std::string yearMonth[2];        // "2026", "12": the folders the file goes into
        DocumentoFiscal fiscal;
        std::string notice;              // Spanish, for the operator: a document of an earlier day
        DocumentTotals totals;           // the document's as the CFDI states them
        bool ok() const { return errors.empty(); }
    };

    explicit CCfdiIssuer(Database& db) : m_db(db) {}

    // Builds and seals; writes nothing. The CFDI is dated `now`, the moment of sealing, since the
    // SAT stamps only CFDIs at most 72 hours old: a document of an earlier day gets today's date
    // (and a notice saying so), one of a later day is refused until that day.
    Sealed Seal(std::int32_t idDocumento, const DocumentoFiscal& fiscal, const std::string& password,
                OleDate now = OleDate::now());

    // The complement of the payment `key`, with FormaDePagoP `formaPago`, dated `now`; its file is
    // RFCEMISOR_SERIE_FOLIO_P<NumPago>.xml in the invoice's folders.
    Sealed SealPayment(const CfdiKey& key, const std::string& formaPago, const std::string& password,
                       OleDate now = OleDate::now());

    // Writes the sealed XML to `file` (complete or not at all) and stores it with the document (or
    // its payment), marked as sealed, not stamped. False with `error` set and nothing left behind on
    // failure.
    bool Save(const CfdiKey& key, const Sealed& sealed, const std::filesystem::path& file, std::string& error);

    // Stores the sealed XML with the document, marked as sealed, without a file. The document's
    // stored totals become the CFDI's (one saved before the business had fiscal data was summed
    // without rounding each line), so the balance the customer pays is the invoice's.
    void Store(const CfdiKey& key, const Sealed& sealed);

    // `folder`/AAAA/MM/RFCEMISOR_SERIE_FOLIO.xml
    static std::filesystem::path PathIn(const std::filesystem::path& folder, const Sealed& sealed);

    // Computes the cadena and the seal of `comprobante` and fills the sealed result; false, with
    // the error in `s`, when it cannot.
    static bool SealBuilt(XmlElement& comprobante, const CCsd& csd, OleDate fecha, Sealed& s);
    // The certificate is the business's and valid at `fecha`; problems appended to `s`.
    static void checkCsd(const CCsd& csd, const EmisorFiscal& emisor, OleDate fecha, Sealed& s);

private:
    Database& m_db;
};
