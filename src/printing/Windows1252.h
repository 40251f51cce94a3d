#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Conversions between our UTF-8 strings and the single-byte Windows-1252 code page in which the
// stored print formats, the ticket printer and the old databases carry their text.
namespace Windows1252 {

// Every byte is a character: 0x80–0x9F take their 1252 meanings (0x80 "€", 0x91 "‘" …); the five
// bytes 1252 leaves unassigned become the C1 control of the same number, as Windows maps them.
std::string ToUtf8(std::string_view bytes);
// Characters outside the code page become "?"; bytes that are not valid UTF-8 are taken one by
// one as Latin-1.
std::string FromUtf8(std::string_view utf8);
// The characters of `utf8` that FromUtf8 turns into "?", each once, in order of appearance.
std::string Unprintable(std::string_view utf8);
// `units` UTF-16LE code units at `bytes` (2 × units bytes). Unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(const unsigned char* bytes, std::size_t units);

} // namespace Windows1252
