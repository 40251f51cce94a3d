#pragma once

// The states of a document's CFDI, as the Cfdis table stores them. The documents' own store reads
// them too: a CFDI a PAC stamped, or may have stamped, is a fiscal document the shop must keep.
namespace CfdiState {

inline constexpr const char* kSellado = "Sellado";  // sealed by us; no PAC holds it
inline constexpr const char* kPendiente = "Sellado, timbrado pendiente";  // the PAC may hold it
inline constexpr const char* kTimbrado = "Timbrado";

} // namespace CfdiState
