#pragma once

// The states of a document's CFDI, as the Cfdis table stores them. The documents' own store reads
// them too: a CFDI a PAC stamped, or may have stamped, is a fiscal document the shop must keep.
namespace CfdiState {

inline constexpr const char* kSellado = "Sellado";  // sealed by us; no PAC holds it
inline constexpr const char* kPendiente = "Sellado, timbrado pendiente";  // the PAC may hold it
inline constexpr const char* kTimbrado = "Timbrado";
inline constexpr const char* kPorSellar = "Por sellar";  // a payment complement owed, not made yet

// Its cancellation before the SAT, beside the state above (a CFDI being cancelled is still stamped).
inline constexpr const char* kCancelacionEnProceso = "Cancelación en proceso";
inline constexpr const char* kCancelado = "Cancelado";
inline constexpr const char* kSolicitudRechazada = "Solicitud rechazada";

} // namespace CfdiState
