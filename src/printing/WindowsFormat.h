#pragma once

#include "printing/RenglonFormato.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A Windows-printer format: the detail-area geometry and the elements, as stored in
// `Formatos.Detalle` (detail top, detail bottom, line pitch, element count, the elements; no class
// tags), together with the row's `Caben` and `Repetir`.
class CWindowsFormat final {
public:
    using Bytes = std::vector<unsigned char>;

    std::int32_t DetailTop = 0;    // y of the first detail line, 0.1 mm (≤ 0); not used by printing
    std::int32_t DetailBottom = 0; // y of the bottom of the detail area, 0.1 mm; not used by printing
    std::int32_t Pitch = 0;        // distance between detail lines, 0.1 mm
    std::vector<CRenglonFormato> Elements;
    // From the table row, not the stream: detail lines per sheet, and the distance (0.1 mm) at which
    // every element is drawn a second time lower on the sheet (0: not repeated).
    std::int32_t Caben = 0;
    std::int32_t Repetir = 0;

    // Replaces the geometry and elements with those of `bytes`. False for a damaged or truncated
    // stream, which leaves the format unchanged. `used`, when given, receives the bytes the stream
    // took (a file that is only a format has none left over).
    bool ReadStream(const unsigned char* data, std::size_t size, std::size_t* used = nullptr);
    bool ReadStream(const Bytes& bytes) { return ReadStream(bytes.data(), bytes.size()); }
    Bytes WriteStream() const;

    friend bool operator==(const CWindowsFormat&, const CWindowsFormat&) = default;
};
