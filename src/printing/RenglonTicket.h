#pragma once

#include "printing/FormatData.h"
#include "printing/RenglonField.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CArchive;
class CFieldValueProvider;

// One row of the ticket format: fields concatenated into at most 40 columns, aligned. A row that
// holds a detail datum is printed once per detail line. Stream order: text, alignment, field count,
// the fields.
class CRenglonTicket final {
public:
    // An empty text and two integers.
    static constexpr std::size_t kMinStreamBytes = 9;

    std::string Text; // the row's text (preview or printed), rebuilt on use
    std::int32_t Alignment = ALIGN_LEFT;
    std::vector<CRenglonField> Fields;

    bool HasDetail() const;

    // The printed text. Header mode takes the fields that are not detail data, detail mode every
    // field (the provider's current line). Answers whether the row holds a detail datum.
    bool BuildText(const CFieldValueProvider& values, bool detailMode, int columns = FormatData::kTicketColumns);
    // The designer's preview: the fields' own texts (their samples), aligned as BuildText aligns
    // them; a text longer than `columns` stays whole, as the printer gets it (the preview shows
    // how the printer wraps it).
    void BuildPreview(int columns = FormatData::kTicketColumns);

    // `text` aligned in `columns`: right and centre put blanks in front (centre half the spare
    // columns, rounded down); left, and any other alignment, adds nothing. Text longer than
    // `columns` characters comes back unchanged.
    static std::string Align(const std::string& text, std::int32_t alignment, int columns = FormatData::kTicketColumns);

    bool Load(CArchive& ar);
    void Store(CArchive& ar) const;

    friend bool operator==(const CRenglonTicket&, const CRenglonTicket&) = default;
};
