#pragma once

#include <string>
#include <string_view>

// Text as a Spanish reader compares it: case and accents ignored, "ñ" a letter of its own after
// "n". UTF-8 throughout; bytes that are not valid UTF-8 are taken one by one, as Latin-1.
namespace SpanishText {

// Lower case without accents, for searching: "Pérez" and "PEREZ" both fold to "perez"; "ñ" folds
// to "n" so that "nunez" finds "Núñez".
std::string fold(std::string_view text);

// Sort order: <0, 0, >0. Primary letters first (ñ between n and o), then the raw bytes, so that
// different texts never compare equal.
int compare(std::string_view a, std::string_view b);

// Bytes whose plain (memcmp) order is compare()'s order, for an index that needs no collation of
// ours: a 0x01 mark, each character's primary letter (one byte for the common ones), a 0x00 end,
// then the text's own bytes. A missing text (Null) has the key {0x00}, before every text.
std::string sortKey(std::string_view text);
std::string nullSortKey();

// Characters (code points), not bytes.
std::size_t length(std::string_view text);
// The first `count` characters.
std::string left(std::string_view text, std::size_t count);

} // namespace SpanishText
