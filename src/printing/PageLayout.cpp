#include "printing/PageLayout.h"

#include "invoice/Partida.h"
#include "printing/PrintJob.h"
#include "printing/TextMeasure.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace {

FormatRect shifted(FormatRect r, std::int32_t dy) {
    r.top += dy;
    r.bottom += dy;
    return r;
}

// A text op is one line: line breaks and tabs of a single-line element print as blanks.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
    return text;
}

// The reference x of a text in a box: 0.2 mm inside the edge it is aligned to, or the middle.
std::int32_t anchorX(const FormatRect& box, std::int32_t alignment, std::int32_t inset) {
    switch (alignment) {
    case ALIGN_RIGHT: return box.right - inset;
    case ALIGN_CENTER: return box.left + (box.right - box.left) / 2;
    default: return box.left + inset;
    }
}

// Stored alignments other than right and centre draw as left.
std::int32_t drawnAlignment(std::int32_t alignment) {
    return alignment == ALIGN_RIGHT || alignment == ALIGN_CENTER ? alignment : ALIGN_LEFT;
}

// Stored geometry beyond any sheet (100 m, fonts of 50 cm) is held there, so that no sum of
// positions, offsets and repetitions can overflow, whatever a damaged row holds.
constexpr std::int32_t kMaxCoordinate = 1'000'000;
constexpr std::int32_t kMaxFontHeight = 5'000;
constexpr std::int32_t kMaxOffset = 100'000'000;
constexpr std::size_t kMaxBlockLines = 2'000;

std::int32_t bounded(std::int32_t v, std::int32_t limit) { return std::clamp(v, -limit, limit); }

void bound(CRenglonFormato& e) {
    for (std::int32_t* v : {&e.Position.left, &e.Position.top, &e.Position.right, &e.Position.bottom})
        *v = bounded(*v, kMaxCoordinate);
    e.Font.Height = bounded(e.Font.Height, kMaxFontHeight);
    e.Font.Width = bounded(e.Font.Width, kMaxFontHeight);
}

CWindowsFormat bounded(CWindowsFormat format) {
    format.Pitch = bounded(format.Pitch, kMaxCoordinate);
    format.Repetir = bounded(format.Repetir, kMaxCoordinate);
    for (CRenglonFormato& e : format.Elements)
        bound(e);
    return format;
}

} // namespace

CPageLayout::CPageLayout(CWindowsFormat format, const CTextMeasure& measure)
    : m_format(bounded(std::move(format))), m_measure(measure) {}

CPageLayout::DrawingFont CPageLayout::MakeDrawingFont(const LogFont& stored) const {
    DrawingFont drawing;
    drawing.font = stored;
    const std::int32_t height = stored.Height == 0 ? kDefaultFontHeight : std::abs(stored.Height);
    drawing.font.Height = -height;
    drawing.font.Width = 0;
    const double natural = m_measure.FontMetrics(drawing.font).averageCharWidth;
    // The average width the stored font is made with: its own width when it has one, else the
    // natural one in whole 0.1 mm as the font's metrics report it.
    const double average = stored.Width != 0 ? std::abs(static_cast<double>(stored.Width)) : std::round(natural);
    const double narrowed = std::trunc(average * kWidthFactor);
    if (narrowed > 0 && natural > 0)
        drawing.xScale = narrowed / natural;
    return drawing;
}

std::vector<std::string> CPageLayout::WrapText(const std::string& text, const DrawingFont& font, double width,
                                               bool breakLongWords) const {
    auto fits = [&](const std::string& line) { return m_measure.TextWidth(line, font.font) * font.xScale <= width; };
    // The bytes of the longest start of `word` that fits, whole UTF-8 characters, at least one.
    auto fittingStart = [&](const std::string& word) {
        std::vector<std::size_t> ends;
        for (std::size_t i = 1; i <= word.size(); ++i)
            if (i == word.size() || (static_cast<unsigned char>(word[i]) & 0xC0) != 0x80)
                ends.push_back(i);
        // The largest count of characters that fits, at least one.
        std::size_t lo = 1, hi = ends.size();
        while (lo < hi) {
            const std::size_t mid = (lo + hi + 1) / 2;
            if (fits(word.substr(0, ends[mid - 1])))
                lo = mid;
            else
                hi = mid - 1;
        }
        return ends[lo - 1];
    };
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        // One paragraph: up to the next line break.
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::string current;
        std::size_t w = pos;
        while (w < end) {
            const std::size_t start = text.find_first_not_of(' ', w);
            if (start == std::string::npos || start >= end)
                break;
            std::size_t stop = text.find(' ', start);
            if (stop == std::string::npos || stop > end)
                stop = end;
            std::string word = text.substr(start, stop - start);
            std::string candidate = current.empty() ? word : current + ' ' + word;
            if (current.empty() || fits(candidate)) {
                current = std::move(candidate);
            } else {
                lines.push_back(std::move(current));
                current = std::move(word);
            }
            // A word alone wider than the line is cut where the line ends.
            while (breakLongWords && !fits(current)) {
                const std::size_t n = fittingStart(current);
                lines.push_back(current.substr(0, n));
                current.erase(0, n);
            }
            w = stop;
        }
        lines.push_back(std::move(current));
        if (end >= text.size())
            break;
        // CR LF is one break.
        pos = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

std::vector<PrintPage> CPageLayout::LayoutJob(const CPrintJob& job) {
    std::vector<PrintPage> pages;
    CDocumentValues values = job;
    const std::int32_t copies = std::clamp<std::int32_t>(job.Copies, 1, kMaxCopies);
    for (std::int32_t copy = 0; copy < copies; ++copy) {
        std::int32_t next = 1;
        // A payment's receipt has no lines of its own: one sheet of what the format shows.
        if (job.NumPago != 0 && job.Lines.empty())
            pages.push_back(LayoutPage(values, job.Lines, next));
        while (next < job.RowCount())
            pages.push_back(LayoutPage(values, job.Lines, next));
    }
    return pages;
}

PrintPage CPageLayout::LayoutPage(const CPrintJob& job, std::int32_t& nextRow) {
    CDocumentValues values = job;
    return LayoutPage(values, job.Lines, nextRow);
}

PrintPage CPageLayout::LayoutPage(CDocumentValues& values, const std::vector<CPartida>& lines,
                                  std::int32_t& nextRow) {
    PrintPage page;
    nextRow = std::max<std::int32_t>(nextRow, 1);
    page.firstRow = nextRow;
    values.CurrentLine = nullptr;
    values.CurrentLineNumber = 0;

    // Header pass: every element without a detail datum, on every sheet.
    CRenglonFormato* notes = nullptr;
    for (CRenglonFormato& element : m_format.Elements) {
        if (element.IsNotesElement())
            notes = &element;
        if (element.IsShape())
            addShape(page, element);
        else if (!element.BuildText(values))
            addText(page, element, 0);
    }

    // Detail pass.
    const auto rowCount = static_cast<std::int32_t>(lines.size()) + 1;
    std::int32_t offset = 0;
    while (nextRow < rowCount) {
        values.CurrentLine = &lines[static_cast<std::size_t>(nextRow - 1)];
        values.CurrentLineNumber = nextRow;
        for (CRenglonFormato& element : m_format.Elements) {
            if (&element == notes || !element.HasDetail())
                continue;
            element.BuildText(values);
            addText(page, element, offset);
        }
        if (notes) {
            notes->BuildText(values);
            if (!notes->Text.empty())
                offset -= addNotes(page, *notes, offset);
        }
        offset -= m_format.Pitch;
        // Far below any sheet already; held there so that 99 long notes cannot overflow it.
        offset = std::max(offset, -kMaxOffset);
        ++nextRow;
        ++page.rowCount;
        // Caben of 0 or less still puts one line on each sheet.
        if (page.rowCount >= m_format.Caben)
            break;
    }
    values.CurrentLine = nullptr;
    return page;
}

std::int32_t CPageLayout::LayoutElement(PrintPage& page, const CRenglonFormato& stored, std::int32_t offset) const {
    CRenglonFormato element = stored;
    bound(element);
    offset = std::clamp(offset, -kMaxOffset, kMaxOffset);
    if (element.IsShape())
        addShape(page, element);
    else if (element.IsNotesElement())
        return element.Text.empty() ? 0 : addNotes(page, element, offset);
    else
        addText(page, element, offset);
    return 0;
}

void CPageLayout::addText(PrintPage& page, const CRenglonFormato& element, std::int32_t offset) const {
    if (element.Text.empty())
        return;
    if (element.IsQrElement())
        return addQr(page, element, offset);
    if (element.IsLogoElement())
        return addPicture(page, element, offset);
    if (element.IsWrappedElement())
        return addWrapped(page, element, offset);
    const DrawingFont font = MakeDrawingFont(element.Font);
    PageOp op;
    op.kind = PageOp::Kind::Text;
    op.colour = element.Colour;
    op.text = oneLine(element.Text);
    op.font = font.font;
    op.xScale = font.xScale;
    op.alignment = drawnAlignment(element.Alignment);
    op.clip = shifted(element.Position, offset).normalised();
    op.anchor = {anchorX(op.clip, op.alignment, kTextInset), op.clip.top};
    page.ops.push_back(op);
    if (m_format.Repetir != 0) {
        op.clip = shifted(op.clip, -m_format.Repetir);
        op.anchor.y -= m_format.Repetir;
        page.ops.push_back(std::move(op));
    }
}

void CPageLayout::addShape(PrintPage& page, const CRenglonFormato& element) const {
    PageOp op;
    op.colour = element.Colour;
    op.penWidth = kPenWidth;
    if (element.IsLine != 0) {
        // From the left end of the upper edge to the right end of the lower edge.
        const FormatRect r = element.Position.normalised();
        op.kind = PageOp::Kind::Line;
        op.from = {r.left, r.bottom};
        op.to = {r.right, r.top};
    } else {
        op.kind = PageOp::Kind::Rectangle;
        op.from = {element.Position.left, element.Position.top};
        op.to = {element.Position.right, element.Position.bottom};
    }
    page.ops.push_back(op);
    if (m_format.Repetir != 0) {
        op.from.y -= m_format.Repetir;
        op.to.y -= m_format.Repetir;
        page.ops.push_back(std::move(op));
    }
}

std::int32_t CPageLayout::addNotes(PrintPage& page, const CRenglonFormato& element, std::int32_t offset) const {
    const DrawingFont font = MakeDrawingFont(element.Font);
    const CTextMeasure::Metrics metrics = m_measure.FontMetrics(font.font);
    const auto lineHeight = static_cast<std::int32_t>(std::lround(metrics.height() + metrics.externalLeading));
    // The block hangs from the element's lower edge raised by one text line: its first line sits
    // where a single-line element's text would, and the rest follow below it.
    const FormatRect box = shifted(element.Position, offset).normalised();
    const std::int32_t blockTop = box.top + lineHeight;
    std::vector<std::string> lines = WrapText(element.Text, font, box.right - box.left);
    if (lines.empty())
        return 0;
    // No sheet shows more lines than this; the rest would only fall off it.
    if (lines.size() > kMaxBlockLines)
        lines.resize(kMaxBlockLines);
    const auto height = static_cast<std::int32_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(lines.size()) * lineHeight, kMaxOffset));
    addBlock(page, element, font, lines, {box.left, blockTop - height, box.right, blockTop}, 0);
    return height;
}

void CPageLayout::addQr(PrintPage& page, const CRenglonFormato& element, std::int32_t offset) const {
    PageOp op;
    op.kind = PageOp::Kind::QrCode;
    op.qr = QrCode::Encode(element.Text);
    if (op.qr.size == 0)
        return;
    const FormatRect box = shifted(element.Position, offset).normalised();
    const std::int32_t side = std::min(box.right - box.left, box.bottom - box.top);
    if (side <= 0)
        return;
    // y upwards: the rectangle's upper edge is its numerically larger y.
    op.clip = {box.left, box.bottom - side, box.left + side, box.bottom};
    page.ops.push_back(op);
    if (m_format.Repetir != 0) {
        op.clip = shifted(op.clip, -m_format.Repetir);
        page.ops.push_back(std::move(op));
    }
}

void CPageLayout::addPicture(PrintPage& page, const CRenglonFormato& element, std::int32_t offset) const {
    PageOp op;
    op.kind = PageOp::Kind::Picture;
    op.text = element.Text;
    op.clip = shifted(element.Position, offset).normalised();
    page.ops.push_back(op);
    if (m_format.Repetir != 0) {
        op.clip = shifted(op.clip, -m_format.Repetir);
        page.ops.push_back(std::move(op));
    }
}

void CPageLayout::addWrapped(PrintPage& page, const CRenglonFormato& element, std::int32_t offset) const {
    const DrawingFont font = MakeDrawingFont(element.Font);
    const CTextMeasure::Metrics metrics = m_measure.FontMetrics(font.font);
    const auto lineHeight = static_cast<std::int32_t>(std::lround(metrics.height() + metrics.externalLeading));
    const auto cellHeight = static_cast<std::int32_t>(std::lround(metrics.height()));
    const FormatRect box = shifted(element.Position, offset).normalised();
    const std::int32_t width = box.right - box.left - 2 * kTextInset;
    if (width <= 0 || lineHeight <= 0)
        return;
    std::vector<std::string> lines = WrapText(element.Text, font, width, true);
    // Only the lines whose cell lies inside the rectangle.
    const auto room = static_cast<std::size_t>(std::max(0, (box.bottom - box.top - cellHeight) / lineHeight + 1));
    if (lines.size() > room)
        lines.resize(room);
    addBlock(page, element, font, lines, box, kTextInset);
}

void CPageLayout::addBlock(PrintPage& page, const CRenglonFormato& element, const DrawingFont& font,
                           const std::vector<std::string>& lines, const FormatRect& clip, std::int32_t inset) const {
    const CTextMeasure::Metrics metrics = m_measure.FontMetrics(font.font);
    const auto lineHeight = static_cast<std::int32_t>(std::lround(metrics.height() + metrics.externalLeading));
    const auto cellHeight = static_cast<std::int32_t>(std::lround(metrics.height()));
    const std::int32_t alignment = drawnAlignment(element.Alignment);
    for (const std::int32_t repeat : {0, m_format.Repetir}) {
        for (std::size_t k = 0; k < lines.size(); ++k) {
            if (lines[k].empty())
                continue;
            PageOp op;
            op.kind = PageOp::Kind::Text;
            op.colour = element.Colour;
            op.text = lines[k];
            op.font = font.font;
            op.xScale = font.xScale;
            op.alignment = alignment;
            op.clip = shifted(clip, -repeat);
            op.anchor = {anchorX(op.clip, alignment, inset),
                         op.clip.bottom - static_cast<std::int32_t>(k) * lineHeight - cellHeight};
            page.ops.push_back(std::move(op));
        }
        if (m_format.Repetir == 0)
            break;
    }
}
