#include "printing/FormatData.h"

#include <string_view>

namespace {

constexpr const char* kSampleSello =
    "UvImZaYMEtKJGF2VDuiBNgkWb2sRPReNbA/TkB/yOaGglfIPk5VlDPk4C47bIkprJIoekk6P0K4uGpSSozBfGIy2EJ"
    "APnjR/rohtxlB3lex0XEw/yy6yxz4Uk0yGfuBXunJJm/oSHoNrKsFXJu59awr2qxPDjpLK4NFQV7FZmH+UzHQR1xfx"
    "RXmyqhAPu7NPpZP+rtJySLdi46tYBfB2WiucHX4PN8RJIb0/ZWTq338UKnJmjEfiI9Fu3YxHtGr8W67iYfU7JhUtJj"
    "uoOwN81JYuQ0gBJWuIXpyQUfMgsNuD856nrb0NdObex/PfrsyPZGVmZBp7omYPMBH8NXApHA==";
constexpr const char* kSampleSelloSat =
    "V5kNGgCRJokZ8l2dBhLfNZ1gJqJA9FiaXXkfHdl8/vp3entPFSQav1e9Q3rUsSmEBTTz84dcJbCL6gbCh0z6pN0Xst"
    "hChF3oKlvFOYiKx4BUojmcz8n8wtoxzj3RZr3NOjOEflu7B/0Hykd4QjGxmvRYcs7vufxZ9PldFDgaOngyVjR7n/zm"
    "nNcAeuinWMykFdWpHuhjyLbAM3rjLW/KolUWzfL4uGV2Zr7yFbkoK/4gByaX53fOpyWc05j6eajvWSeMjCEFA8z4ua"
    "Yahr/vI2/83zHT3zYHQDZKgD3DllNCi2vVIQ/ovVrldamV0OeEa9Pq4IAhiCaGggTfcMYumw==";
constexpr const char* kSampleCadena =
    "||1.1|04BF2854-FE7D-4377-9196-71248F060ABB|2004-04-15T10:42:07|SPR190613I52|UvImZaYMEtKJGF"
    "2VDuiBNgkWb2sRPReNbA/TkB/yOaGglfIPk5VlDPk4C47bIkprJIoekk6P0K4uGpSSozBfGIy2EJAPnjR/rohtxlB3"
    "lex0XEw/yy6yxz4Uk0yGfuBXunJJm/oSHoNrKsFXJu59awr2qxPDjpLK4NFQV7FZmH+UzHQR1xfxRXmyqhAPu7NPpZ"
    "P+rtJySLdi46tYBfB2WiucHX4PN8RJIb0/ZWTq338UKnJmjEfiI9Fu3YxHtGr8W67iYfU7JhUtJjuoOwN81JYuQ0gB"
    "JWuIXpyQUfMgsNuD856nrb0NdObex/PfrsyPZGVmZBp7omYPMBH8NXApHA==|30001000000500003456||";

constexpr const char* kDocumentCaptions[FormatData::kDocumentCount] = {
    "Serie", "Folio", "Nombre Cliente", "Dirección 1", "Dirección 2", "Dirección 3", "RFC", "Teléfono",
    "Fecha", "Día (Fecha)", "Mes corto(Fecha)", "Mes largo(Fecha)", "Año (Fecha)", "Vencimiento", "Dia (Ven.)",
    "Mes corto(Ven.)", "Mes largo(Ven.)", "Año (Ven.)", "Observaciones", "Campo Extra1", "Campo Extra2",
    "Campo Extra3", "Campo Extra4", "Campo Extra5", "Campo Extra6", "Importe", "Importe neto", "Descuento",
    "Descuento neto", "Subtotal", "Impuesto 1", "Impuesto 2", "Impuesto Total", "Retención 1", "Retención 2",
    "Retención total", "Total", "Total con letra",
    // Of the CFDI.
    "Folio fiscal (UUID)", "Fecha y hora de emisión", "Fecha y hora de certificación", "RFC del emisor",
    "Nombre del emisor", "Régimen fiscal del emisor", "Lugar de expedición", "RFC del receptor",
    "Nombre del receptor", "Domicilio fiscal del receptor", "Régimen fiscal del receptor", "Uso del CFDI",
    "Forma de pago", "Método de pago", "Tipo de comprobante", "No. de certificado del emisor",
    "No. de certificado del SAT", "Sello digital del CFDI", "Sello del SAT",
    "Cadena original del complemento de certificación", "Impuestos por tasa", "Código QR del CFDI",
    // Of a payment's complement.
    "Pago: número de parcialidad", "Pago: fecha", "Pago: forma de pago", "Pago: importe", "Pago: saldo anterior",
    "Pago: saldo insoluto", "Pago: folio fiscal de la factura", "Pago: serie y folio de la factura",
    // Of the business (Configurar).
    "Nombre del negocio", "Domicilio del negocio 1", "Domicilio del negocio 2", "Domicilio del negocio 3",
    "RFC del negocio", "Teléfono del negocio", "Logotipo del negocio",
};

constexpr const char* kDetailCaptions[FormatData::kDetailCount] = {
    "Partida", "Clave del artículo", "Nombre del artículo", "Precio unitario", "Precio neto",
    "Descuento unitario", "Descuento total", "Porcentaje de descuento", "Precio unitario c/desc.",
    "Precio neto c/desc.", "Importe", "Importe neto", "Importe c/desc.", "Importe neto c/desc.", "Cantidad",
    "Observaciones de la partida", "Columna Extra1", "Columna Extra2", "Columna Extra3", "Columna Extra4",
};

// A sample that starts with '=' is an amount: the rest, right-justified as the printed amount is.
// An empty entry shows the datum's caption.
constexpr const char* kDocumentSamples[FormatData::kDocumentCount] = {
    "A", "000523", "Abarrotes y Papelería San Telmo, S.A. de C.V.", "Av. Insurgentes Sur 1457",
    "Col. Del Valle C.P. 03100", "Ciudad de México", "AST991231AB4", "(55) 5524-8800",
    "15/Abr/2004", "15", "Abr", "Abril", "2004", "3/Sep/2004", "3", "Sep", "Septiembre", "2004",
    "", "", "", "", "", "", "",
    "=$1,200.00", "=$1,380.00", "=$120.00", "=$138.00", "=$1,080.00", "=$162.00", "=$0.00", "=$162.00",
    "=$0.00", "=$0.00", "=$0.00", "=$1,242.00", "MIL DOCIENTOS CUARENTA Y DOS PESOS 00/100 M.N.",
    // Of the CFDI: the SAT's test issuer and the test vector of the verification address.
    "04BF2854-FE7D-4377-9196-71248F060ABB", "2004-04-15T10:41:12", "2004-04-15T10:42:07", "EKU9003173C9", "ESCUELA KEMPER URGATE",
    "601 - General de Ley Personas Morales", "03100", "AST991231AB4", "ABARROTES Y PAPELERIA SAN TELMO",
    "03100", "601 - General de Ley Personas Morales", "G03 - Gastos en general", "01 - Efectivo",
    "PUE - Pago en una sola exhibición", "I - Ingreso", "30001000000500003416", "30001000000500003456",
    kSampleSello, kSampleSelloSat, kSampleCadena, "IVA 16 %: 162.00",
    "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx?id=04BF2854-FE7D-4377-9196-71248F060ABB"
    "&re=CSM190311AH6&rr=MCI7306249Y1&tt=459.36&fe=5tSZhA==",
    "2", "2004-05-03T12:00:00", "03 - Transferencia electrónica de fondos", "500.00", "1242.00", "742.00",
    "04BF2854-FE7D-4377-9196-71248F060ABB", "A 523",
    "Ferretería La Esperanza", "Av. Madero Poniente 1250", "Col. Centro C.P. 58000", "Morelia, Michoacán",
    "FES040115QX2", "(443) 312-4567", "",
};

constexpr const char* kDetailSamples[FormatData::kDetailCount] = {
    "1", "S001", "Quintaleva versión 2", "=$600.00", "=$690.00", "=$60.00", "=$690.00", "10.00", "=$540.00",
    "=$621.00", "=$1,200.00", "=$1,380.00", "=$1,080.00", "=$1,240.00", "2.00", "", "", "", "", "",
};

// Amounts take the width the printed value has: document amounts 15 characters, detail ones 10.
std::string sampleText(const char* sample, const char* caption, int moneyWidth) {
    const std::string_view s(sample);
    if (s.empty())
        return caption;
    if (s.front() != '=')
        return std::string(s);
    const std::string_view amount = s.substr(1);
    const auto width = static_cast<std::size_t>(moneyWidth);
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

bool IsWrapped(std::int32_t kind, std::int32_t index) {
    return kind == FIELD_DOC && (index == kSelloCfdi || index == kSelloSat || index == kCadenaTfd);
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
        return sampleText(kDocumentSamples[index], kDocumentCaptions[index], FormatData::kDocumentMoneyWidth);
    return sampleText(kDetailSamples[index], kDetailCaptions[index], FormatData::kDetailMoneyWidth);
}

} // namespace FormatData
