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

inline constexpr int kDocumentCount = 38;
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

} // namespace FormatData
