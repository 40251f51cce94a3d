#include "printing/DocumentValues.h"

#include "db/ValueFunctions.h"
#include "invoice/AmountInWords.h"
#include "invoice/MoneyText.h"
#include "invoice/Partida.h"
#include "printing/FormatData.h"

#include <cstdio>

namespace {

constexpr const char* kShortMonths[12] = {"Ene", "Feb", "Mar", "Abr", "May", "Jun",
                                          "Jul", "Ago", "Sep", "Oct", "Nov", "Dic"};
constexpr const char* kLongMonths[12] = {"Enero", "Febrero", "Marzo",     "Abril",   "Mayo",      "Junio",
                                         "Julio", "Agosto",  "Septiembre", "Octubre", "Noviembre", "Diciembre"};

std::string money(double value) { return PadMoney(FormatMoney(value), FormatData::kDocumentMoneyWidth); }

// The whole date (part 0), day (1), short month (2), long month (3) or year (4). The parts of a
// date that prints "--/--/--" are empty.
std::string datePart(const std::optional<OleDate>& date, int part) {
    if (part == 0)
        return DateToText(date.value_or(OleDate{}));
    const auto c = date ? date->split() : std::nullopt;
    if (!c || c->year <= 1900)
        return {};
    switch (part) {
    case 1: return std::to_string(c->day);
    case 2: return kShortMonths[c->month - 1];
    case 3: return kLongMonths[c->month - 1];
    default: return std::to_string(c->year);
    }
}

} // namespace

std::string CDocumentValues::DocumentValue(std::int32_t index) const {
    switch (index) {
    case 0: return Serie;
    case 1: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%06d", static_cast<int>(Folio));
        return buf;
    }
    case 2: return Nombre;
    case 3: return Dom1;
    case 4: return Dom2;
    case 5: return Dom3;
    case 6: return RFC;
    case 7: return Telefono;
    case 8: case 9: case 10: case 11: case 12: return datePart(Fecha, index - 8);
    case 13: case 14: case 15: case 16: case 17: return datePart(Vencimiento, index - 13);
    case 18: return Observaciones;
    case 19: case 20: case 21: case 22: case 23: case 24: return Extras[static_cast<std::size_t>(index - 19)];
    case 25: return money(Totals.Importe);
    case 26: return money(Totals.ImporteNeto);
    case 27: return money(Totals.Descuento);
    case 28: return money(Totals.DescuentoNeto);
    case 29: return money(Totals.Subtotal);
    case 30: return money(Totals.Impuesto1);
    case 31: return money(Totals.Impuesto2);
    case 32: return money(Totals.Impuesto1 + Totals.Impuesto2);
    case 33: return money(Totals.Retencion1);
    case 34: return money(Totals.Retencion2);
    case 35: return money(Totals.Retencion1 + Totals.Retencion2);
    case 36: return money(Totals.Total);
    case 37: return AmountInWords(Totals.Total);
    case FormatData::kFolioFiscal: return Cfdi.stamped ? Cfdi.uuid : Cfdi.present ? FormatData::kSinTimbrar : "";
    case 39: return Cfdi.fechaEmision;
    case 40: return Cfdi.fechaCertificacion;
    case 41: return Cfdi.rfcEmisor;
    case 42: return Cfdi.nombreEmisor;
    case 43: return Cfdi.regimenEmisor;
    case 44: return Cfdi.lugarExpedicion;
    case 45: return Cfdi.rfcReceptor;
    case 46: return Cfdi.nombreReceptor;
    case 47: return Cfdi.domicilioReceptor;
    case 48: return Cfdi.regimenReceptor;
    case 49: return Cfdi.usoCfdi;
    case 50: return Cfdi.formaPago;
    case 51: return Cfdi.metodoPago;
    case 52: return Cfdi.tipoComprobante;
    case 53: return Cfdi.noCertificado;
    case 54: return Cfdi.noCertificadoSat;
    case FormatData::kSelloCfdi: return Cfdi.sello;
    case FormatData::kSelloSat: return Cfdi.selloSat;
    case FormatData::kCadenaTfd: return Cfdi.cadenaTfd;
    case 58: return Cfdi.impuestos;
    case FormatData::kQrCode: return Cfdi.verificacion;
    case 60: return Cfdi.pago.numParcialidad;
    case 61: return Cfdi.pago.fechaPago;
    case 62: return Cfdi.pago.formaPago;
    case 63: return Cfdi.pago.monto;
    case 64: return Cfdi.pago.saldoAnterior;
    case 65: return Cfdi.pago.saldoInsoluto;
    case 66: return Cfdi.pago.uuidFactura;
    case 67: return Cfdi.pago.serieFolioFactura;
    case FormatData::kFirstNegocio: return Negocio.nombre;
    case 69: case 70: case 71: return Negocio.domicilio[static_cast<std::size_t>(index - 69)];
    case 72: return Negocio.rfc;
    case 73: return Negocio.telefono;
    case FormatData::kLogoNegocio: return Logo;
    default: return {};
    }
}

std::string CDocumentValues::DetailValue(std::int32_t index) const {
    if (!CurrentLine || !FormatData::IsDatum(FIELD_DETAIL, index))
        return {};
    return CurrentLine->PrintValue(index, CurrentLineNumber);
}
