#pragma once

#include "printing/LogFont.h"
#include "printing/PrintPage.h"

#include <string>
#include <string_view>
#include <vector>

class CRepData;
class CTextMeasure;

// The pages of a report, laid out from its CRepData. Positions are 0.1 mm on a US Letter sheet
// (2159 × 2794 portrait, 2794 × 2159 landscape). The layout is computed afresh at every drawing,
// from the fonts' metrics as `measure` gives them, so rows per page and page count follow the
// zoom, the title lines and the orientation. Column positions are fixed by the first drawing and
// afterwards change only by dragging a column's grip.
class CRepPageModel final {
public:
    enum class FontKind { Title, Header, Body };

    CRepPageModel(const CRepData& data, const CTextMeasure& measure);

    void SetHeadings(std::string businessName, std::string reportTitle);
    void SetPortrait(bool portrait) { m_portrait = portrait; }
    bool IsPortrait() const { return m_portrait; }
    void SetFirstColumnSpans(bool spans) { m_firstColumnSpans = spans; }
    // Type size in percent; fonts are rebuilt from it, columns stay where they are.
    void SetZoom(double percent) { m_zoom = percent; }
    double Zoom() const { return m_zoom; }
    void SetAdjustMode(bool on) { m_adjust = on; }
    bool AdjustMode() const { return m_adjust; }

    // Logical page width P, sheet height and the bottom limit B (the sheet height less 200).
    int PageWidth() const { return m_portrait ? 2159 : 2794; }
    int SheetHeight() const { return m_portrait ? 2794 : 2159; }
    int BottomLimit() const { return SheetHeight() - 200; }

    // 1-based; kept within 1 … PageCount().
    int CurrentPage() const { return m_page; }
    void SetCurrentPage(int page);
    int PageCount() const { return m_pageCount; }
    int RowsPerPage() const { return m_rowsPerPage; }
    int LineHeight() const { return m_lineHeight; }

    LogFont Font(FontKind kind) const;

    // Lays out the current page: the operations of the sheet in 0.1 mm, y upwards from the top
    // left corner (PrintPage's convention). Recomputes rows per page and page count, both at
    // least 1, and ends the pending even column layout.
    PrintPage DrawPage();

    const std::vector<int>& ColumnX() const { return m_colX; }
    const std::vector<int>& ColumnWidth() const { return m_colWidth; }

    // Column grips, in adjust mode: a press above the line height and strictly within 6 units of
    // a column's right edge starts dragging the first such column; y is downwards from the top.
    bool BeginDrag(int x, int y);
    // Widens or narrows the dragged column by the movement since the last position, moving every
    // later column with it; a column is never narrower than 4.
    void DragTo(int x);
    void EndDrag() { m_dragging = false; }
    bool Dragging() const { return m_dragging; }

private:
    struct Line {
        int height;  // character height
        int leading; // external leading
    };
    Line metrics(FontKind kind) const;
    void text(PrintPage& page, FontKind kind, std::string_view s, int x, int top, int align, const FormatRect& clip) const;
    void layoutColumns(int titleStep);

    const CRepData& m_data;
    const CTextMeasure& m_measure;
    std::string m_heading1;
    std::string m_heading2;
    bool m_portrait = true;
    bool m_firstColumnSpans = false;
    double m_zoom = 100.0;
    bool m_adjust = false;
    bool m_layoutPending = true;
    int m_page = 1;
    int m_pageCount = 1;
    int m_rowsPerPage = 1;
    int m_lineHeight = 0;
    std::vector<int> m_colX;
    std::vector<int> m_colWidth;
    bool m_dragging = false;
    int m_dragColumn = -1;
    int m_dragAnchorX = 0;
};
