#pragma once

#include <cstdint>
#include <string>

// Kinds of a format field.
inline constexpr std::int32_t FIELD_TEXT = -1;   // free text
inline constexpr std::int32_t FIELD_DOC = 2;     // a document datum
inline constexpr std::int32_t FIELD_DETAIL = 3;  // a datum of the detail line being printed

// Text alignment of an element or ticket row (the platform's text-alignment codes).
inline constexpr std::int32_t ALIGN_LEFT = 0;
inline constexpr std::int32_t ALIGN_RIGHT = 2;
inline constexpr std::int32_t ALIGN_CENTER = 6;

// The data a format field may print: their captions, as the designers list them, and the sample
// values the designers show in place of a real document.
namespace FormatData {

inline constexpr int kDocumentCount = 75;
// The document data of its CFDI (read from the stored XML), 38 … 59. Empty for a document
// without CFDI; a CFDI only sealed gives no certification data and "Sin timbrar" as folio fiscal.
inline constexpr int kFirstCfdi = 38;
inline constexpr int kFolioFiscal = 38;
inline constexpr int kSelloCfdi = 55;
inline constexpr int kSelloSat = 56;
inline constexpr int kCadenaTfd = 57;
// The SAT's verification address: an element holding it is drawn as a QR code, a square in the
// element's rectangle (at its top-left corner) with its quiet zone inside.
inline constexpr int kQrCode = 59;
// The payment of a payment complement (a receipt), 60 … 67: its part number, date, forma, amount,
// balance before and after, and the invoice paid (folio fiscal, series and folio).
inline constexpr int kFirstPago = 60;
// The business's own data (Configurar), 68 … 73: name, three address lines, RFC, telephone.
inline constexpr int kFirstNegocio = 68;
// The business's logo (the picture of the `Logo` setting): an element holding it is drawn as that
// picture, fitted into the element's rectangle and centred there.
inline constexpr int kLogoNegocio = 74;
inline constexpr const char* kSinTimbrar = "Sin timbrar";
inline constexpr int kDetailCount = 20;
// The detail datum "Observaciones de la partida": an element holding it is printed as a wrapped
// block under its line.
inline constexpr int kDetailNotes = 15;
// Width of the receipt printer's lines.
inline constexpr int kTicketColumns = 40;
// Widths of printed amounts: document data and detail data.
inline constexpr int kDocumentMoneyWidth = 15;
inline constexpr int kDetailMoneyWidth = 10;

// "" for a kind or index outside the tables.
std::string Caption(std::int32_t kind, std::int32_t index);
std::string Sample(std::int32_t kind, std::int32_t index);
// True for a datum that the tables know.
bool IsDatum(std::int32_t kind, std::int32_t index);
// The seals and the cadena original: an element holding one is printed wrapped inside its
// rectangle, long words broken where the line ends.
bool IsWrapped(std::int32_t kind, std::int32_t index);

} // namespace FormatData
