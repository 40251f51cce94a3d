#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The program's one UTF-8 decoder and encoder, for the layers that handle text as bytes.
namespace Utf8 {

// The code point at byte `i` of `text` (i < text.size()), moving `i` past it. A byte that does not
// start a well-formed sequence (a stray continuation byte, a cut, overlong or out-of-range
// sequence) is a character of its own: its Latin-1 value, and `i` moves on one byte.
char32_t next(std::string_view text, std::size_t& i);

// Appends the encoding of `cp` (below 0x110000) to `out`.
void append(std::string& out, char32_t cp);

} // namespace Utf8
