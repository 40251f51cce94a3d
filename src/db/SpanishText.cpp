#include "db/SpanishText.h"

#include <cstdint>

namespace {

// Decodes one code point at `i` and advances it. Invalid sequences give the byte itself.
char32_t next(std::string_view s, std::size_t& i) {
    const auto c0 = static_cast<unsigned char>(s[i]);
    auto cont = [&](std::size_t k) { return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80; };
    auto byte = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[i + k]) & 0x3F); };
    if (c0 < 0x80) {
        ++i;
        return c0;
    }
    if ((c0 & 0xE0) == 0xC0 && c0 >= 0xC2 && cont(1)) {
        char32_t cp = (static_cast<char32_t>(c0 & 0x1F) << 6) | byte(1);
        i += 2;
        return cp;
    }
    if ((c0 & 0xF0) == 0xE0 && cont(1) && cont(2)) {
        char32_t cp = (static_cast<char32_t>(c0 & 0x0F) << 12) | (byte(1) << 6) | byte(2);
        i += 3;
        return cp;
    }
    if ((c0 & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
        char32_t cp = (static_cast<char32_t>(c0 & 0x07) << 18) | (byte(1) << 12) | (byte(2) << 6) | byte(3);
        i += 4;
        return cp;
    }
    ++i;
    return c0;
}

void append(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Base lower-case letter of the Latin-1 letters with accents; 0 when there is none.
char32_t baseOf(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z')
        return cp + 32;
    if (cp < 0xC0 || cp > 0xFF)
        return 0;
    static const char* const table =
        // C0..DF
        "aaaaaaaceeeeiiii" "dnooooo*ouuuuyts"
        // E0..FF
        "aaaaaaaceeeeiiii" "dnooooo/ouuuuyty";
    const char b = table[cp - 0xC0];
    return (b == '*' || b == '/') ? 0 : static_cast<char32_t>(b);
}

bool isEnye(char32_t cp) { return cp == 0xD1 || cp == 0xF1; }

// Primary weight: letters by their base, ñ just after n.
std::uint32_t weight(char32_t cp) {
    if (isEnye(cp))
        return ('n' << 8) | 0x80;
    if (const char32_t base = baseOf(cp))
        return base << 8;
    return cp << 8;
}

} // namespace

namespace SpanishText {

std::string fold(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t cp = next(text, i);
        if (const char32_t base = baseOf(cp))
            out += static_cast<char>(base);
        else
            append(out, cp);
    }
    return out;
}

int compare(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const std::uint32_t wa = weight(next(a, i));
        const std::uint32_t wb = weight(next(b, j));
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    const int raw = a.compare(b);
    return raw < 0 ? -1 : raw > 0 ? 1 : 0;
}

std::size_t length(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++n)
        next(text, i);
    return n;
}

std::string left(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < text.size(); ++n)
        next(text, i);
    return std::string(text.substr(0, i));
}

} // namespace SpanishText
