#include "cfdi/SatCatalogs.h"

#include <algorithm>
#include <array>
#include <regex>
#include <vector>

namespace SatCatalogs {
namespace {

constexpr Entry kRegimenes[] = {
    {"601", "General de Ley Personas Morales"},
    {"603", "Personas Morales con Fines no Lucrativos"},
    {"605", "Sueldos y Salarios e Ingresos Asimilados a Salarios"},
    {"606", "Arrendamiento"},
    {"607", "Régimen de Enajenación o Adquisición de Bienes"},
    {"608", "Demás ingresos"},
    {"610", "Residentes en el Extranjero sin Establecimiento Permanente en México"},
    {"611", "Ingresos por Dividendos (socios y accionistas)"},
    {"612", "Personas Físicas con Actividades Empresariales y Profesionales"},
    {"614", "Ingresos por intereses"},
    {"615", "Régimen de los ingresos por obtención de premios"},
    {"616", "Sin obligaciones fiscales"},
    {"620", "Sociedades Cooperativas de Producción que optan por diferir sus ingresos"},
    {"621", "Incorporación Fiscal"},
    {"622", "Actividades Agrícolas, Ganaderas, Silvícolas y Pesqueras"},
    {"623", "Opcional para Grupos de Sociedades"},
    {"624", "Coordinados"},
    {"625", "Régimen de las Actividades Empresariales con ingresos a través de Plataformas Tecnológicas"},
    {"626", "Régimen Simplificado de Confianza"},
};
// Which regímenes the SAT accepts for a company and for a person.
constexpr std::string_view kRegimenMoral[] = {"601", "603", "610", "620", "622", "623", "624", "626"};
constexpr std::string_view kRegimenFisica[] = {"605", "606", "607", "608", "610", "611", "612", "614",
                                               "615", "616", "621", "625", "626"};

constexpr Entry kUsos[] = {
    {"G01", "Adquisición de mercancías"},
    {"G02", "Devoluciones, descuentos o bonificaciones"},
    {"G03", "Gastos en general"},
    {"I01", "Construcciones"},
    {"I02", "Mobiliario y equipo de oficina por inversiones"},
    {"I03", "Equipo de transporte"},
    {"I04", "Equipo de computo y accesorios"},
    {"I05", "Dados, troqueles, moldes, matrices y herramental"},
    {"I06", "Comunicaciones telefónicas"},
    {"I07", "Comunicaciones satelitales"},
    {"I08", "Otra maquinaria y equipo"},
    {"D01", "Honorarios médicos, dentales y gastos hospitalarios"},
    {"D02", "Gastos médicos por incapacidad o discapacidad"},
    {"D03", "Gastos funerales"},
    {"D04", "Donativos"},
    {"D05", "Intereses reales efectivamente pagados por créditos hipotecarios (casa habitación)"},
    {"D06", "Aportaciones voluntarias al SAR"},
    {"D07", "Primas por seguros de gastos médicos"},
    {"D08", "Gastos de transportación escolar obligatoria"},
    {"D09", "Depósitos en cuentas para el ahorro, primas que tengan como base planes de pensiones"},
    {"D10", "Pagos por servicios educativos (colegiaturas)"},
    {"S01", "Sin efectos fiscales"},
    {"CP01", "Pagos"},
    {"CN01", "Nómina"},
};

constexpr Entry kFormas[] = {
    {"01", "Efectivo"},
    {"02", "Cheque nominativo"},
    {"03", "Transferencia electrónica de fondos"},
    {"04", "Tarjeta de crédito"},
    {"05", "Monedero electrónico"},
    {"06", "Dinero electrónico"},
    {"08", "Vales de despensa"},
    {"12", "Dación en pago"},
    {"13", "Pago por subrogación"},
    {"14", "Pago por consignación"},
    {"15", "Condonación"},
    {"17", "Compensación"},
    {"23", "Novación"},
    {"24", "Confusión"},
    {"25", "Remisión de deuda"},
    {"26", "Prescripción o caducidad"},
    {"27", "A satisfacción del acreedor"},
    {"28", "Tarjeta de débito"},
    {"29", "Tarjeta de servicios"},
    {"30", "Aplicación de anticipos"},
    {"31", "Intermediario pagos"},
    {"99", "Por definir"},
};

constexpr Entry kMetodos[] = {
    {"PUE", "Pago en una sola exhibición"},
    {"PPD", "Pago en parcialidades o diferido"},
};

constexpr Entry kObjetos[] = {
    {"01", "No objeto de impuesto"},
    {"02", "Sí objeto de impuesto"},
    {"03", "Sí objeto del impuesto y no obligado al desglose"},
    {"04", "Sí objeto del impuesto y no causa impuesto"},
};

constexpr Entry kUnidades[] = {
    {"H87", "Pieza"},         {"EA", "Elemento"},      {"E48", "Unidad de servicio"},
    {"ACT", "Actividad"},     {"KGM", "Kilogramo"},    {"GRM", "Gramo"},
    {"LTR", "Litro"},         {"MTR", "Metro"},        {"MTK", "Metro cuadrado"},
    {"MTQ", "Metro cúbico"},  {"XBX", "Caja"},         {"XPK", "Paquete"},
    {"KT", "Kit"},            {"SET", "Conjunto"},     {"XUN", "Unidad"},
    {"HUR", "Hora"},          {"DAY", "Día"},          {"MON", "Mes"},
};

constexpr Entry kImpuestos[] = {
    {"001", "ISR"},
    {"002", "IVA"},
    {"003", "IEPS"},
};

bool allOf(std::string_view s, bool (*pred)(char)) {
    return std::all_of(s.begin(), s.end(), pred);
}

} // namespace

std::span<const Entry> regimenesFiscales() { return kRegimenes; }
std::span<const Entry> usosCfdi() { return kUsos; }
std::span<const Entry> formasPago() { return kFormas; }
std::span<const Entry> metodosPago() { return kMetodos; }
std::span<const Entry> objetosImp() { return kObjetos; }
std::span<const Entry> unidadesComunes() { return kUnidades; }
std::span<const Entry> impuestos() { return kImpuestos; }

bool contains(std::span<const Entry> catalogue, std::string_view clave) {
    return std::any_of(catalogue.begin(), catalogue.end(), [&](const Entry& e) { return e.clave == clave; });
}

std::string label(const Entry& e) {
    return std::string(e.clave) + " - " + std::string(e.descripcion);
}

bool isRfc(std::string_view rfc) {
    // "Ñ" is two bytes in UTF-8; std::regex works on bytes, so it is matched as that pair.
    static const std::regex pattern(
        "(?:[A-Z&]|\xC3\x91){3,4}[0-9]{2}(0[1-9]|1[012])(0[1-9]|[12][0-9]|3[01])[A-Z0-9]{2}[0-9A]");
    std::size_t chars = 0;
    for (unsigned char c : rfc)
        chars += (c & 0xC0) != 0x80;
    return (chars == 12 || chars == 13) && std::regex_match(rfc.begin(), rfc.end(), pattern);
}

bool regimenFitsRfc(std::string_view regimen, std::string_view rfc) {
    std::size_t chars = 0;
    for (unsigned char c : rfc)
        chars += (c & 0xC0) != 0x80;
    const auto in = [&](std::span<const std::string_view> list) {
        return std::find(list.begin(), list.end(), regimen) != list.end();
    };
    return chars == 12 ? in(kRegimenMoral) : chars == 13 ? in(kRegimenFisica) : false;
}

namespace {

// The SAT's c_UsoCFDI: the receptor's régimenes each use goes with.
constexpr std::string_view kGastosEInversiones[] = {"601", "603", "606", "612", "620", "621",
                                                     "622", "623", "624", "625", "626"};
constexpr std::string_view kDeducciones[] = {"605", "606", "607", "608", "611", "612", "614", "615", "625"};
constexpr std::string_view kSinEfectos[] = {"601", "603", "605", "606", "607", "608", "610", "611", "612", "614",
                                            "615", "616", "620", "621", "622", "623", "624", "625", "626"};
constexpr std::string_view kNomina[] = {"605"};

std::span<const std::string_view> regimenesOfUso(std::string_view uso) {
    if (uso.size() == 3 && (uso[0] == 'G' || uso[0] == 'I'))
        return kGastosEInversiones;
    if (uso.size() == 3 && uso[0] == 'D')
        return kDeducciones;
    if (uso == "S01" || uso == "CP01")
        return kSinEfectos;
    if (uso == "CN01")
        return kNomina;
    return {};
}

} // namespace

bool usoFitsRegimen(std::string_view uso, std::string_view regimen) {
    const auto list = regimenesOfUso(uso);
    return std::find(list.begin(), list.end(), regimen) != list.end();
}

bool isUsoForInvoice(std::string_view uso) { return contains(kUsos, uso) && uso != "CP01" && uso != "CN01"; }

std::vector<Entry> usosForInvoice(std::string_view regimen) {
    std::vector<Entry> out;
    for (const Entry& e : kUsos)
        if (isUsoForInvoice(e.clave) && (regimen.empty() || usoFitsRegimen(e.clave, regimen)))
            out.push_back(e);
    return out;
}

bool isCodigoPostal(std::string_view cp) {
    return cp.size() == 5 && allOf(cp, [](char c) { return c >= '0' && c <= '9'; });
}

bool isClaveProdServ(std::string_view clave) {
    return clave.size() == 8 && allOf(clave, [](char c) { return c >= '0' && c <= '9'; }) && clave != "00000000";
}

bool isClaveUnidad(std::string_view clave) {
    return !clave.empty() && clave.size() <= 3 &&
           allOf(clave, [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

std::string normalizeRfc(std::string_view typed) {
    std::string out;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const char c = typed[i];
        if (c == ' ' || c == '-' || c == '\t')
            continue;
        // "ñ" (C3 B1) to "Ñ" (C3 91); ASCII letters to capitals.
        if (static_cast<unsigned char>(c) == 0xC3 && i + 1 < typed.size() &&
            static_cast<unsigned char>(typed[i + 1]) == 0xB1) {
            out += "\xC3\x91";
            ++i;
            continue;
        }
        out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return out;
}

} // namespace SatCatalogs
