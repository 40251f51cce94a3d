#pragma once

#include "printing/FormatData.h"
#include "printing/FormatRect.h"
#include "printing/LogFont.h"
#include "printing/RenglonField.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CArchive;
class CFieldValueProvider;

// One element of a Windows-printer format: a text box made of fields, a straight line or a
// rectangle outline, positioned in 0.1 mm (y upwards from the top edge). Stream order: text,
// alignment, field count, the fields, then kFixedBytes: position, colour, line flag, rectangle
// flag and the font.
class CRenglonFormato final {
public:
    static constexpr std::size_t kFixedBytes = 88;
    // An empty text, two integers and the fixed part.
    static constexpr std::size_t kMinStreamBytes = 9 + kFixedBytes;

    std::string Text; // the printed text, rebuilt from the fields before each drawing
    std::int32_t Alignment = ALIGN_LEFT;
    std::vector<CRenglonField> Fields;
    FormatRect Position;         // 0.1 mm
    std::int32_t Colour = 0;     // 0x00BBGGRR: text, or pen of a line or rectangle
    std::int32_t IsLine = 0;     // non-zero: a line from (left, top) to (right, bottom)
    std::int32_t IsRectangle = 0; // non-zero: a rectangle outline
    LogFont Font;

    bool IsShape() const { return IsLine != 0 || IsRectangle != 0; }
    // A text element with a detail datum: drawn once per detail line.
    bool HasDetail() const;
    // A text element with the detail datum "Observaciones de la partida": drawn as a wrapped block.
    bool IsNotesElement() const;
    // A text element with the CFDI's QR datum: drawn as a QR code of its text.
    bool IsQrElement() const;
    // Holds the business's logo (FormatData::kLogoNegocio): drawn as that picture.
    bool IsLogoElement() const;
    // A text element with a seal or a cadena original: drawn wrapped inside its rectangle.
    bool IsWrappedElement() const;

    // The element's text from its fields in list order; a line or rectangle keeps its text. Answers
    // whether the element is a detail element.
    bool BuildText(const CFieldValueProvider& values);

    bool Load(CArchive& ar);
    void Store(CArchive& ar) const;

    friend bool operator==(const CRenglonFormato&, const CRenglonFormato&) = default;
};
