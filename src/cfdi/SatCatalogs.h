#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The SAT catalogue keys the program offers and checks. The short catalogues (régimen, uso del
// CFDI, forma and método de pago, objeto de impuesto) are complete; of the units only the usual
// ones are listed, and product keys are checked by their format.
namespace SatCatalogs {

struct Entry {
    std::string_view clave;
    std::string_view descripcion;
};

std::span<const Entry> regimenesFiscales();
std::span<const Entry> usosCfdi();
std::span<const Entry> formasPago();
std::span<const Entry> metodosPago();
std::span<const Entry> objetosImp();
std::span<const Entry> unidadesComunes();
std::span<const Entry> impuestos(); // 001 ISR, 002 IVA, 003 IEPS

bool contains(std::span<const Entry> catalogue, std::string_view clave);
// "601 - General de Ley Personas Morales", for drop-down lists.
std::string label(const Entry& e);

// An RFC of a company (12 characters) or of a person (13), as tdCFDI's t_RFC allows.
bool isRfc(std::string_view rfc);
// Whether the régimen may be used by a company (12-character RFC) or by a person (13).
bool regimenFitsRfc(std::string_view regimen, std::string_view rfc);
// Whether the SAT's catalogue lets a receptor of that régimen be given that uso del CFDI.
bool usoFitsRegimen(std::string_view uso, std::string_view regimen);
// A uso an invoice may carry: not CP01 (payments) nor CN01 (payroll).
bool isUsoForInvoice(std::string_view uso);
// The usos an invoice to a receptor of that régimen may carry (all of them for no régimen).
std::vector<Entry> usosForInvoice(std::string_view regimen);
bool isCodigoPostal(std::string_view cp);       // five digits
bool isClaveProdServ(std::string_view clave);   // eight digits, not all zeros
bool isClaveUnidad(std::string_view clave);     // one to three capitals or digits

// The upper-cased RFC without the blanks and dashes people type in it.
std::string normalizeRfc(std::string_view typed);

} // namespace SatCatalogs
