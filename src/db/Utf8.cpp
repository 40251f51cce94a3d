#include "db/Utf8.h"

namespace Utf8 {

char32_t next(std::string_view s, std::size_t& i) {
    const auto c0 = static_cast<unsigned char>(s[i]);
    auto cont = [&](std::size_t k) {
        return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    };
    auto low = [&](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(s[i + k]) & 0x3F); };
    if (c0 < 0x80) {
        ++i;
        return c0;
    }
    if (c0 >= 0xC2 && c0 < 0xE0 && cont(1)) {
        const char32_t cp = (static_cast<char32_t>(c0 & 0x1F) << 6) | low(1);
        i += 2;
        return cp;
    }
    if (c0 >= 0xE0 && c0 < 0xF0 && cont(1) && cont(2)) {
        const char32_t cp = (static_cast<char32_t>(c0 & 0x0F) << 12) | (low(1) << 6) | low(2);
        if (cp >= 0x800) {
            i += 3;
            return cp;
        }
    }
    if (c0 >= 0xF0 && c0 < 0xF5 && cont(1) && cont(2) && cont(3)) {
        const char32_t cp = (static_cast<char32_t>(c0 & 0x07) << 18) | (low(1) << 12) | (low(2) << 6) | low(3);
        if (cp >= 0x10000 && cp < 0x110000) {
            i += 4;
            return cp;
        }
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

} // namespace Utf8
