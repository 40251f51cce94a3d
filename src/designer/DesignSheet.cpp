#include "designer/DesignSheet.h"

#include "designer/SheetValues.h"
#include "printing/PageLayout.h"
#include "printing/TextMeasure.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

// Only the header (pitch, Caben, Repetir) matters to one element's operations.
CPageLayout layoutFor(const CWindowsFormat& format, const CTextMeasure& measure) {
    CWindowsFormat header;
    header.Pitch = format.Pitch;
    header.Caben = format.Caben;
    header.Repetir = format.Repetir;
    return CPageLayout(std::move(header), measure);
}

// Printing wraps the last element that holds the line notes.
const CRenglonFormato* notesElement(const CWindowsFormat& format) {
    const CRenglonFormato* notes = nullptr;
    for (const CRenglonFormato& e : format.Elements)
        if (e.IsNotesElement())
            notes = &e;
    return notes;
}

} // namespace

std::vector<std::int32_t> CDesignSheet::RowOffsets(const CWindowsFormat& format, const CSheetValues& values) const {
    std::vector<std::int32_t> offsets{0};
    if (format.Pitch <= 0)
        return offsets;
    const std::int32_t rows = std::clamp(format.Caben, 1, kMaxGhostRows);
    const CPageLayout layout = layoutFor(format, m_measure);
    const CRenglonFormato* notes = notesElement(format);
    std::int32_t offset = 0;
    for (std::int32_t row = 0; row + 1 < rows; ++row) {
        if (notes) {
            CRenglonFormato element = *notes;
            element.BuildText(values.Row(static_cast<std::size_t>(row)));
            PrintPage scratch;
            offset -= layout.LayoutElement(scratch, element, offset);
        }
        offset -= format.Pitch;
        offsets.push_back(offset);
    }
    return offsets;
}

bool CDesignSheet::cut(const PageOp& op) const {
    if (op.kind != PageOp::Kind::Text)
        return false;
    // Blanks on the side the alignment pushes out of the box are cut harmlessly (amounts come
    // right-justified in a fixed width).
    std::string_view text = op.text;
    if (op.alignment != ALIGN_LEFT)
        text.remove_prefix(std::min(text.size(), text.find_first_not_of(' ')));
    if (op.alignment != ALIGN_RIGHT)
        text = text.substr(0, text.find_last_not_of(' ') + 1);
    if (text.empty())
        return false;
    const double width = m_measure.TextWidth(text, op.font) * op.xScale;
    const std::int32_t room = op.clip.right - op.clip.left - CPageLayout::kTextInset;
    // Above the baseline the cell has the font's internal leading, blank but for accents: a box
    // that cuts into it cuts nothing one reads. The letters reach about 0.85 of the rest.
    const CTextMeasure::Metrics m = m_measure.FontMetrics(op.font);
    const double leading = std::max(0.0, m.height() - std::abs(op.font.Height));
    const double top = op.anchor.y + m.descent + 0.85 * std::max(0.0, m.ascent - leading);
    constexpr double kSlack = 1; // 0.1 mm
    return width > room + kSlack || top > op.clip.bottom + kSlack || op.anchor.y < op.clip.top - kSlack;
}

CDesignSheet::Drawing CDesignSheet::Draw(const CWindowsFormat& format, std::size_t index, const CSheetValues& values,
                                          const std::vector<std::int32_t>& rows) const {
    Drawing drawing;
    if (index >= format.Elements.size())
        return drawing;
    const CPageLayout layout = layoutFor(format, m_measure);
    CRenglonFormato element = format.Elements[index];
    // A wrapped text drops the lines below its box: those are cut off too.
    auto linesLost = [&](const PrintPage& page, std::size_t before) {
        if (element.IsShape() || element.IsNotesElement() || element.IsQrElement() || !element.IsWrappedElement())
            return false;
        const CPageLayout::DrawingFont font = layout.MakeDrawingFont(element.Font);
        const FormatRect box = element.Position.normalised();
        const double width = box.right - box.left - 2 * CPageLayout::kTextInset;
        if (width <= 0)
            return !element.Text.empty();
        std::size_t wanted = 0;
        for (const std::string& line : layout.WrapText(element.Text, font, width, true))
            wanted += line.empty() ? 0 : 1;
        const std::size_t drawn = (page.ops.size() - before) / (format.Repetir != 0 ? 2 : 1);
        return drawn < wanted;
    };
    const bool detail = element.BuildText(values.Row(0));
    layout.LayoutElement(drawing.ops, element, 0);
    drawing.overflows = linesLost(drawing.ops, 0);
    if (detail) {
        for (std::size_t row = 1; row < rows.size(); ++row) {
            element.BuildText(values.Row(row));
            const std::size_t before = drawing.ghosts.ops.size();
            layout.LayoutElement(drawing.ghosts, element, rows[row]);
            drawing.overflows = drawing.overflows || linesLost(drawing.ghosts, before);
        }
    }
    for (const PrintPage* page : {&drawing.ops, &drawing.ghosts})
        for (const PageOp& op : page->ops)
            drawing.overflows = drawing.overflows || cut(op);
    return drawing;
}
