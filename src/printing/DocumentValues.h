#pragma once

#include "cfdi/CfdiPrintData.h"
#include "db/BusinessData.h"
#include "db/OleDate.h"
#include "invoice/DocumentTotals.h"
#include "printing/FieldValueProvider.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class CPartida;

// The field value provider over a document as printing sees it: the header the caller fills, the
// totals, and the detail line being printed. The print job derives from it (or fills one) and
// moves CurrentLine / CurrentLineNumber through the lines as it prints them.
class CDocumentValues : public CFieldValueProvider {
public:
    std::int32_t Folio = 0;
    std::string Serie;
    std::string Nombre;
    std::string Dom1, Dom2, Dom3;
    std::string Telefono;
    std::string RFC;
    // Empty, or a date that is not valid, prints "--/--/--" (and empty day, month and year).
    std::optional<OleDate> Fecha;
    std::optional<OleDate> Vencimiento;
    std::array<std::string, 6> Extras;
    std::string Observaciones;
    DocumentTotals Totals;
    // The document's CFDI as stored (FormatData::kFirstCfdi …); empty when it has none.
    CfdiPrintData Cfdi;
    // The business's name, address, RFC and telephone (FormatData::kFirstNegocio …).
    BusinessData Negocio;
    // The picture file of the business's logo (the workstation's `Logo` setting); empty for none.
    std::string Logo;

    // The line being printed (not owned) and its row in the grid, 1 for the first detail line.
    const CPartida* CurrentLine = nullptr;
    std::int32_t CurrentLineNumber = 0;

    // Document data: amounts as the regional money text right-justified (or cut) to 15 characters,
    // the folio with at least six digits, dates as "15/Abr/2004".
    std::string DocumentValue(std::int32_t index) const override;
    // Detail data of CurrentLine: amounts in 10 characters (CPartida::PrintValue).
    std::string DetailValue(std::int32_t index) const override;
};
