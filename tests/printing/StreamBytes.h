#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Builds expected streams byte by byte, as the stored formats lay them out.
class StreamBytes final {
public:
    std::vector<unsigned char> bytes;

    StreamBytes& u8(unsigned v) {
        bytes.push_back(static_cast<unsigned char>(v));
        return *this;
    }
    StreamBytes& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    StreamBytes& i32(std::int64_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        return u16(u & 0xFFFF).u16(u >> 16);
    }
    StreamBytes& f64(double v) {
        std::uint64_t bits;
        static_assert(sizeof bits == sizeof v);
        __builtin_memcpy(&bits, &v, sizeof v);
        return i32(static_cast<std::uint32_t>(bits)).i32(static_cast<std::uint32_t>(bits >> 32));
    }
    // Raw bytes, already in the code page.
    StreamBytes& raw(std::string_view s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    // A string shorter than 255 bytes: one length byte, then the bytes.
    StreamBytes& str(std::string_view raw1252) { return u8(static_cast<unsigned>(raw1252.size())).raw(raw1252); }
    // A LOGFONT: the integers, the eight bytes and the face name padded with NULs to 32 bytes.
    StreamBytes& font(std::int32_t height, std::int32_t weight, std::uint8_t italic, std::string_view face) {
        i32(height).i32(0).i32(0).i32(0).i32(weight);
        u8(italic).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0);
        raw(face);
        for (std::size_t k = face.size(); k < 32; ++k)
            u8(0);
        return *this;
    }
};
