#pragma once

#include "printing/FormatData.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CArchive;
class CFieldValueProvider;

// One datum inside a format element or a ticket row: a free text, a document datum or a detail
// datum. Stream order: text, text 2, kind, index, width.
class CRenglonField final {
public:
    // Two empty strings and three integers.
    static constexpr std::size_t kMinStreamBytes = 14;

    // For free text the text itself; for a datum the sample the designers show.
    std::string Text;
    std::string Text2; // always empty; kept because the stream carries it
    std::int32_t Kind = FIELD_TEXT;
    std::int32_t Index = 0;
    // Ticket column width in characters of a datum inserted with a width, 0 for none. It shapes
    // only the sample text: the printed value is never padded.
    std::int32_t Width = 0;

    CRenglonField() = default;
    // A datum whose text is its sample, left-justified to `width` characters (cut or padded with
    // blanks) when width is not 0. Widths are ticket columns: outside 0 … 40 they are taken as 0
    // and 40.
    CRenglonField(std::int32_t kind, std::int32_t index, std::int32_t width = 0);
    // A free-text field.
    explicit CRenglonField(std::string text);

    bool IsDetail() const { return Kind == FIELD_DETAIL; }
    // The detail datum "Observaciones de la partida".
    bool IsDetailNotes() const { return Kind == FIELD_DETAIL && Index == FormatData::kDetailNotes; }

    // The printed text: free text gives its own text, a datum the provider's value, any other kind "".
    std::string Value(const CFieldValueProvider& values) const;

    bool Load(CArchive& ar);
    void Store(CArchive& ar) const;

    friend bool operator==(const CRenglonField&, const CRenglonField&) = default;
};
