#pragma once

#include "printing/PrintPage.h"
#include "printing/WindowsFormat.h"

#include <cstdint>
#include <string>
#include <vector>

class CDocumentValues;
class CPartida;
class CPrintJob;
class CTextMeasure;

// Lays a document out on sheets through a Windows-printer format: on every sheet the header
// elements (everything without a detail datum: texts, lines, rectangles, totals), then as many
// detail lines as `Caben` allows at the format's pitch, each followed by its wrapped notes block,
// which moves the lines below it further down. With `Repetir` every element is laid a second
// time that far lower on the same sheet. Coordinates are 0.1 mm, y upwards, origin at the
// sheet's top-left corner.
class CPageLayout final {
public:
    static constexpr double kWidthFactor = 0.94;        // drawing fonts are narrowed to this
    static constexpr std::int32_t kTextInset = 2;       // 0.2 mm between a box edge and its text
    static constexpr std::int32_t kPenWidth = 4;        // 0.4 mm for lines and rectangles
    static constexpr std::int32_t kDefaultFontHeight = 40; // a stored height of 0 means 4 mm
    static constexpr std::int32_t kMaxCopies = 99;

    // The font a stored element font is drawn with: its height as a character height, its
    // glyphs narrowed so that the average character width is the stored (or natural, rounded to
    // 0.1 mm) average × 0.94, truncated to 0.1 mm. A width that truncates to 0 keeps the natural
    // width.
    struct DrawingFont {
        LogFont font;      // Height < 0, Width 0
        double xScale = 1; // horizontal scale against the natural width
    };

    // `measure` must outlive the layout.
    CPageLayout(CWindowsFormat format, const CTextMeasure& measure);

    // Every sheet of every copy, in printing order. A document without detail lines gives no
    // sheet; fewer than one copy counts as one, more than kMaxCopies as kMaxCopies.
    std::vector<PrintPage> LayoutJob(const CPrintJob& job);
    // One sheet starting at grid row `nextRow` (1 for the first detail line); `nextRow` moves past
    // the lines laid on it. At least one line goes on a sheet, whatever `Caben` says.
    PrintPage LayoutPage(const CPrintJob& job, std::int32_t& nextRow);
    // The same sheet with the data of `values` (a document, or the designers' samples) over
    // `lines`; `values` is pointed at each line as it is laid.
    PrintPage LayoutPage(CDocumentValues& values, const std::vector<CPartida>& lines, std::int32_t& nextRow);

    DrawingFont MakeDrawingFont(const LogFont& stored) const;
    // `text` broken into lines no wider than `width` (0.1 mm) in `font`: words are separated by
    // blanks; a line break in the text (CR LF, CR or LF) always starts a new line; a word wider
    // than `width` stands alone on its line, or with `breakLongWords` is broken between characters
    // into lines that fit (a seal has no blanks). Trailing empty lines are dropped.
    std::vector<std::string> WrapText(const std::string& text, const DrawingFont& font, double width,
                                      bool breakLongWords = false) const;

    const CWindowsFormat& Format() const { return m_format; }

    // The operations of one element whose text is built, as a sheet carries them: a line or
    // rectangle, a text box at vertical offset `offset`, or the wrapped notes block hanging
    // from it; each repeated `Repetir` lower when the format says so. The designer draws its
    // sheet with these, so the screen shows what prints. How far the notes block moves the
    // following detail lines down (0.1 mm); 0 for every other element.
    std::int32_t LayoutElement(PrintPage& page, const CRenglonFormato& element, std::int32_t offset) const;

private:
    void addText(PrintPage& page, const CRenglonFormato& element, std::int32_t offset) const;
    void addShape(PrintPage& page, const CRenglonFormato& element) const;
    // The QR code of the element's text: the largest square at the rectangle's upper-left corner.
    void addQr(PrintPage& page, const CRenglonFormato& element, std::int32_t offset) const;
    void addPicture(PrintPage& page, const CRenglonFormato& element, std::int32_t offset) const;
    // The element's text wrapped inside its rectangle from its upper edge down; lines that would
    // fall below the lower edge are not drawn.
    void addWrapped(PrintPage& page, const CRenglonFormato& element, std::int32_t offset) const;
    // Text lines one under another from the upper edge of `clip` (the first line's cell touching
    // it), each clipped to it and `inset` inside its aligned edge; again `Repetir` lower.
    void addBlock(PrintPage& page, const CRenglonFormato& element, const DrawingFont& font,
                  const std::vector<std::string>& lines, const FormatRect& clip, std::int32_t inset) const;
    // The notes block of the current line at `offset`; its height (0.1 mm), by which the following
    // lines move down.
    std::int32_t addNotes(PrintPage& page, const CRenglonFormato& element, std::int32_t offset) const;

    CWindowsFormat m_format; // its elements' texts are rebuilt as they are laid
    const CTextMeasure& m_measure;
};
