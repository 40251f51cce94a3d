#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A QR code's modules (libqrencode, byte mode, error correction level M), without its quiet zone.
struct QrCode final {
    std::int32_t size = 0;             // modules on a side; 0 when nothing could be encoded
    std::vector<std::uint8_t> modules; // size × size, row by row from the top; non-zero is dark

    // Encodes `text` (UTF-8 bytes as they are); an empty text or one too long gives size 0.
    static QrCode Encode(const std::string& text);
    bool Dark(std::int32_t row, std::int32_t column) const {
        return modules[static_cast<std::size_t>(row) * static_cast<std::size_t>(size) +
                       static_cast<std::size_t>(column)] != 0;
    }

    // Modules of blank margin the standard asks around the code.
    static constexpr std::int32_t kQuietZone = 4;

    friend bool operator==(const QrCode&, const QrCode&) = default;
};
