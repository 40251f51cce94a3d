#include "printing/FormatData.h"

#include <string_view>

namespace {

constexpr const char* kDocumentCaptions[FormatData::kDocumentCount] = {
    "Serie", "Folio", "Nombre Cliente", "Dirección 1", "Dirección 2", "Dirección 3", "RFC", "Teléfono",
    "Fecha", "Día (Fecha)", "Mes corto(Fecha)", "Mes largo(Fecha)", "Año (Fecha)", "Vencimiento", "Dia (Ven.)",
    "Mes corto(Ven.)", "Mes largo(Ven.)", "Año (Ven.)", "Observaciones", "Campo Extra1", "Campo Extra2",
    "Campo Extra3", "Campo Extra4", "Campo Extra5", "Campo Extra6", "Importe", "Importe neto", "Descuento",
    "Descuento neto", "Subtotal", "Impuesto 1", "Impuesto 2", "Impuesto Total", "Retención 1", "Retención 2",
    "Retención total", "Total", "Total con letra",
};

constexpr const char* kDetailCaptions[FormatData::kDetailCount] = {
    "Partida", "Clave del artículo", "Nombre del artículo", "Precio unitario", "Precio neto",
    "Descuento unitario", "Descuento total", "Porcentaje de descuento", "Precio unitario c/desc.",
    "Precio neto c/desc.", "Importe", "Importe neto", "Importe c/desc.", "Importe neto c/desc.", "Cantidad",
    "Observaciones de la partida", "Columna Extra1", "Columna Extra2", "Columna Extra3", "Columna Extra4",
};

// A sample that starts with '=' is an amount: the rest, right-justified in 15 characters.
// An empty entry shows the datum's caption.
constexpr const char* kDocumentSamples[FormatData::kDocumentCount] = {
    "A", "000523", "Abarrotes y Papelería San Telmo, S.A. de C.V.", "Av. Insurgentes Sur 1457",
    "Col. Del Valle C.P. 03100", "Ciudad de México", "AST991231AB4", "(55) 5524-8800",
    "15/Abr/2004", "15", "Abr", "Abril", "2004", "3/Sep/2004", "3", "Sep", "Septiembre", "2004",
    "", "", "", "", "", "", "",
    "=$1,200.00", "=$1,380.00", "=$120.00", "=$138.00", "=$1,080.00", "=$162.00", "=$0.00", "=$162.00",
    "=$0.00", "=$0.00", "=$0.00", "=$1,242.00", "MIL DOCIENTOS CUARENTA Y DOS PESOS 00/100 M.N.",
};

constexpr const char* kDetailSamples[FormatData::kDetailCount] = {
    "1", "S001", "Quintaleva versión 2", "=$600.00", "=$690.00", "=$60.00", "=$690.00", "10%", "=$540.00",
    "=$621.00", "=$1,200.00", "=$1,380.00", "=$1,080.00", "=$1,240.00", " 2", "", "", "", "", "",
};

std::string sampleText(const char* sample, const char* caption) {
    const std::string_view s(sample);
    if (s.empty())
        return caption;
    if (s.front() != '=')
        return std::string(s);
    const std::string_view amount = s.substr(1);
    const auto width = static_cast<std::size_t>(FormatData::kDocumentMoneyWidth);
    return std::string(amount.size() < width ? width - amount.size() : 0, ' ') + std::string(amount);
}

} // namespace

namespace FormatData {

bool IsDatum(std::int32_t kind, std::int32_t index) {
    if (kind == FIELD_DOC)
        return index >= 0 && index < kDocumentCount;
    if (kind == FIELD_DETAIL)
        return index >= 0 && index < kDetailCount;
    return false;
}

std::string Caption(std::int32_t kind, std::int32_t index) {
    if (!IsDatum(kind, index))
        return {};
    return kind == FIELD_DOC ? kDocumentCaptions[index] : kDetailCaptions[index];
}

std::string Sample(std::int32_t kind, std::int32_t index) {
    if (!IsDatum(kind, index))
        return {};
    if (kind == FIELD_DOC)
        return sampleText(kDocumentSamples[index], kDocumentCaptions[index]);
    return sampleText(kDetailSamples[index], kDetailCaptions[index]);
}

} // namespace FormatData
