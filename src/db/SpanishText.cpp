#include "db/SpanishText.h"

#include "db/Utf8.h"

#include <cstdint>

namespace {

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

// The primary letter as a number in sort order: letters by their base, ñ in a place of its own
// between n and o (everything from o on moves up by one to make room).
std::uint32_t primary(char32_t cp) {
    if (isEnye(cp))
        return 'n' + 1;
    const char32_t base = baseOf(cp) ? baseOf(cp) : cp;
    return base > 'n' ? base + 1 : base;
}

// Order-preserving and prefix-free: values below 0xEF in one byte (1..0xEF), the rest as 0xF0 and
// three bytes; never 0x00, which ends the letters.
void appendPrimary(std::string& key, std::uint32_t v) {
    if (v < 0xEF) {
        key += static_cast<char>(v + 1);
        return;
    }
    key += static_cast<char>(0xF0);
    key += static_cast<char>((v >> 16) & 0xFF);
    key += static_cast<char>((v >> 8) & 0xFF);
    key += static_cast<char>(v & 0xFF);
}

} // namespace

namespace SpanishText {

std::string sortKey(std::string_view text) {
    std::string key;
    key.reserve(2 * text.size() + 2);
    key += '\x01';
    for (std::size_t i = 0; i < text.size();)
        appendPrimary(key, primary(Utf8::next(text, i)));
    key += '\0';
    key.append(text);
    return key;
}

std::string nullSortKey() { return std::string(1, '\0'); }

std::string fold(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t cp = Utf8::next(text, i);
        if (const char32_t base = baseOf(cp))
            out += static_cast<char>(base);
        else
            Utf8::append(out, cp);
    }
    return out;
}

int compare(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const std::uint32_t wa = weight(Utf8::next(a, i));
        const std::uint32_t wb = weight(Utf8::next(b, j));
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
        Utf8::next(text, i);
    return n;
}

std::string left(std::string_view text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; n < count && i < text.size(); ++n)
        Utf8::next(text, i);
    return std::string(text.substr(0, i));
}

} // namespace SpanishText
