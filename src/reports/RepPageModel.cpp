#include "reports/RepPageModel.h"

#include "printing/TextMeasure.h"
#include "reports/RepData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kMinColumnWidth = 4;
constexpr int kGripReach = 6;

} // namespace

CRepPageModel::CRepPageModel(const CRepData& data, const CTextMeasure& measure) : m_data(data), m_measure(measure) {}

void CRepPageModel::SetHeadings(std::string businessName, std::string reportTitle) {
    m_heading1 = std::move(businessName);
    m_heading2 = std::move(reportTitle);
}

void CRepPageModel::SetCurrentPage(int page) { m_page = std::clamp(page, 1, std::max(m_pageCount, 1)); }

LogFont CRepPageModel::Font(FontKind kind) const {
    LogFont f;
    switch (kind) {
    case FontKind::Title:
        f.FaceName = "Arial";
        f.Weight = 800;
        f.Height = -static_cast<int>(m_zoom * 0.64);
        break;
    case FontKind::Header:
        f.FaceName = "Arial Narrow";
        f.Weight = 600;
        f.Height = -static_cast<int>(m_zoom * 0.6);
        break;
    case FontKind::Body:
        f.FaceName = "Arial Narrow";
        f.Weight = 400;
        f.Height = -static_cast<int>(m_zoom * 0.4);
        break;
    }
    // A zero height would mean the default 4 mm; keep the smallest visible size instead.
    if (f.Height == 0)
        f.Height = -1;
    return f;
}

CRepPageModel::Line CRepPageModel::metrics(FontKind kind) const {
    const CTextMeasure::Metrics m = m_measure.FontMetrics(Font(kind));
    Line l;
    l.height = std::max(1, static_cast<int>(std::lround(m.height())));
    l.leading = std::max(0, static_cast<int>(std::lround(m.externalLeading)));
    return l;
}

// `top` counts downwards from the sheet's top edge; the page operations count upwards.
void CRepPageModel::text(PrintPage& page, FontKind kind, std::string_view s, int x, int top, int align,
                         const FormatRect& clip) const {
    if (s.empty())
        return;
    PageOp op;
    op.kind = PageOp::Kind::Text;
    op.text = std::string(s);
    op.font = Font(kind);
    op.alignment = align;
    op.anchor = {x, -(top + metrics(kind).height)};
    op.clip = clip;
    page.ops.push_back(std::move(op));
}

void CRepPageModel::layoutColumns(int titleStep) {
    const int columns = m_data.GetColumnCount();
    if (!m_layoutPending && static_cast<int>(m_colX.size()) == columns)
        return;
    m_colX.assign(static_cast<std::size_t>(columns), 0);
    m_colWidth.assign(static_cast<std::size_t>(columns), 0);
    if (columns == 0)
        return;
    const int L1 = metrics(FontKind::Title).height + metrics(FontKind::Title).leading;
    const int even = (PageWidth() - 4 * titleStep) / columns;
    for (int i = 0; i < columns; ++i) {
        m_colX[static_cast<std::size_t>(i)] = 2 * L1 + i * even;
        m_colWidth[static_cast<std::size_t>(i)] = even;
    }
}

PrintPage CRepPageModel::DrawPage() {
    PrintPage page;
    const int P = PageWidth();
    const int B = BottomLimit();
    // Clip rectangles are normalised as PrintPage wants them: top ≤ bottom numerically.
    const FormatRect sheet{0, -SheetHeight(), P, 0};

    const Line title = metrics(FontKind::Title);
    const int L1 = title.height + title.leading;
    text(page, FontKind::Title, m_heading1, P / 2, 2 * L1, CRepData::kCenter, sheet);
    text(page, FontKind::Title, m_heading2, P / 2, 3 * L1, CRepData::kCenter, sheet);

    PageOp rule;
    rule.kind = PageOp::Kind::Line;
    rule.from = {2 * L1, -4 * L1};
    rule.to = {P - 2 * L1, -4 * L1};
    rule.penWidth = std::max(1, L1 / 10);
    page.ops.push_back(rule);

    const int T = title.height;
    int y = 4 * L1;
    for (const std::string& line : m_data.TitleLines()) {
        y += T;
        text(page, FontKind::Header, line, 2 * L1, y, CRepData::kLeft, sheet);
    }

    layoutColumns(T);
    const int columns = m_data.GetColumnCount();
    auto anchorX = [this](int c) {
        const int x = m_colX[static_cast<std::size_t>(c)];
        const int w = m_colWidth[static_cast<std::size_t>(c)];
        switch (m_data.GetAlign(c)) {
        case CRepData::kRight: return x + w;
        case CRepData::kCenter: return x + w / 2;
        default: return x;
        }
    };
    auto alignOf = [this](int c) {
        const int a = m_data.GetAlign(c);
        return a == CRepData::kRight || a == CRepData::kCenter ? a : CRepData::kLeft;
    };
    for (int c = 0; c < columns; ++c)
        text(page, FontKind::Header, m_data.GetHeader(c), anchorX(c), y + T, alignOf(c), sheet);

    const Line body = metrics(FontKind::Body);
    const int y0 = y + 2 * T;
    const int L = body.height + body.leading;
    m_lineHeight = L;
    // At least one row a page, whatever the zoom and the title lines, so paging never divides by 0.
    m_rowsPerPage = std::max(1, (B - y0) / L - 1);
    const int rows = m_data.GetRowCount();
    m_pageCount = std::max(1, rows / m_rowsPerPage + (rows % m_rowsPerPage != 0 ? 1 : 0));
    m_page = std::clamp(m_page, 1, m_pageCount);

    const int first = (m_page - 1) * m_rowsPerPage;
    const int last = std::min(rows, first + m_rowsPerPage);
    int top = y0;
    for (int r = first; r < last; ++r, top += L) {
        for (int c = 0; c < columns; ++c) {
            const std::string_view s = m_data.GetCell(r, c);
            const int x = m_colX[static_cast<std::size_t>(c)];
            int right = x + m_colWidth[static_cast<std::size_t>(c)];
            if (c == 0 && m_firstColumnSpans && !s.empty())
                right = P;
            text(page, FontKind::Body, s, anchorX(c), top, alignOf(c), FormatRect{x, -(top + L), right, -top});
        }
    }

    char number[32];
    std::snprintf(number, sizeof number, "%d/%d", m_page, m_pageCount);
    text(page, FontKind::Body, number, P / 2, B, CRepData::kCenter, sheet);

    if (m_adjust) {
        for (int c = 0; c < columns; ++c) {
            PageOp grip;
            grip.kind = PageOp::Kind::Line;
            const int edge = m_colX[static_cast<std::size_t>(c)] + m_colWidth[static_cast<std::size_t>(c)];
            grip.from = {edge, 0};
            grip.to = {edge, -L};
            grip.penWidth = 1;
            page.ops.push_back(grip);
        }
    }
    m_layoutPending = false;
    page.firstRow = first;
    page.rowCount = last - first;
    return page;
}

bool CRepPageModel::BeginDrag(int x, int y) {
    if (!m_adjust || y >= m_lineHeight)
        return false;
    for (std::size_t c = 0; c < m_colX.size(); ++c) {
        const int edge = m_colX[c] + m_colWidth[c];
        if (std::abs(x - edge) < kGripReach) {
            m_dragging = true;
            m_dragColumn = static_cast<int>(c);
            m_dragAnchorX = x;
            return true;
        }
    }
    return false;
}

void CRepPageModel::DragTo(int x) {
    if (!m_dragging || m_dragColumn < 0 || m_dragColumn >= static_cast<int>(m_colWidth.size()))
        return;
    const std::size_t c = static_cast<std::size_t>(m_dragColumn);
    const int wanted = m_colWidth[c] + (x - m_dragAnchorX);
    const int width = std::max(kMinColumnWidth, wanted);
    const int change = width - m_colWidth[c];
    m_colWidth[c] = width;
    for (std::size_t i = c + 1; i < m_colX.size(); ++i)
        m_colX[i] += change;
    m_dragAnchorX = x;
}
