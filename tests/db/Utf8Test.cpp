#include "db/SpanishText.h"
#include "db/Utf8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

std::vector<char32_t> decode(std::string_view s) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < s.size();)
        out.push_back(Utf8::next(s, i));
    return out;
}

} // namespace

TEST(Utf8, EveryLengthRoundTripsAtItsBoundaries) {
    for (char32_t cp : {0x00u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
        std::string s;
        Utf8::append(s, cp);
        const std::size_t expected = cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        EXPECT_EQ(s.size(), expected) << std::hex << std::uint32_t(cp);
        std::size_t i = 0;
        EXPECT_EQ(Utf8::next(s, i), cp) << std::hex << std::uint32_t(cp);
        EXPECT_EQ(i, s.size());
    }
    EXPECT_EQ(decode("Año €"), (std::vector<char32_t>{'A', 0xF1, 'o', ' ', 0x20AC}));
}

TEST(Utf8, MalformedBytesAreLatin1CharactersOfTheirOwn) {
    // Overlong (2, 3 and 4 bytes), beyond U+10FFFF, a lead byte UTF-8 never uses, a stray
    // continuation byte and a sequence cut by the end of the text.
    EXPECT_EQ(decode("\xC0\xAF"), (std::vector<char32_t>{0xC0, 0xAF}));
    EXPECT_EQ(decode("\xE0\x80\xAF"), (std::vector<char32_t>{0xE0, 0x80, 0xAF}));
    EXPECT_EQ(decode("\xF0\x80\x80\xAF"), (std::vector<char32_t>{0xF0, 0x80, 0x80, 0xAF}));
    EXPECT_EQ(decode("\xF4\x90\x80\x80"), (std::vector<char32_t>{0xF4, 0x90, 0x80, 0x80}));
    EXPECT_EQ(decode("\xF8\x88"), (std::vector<char32_t>{0xF8, 0x88}));
    EXPECT_EQ(decode("a\x80" "b"), (std::vector<char32_t>{'a', 0x80, 'b'}));
    EXPECT_EQ(decode("\xE2\x82"), (std::vector<char32_t>{0xE2, 0x82}));
    // A broken sequence does not swallow the valid character after it.
    EXPECT_EQ(decode("\xE2\xC3\xB1"), (std::vector<char32_t>{0xE2, 0xF1}));
    // The Spanish text functions count and cut by the same characters.
    EXPECT_EQ(SpanishText::length("\xE0\x80\xAF" "ñ"), 4u);
    EXPECT_EQ(SpanishText::left("\xE2\x82ñ", 2), "\xE2\x82");
}
