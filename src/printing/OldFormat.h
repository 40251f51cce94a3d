#pragma once

#include "printing/LogFont.h"
#include "printing/RenglonFormato.h"
#include "printing/WindowsFormat.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A print format of the previous version (1.3) as its `Formatos.Detalle` holds it: element count,
// the detail area's top, bottom and pitch in centimetres (doubles), then the elements. Read only,
// to convert it for the import.
class COldFormat final {
public:
    using Bytes = std::vector<unsigned char>;

    struct Element {
        // 5 integers, an empty string and the font.
        static constexpr std::size_t kMinStreamBytes = 20 + 1 + LogFont::kStreamBytes;

        std::int32_t X = 0;     // 0.1 mm from the left edge
        std::int32_t Y = 0;     // 0.1 mm down from the top edge
        std::int32_t Width = 0; // 0.1 mm
        // 0 free text; 1–20 header data; 21–29 nothing in the new format; 30–37 detail data.
        std::int32_t Datum = 0;
        std::int32_t Colour = 0;
        std::string Text;
        LogFont Font;

        friend bool operator==(const Element&, const Element&) = default;
    };

    double Top = 0;    // cm
    double Bottom = 0; // cm
    double Pitch = 0;  // cm
    std::vector<Element> Elements;

    // False for a damaged or truncated stream, which leaves the format unchanged.
    bool ReadStream(const unsigned char* data, std::size_t size);
    bool ReadStream(const Bytes& bytes) { return ReadStream(bytes.data(), bytes.size()); }
    // The previous version's writer, for tests and tools.
    Bytes WriteStream() const;

    // The new format: detail top −(Top × 100), detail bottom −(Bottom × 100), pitch Pitch × 100,
    // every element converted, and Caben (Bottom − Top) ÷ Pitch; each truncated toward zero. Values
    // the integers cannot hold give the nearest limit; a quantity that is not a number, and Caben
    // for a zero pitch, give 0.
    CWindowsFormat Convert() const;
    // One element in its new form: one field for its datum (none for data 21–29 and unknown ones),
    // the alignment of its datum, its colour and font, and its position; detail data sit on the
    // first detail line at `detailTop`.
    static CRenglonFormato ConvertElement(const Element& old, std::int32_t detailTop, std::int32_t detailBottom);
};
