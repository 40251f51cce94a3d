#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CArchive;

// The font of a format element in the layout of the Windows LOGFONT record: five 32-bit integers,
// eight bytes and a 32-byte face name (60 bytes in a stream). Heights are in 0.1 mm; a negative
// height is a character height, a positive one a cell height.
struct LogFont final {
    static constexpr std::size_t kStreamBytes = 60;
    static constexpr std::size_t kFaceBytes = 32;

    std::int32_t Height = -40; // 4 mm characters
    std::int32_t Width = 0;
    std::int32_t Escapement = 0;
    std::int32_t Orientation = 0;
    std::int32_t Weight = 400;
    std::uint8_t Italic = 0;
    std::uint8_t Underline = 0;
    std::uint8_t StrikeOut = 0;
    std::uint8_t CharSet = 0;
    std::uint8_t OutPrecision = 0;
    std::uint8_t ClipPrecision = 0;
    std::uint8_t Quality = 0;
    std::uint8_t PitchAndFamily = 0;
    // UTF-8; stored as Windows-1252, at most 31 bytes and a NUL.
    std::string FaceName = "Arial";

    // The face name ends at its first NUL; the bytes after it carry no meaning and are not kept.
    bool Load(CArchive& ar);
    void Store(CArchive& ar) const;

    friend bool operator==(const LogFont&, const LogFont&) = default;
};
