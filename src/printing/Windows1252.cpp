#include "printing/Windows1252.h"

#include "db/Utf8.h"

#include <cstdint>

namespace {

// Unicode of the bytes 0x80–0x9F. The unassigned ones keep their own value.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98
};

char toByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (int k = 0; k < 32; ++k)
        if (kHigh[k] == cp)
            return static_cast<char>(0x80 + k);
    return '?';
}

} // namespace

namespace Windows1252 {

std::string ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        Utf8::append(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
    }
    return out;
}

std::string FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();)
        out += toByte(Utf8::next(utf8, i));
    return out;
}

std::string Unprintable(std::string_view utf8) {
    std::string found;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t start = i;
        const char32_t c = Utf8::next(utf8, i);
        if (c == U'?' || toByte(c) != '?')
            continue;
        const std::string character(utf8.substr(start, i - start));
        if (found.find(character) == std::string::npos)
            found += character;
    }
    return found;
}

std::string Utf16LeToUtf8(const unsigned char* bytes, std::size_t units) {
    std::string out;
    out.reserve(units);
    auto unit = [&](std::size_t k) { return static_cast<char32_t>(bytes[2 * k] | (bytes[2 * k + 1] << 8)); };
    for (std::size_t k = 0; k < units; ++k) {
        const char32_t u = unit(k);
        if (u >= 0xD800 && u < 0xDC00 && k + 1 < units && unit(k + 1) >= 0xDC00 && unit(k + 1) < 0xE000) {
            Utf8::append(out, 0x10000 + ((u - 0xD800) << 10) + (unit(k + 1) - 0xDC00));
            ++k;
        } else if (u >= 0xD800 && u < 0xE000) {
            Utf8::append(out, 0xFFFD);
        } else {
            Utf8::append(out, u);
        }
    }
    return out;
}

} // namespace Windows1252
