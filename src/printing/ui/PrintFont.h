#pragma once

#include <QFont>

struct LogFont;

// Fonts of the page model. Glyphs are made kFontScale times larger than their size in 0.1 mm and
// drawn scaled down by as much, so that measurement and drawing work on outlines precise to far
// less than 0.1 mm instead of on whole-pixel sizes.
namespace PrintFont {

inline constexpr qreal kFontScale = 10;

// The face, character height (|Height| × kFontScale pixels; 0 means 4 mm), weight, italic,
// underline and strike-out of `font`; Width is not applied. A face that is not installed falls
// back through fontconfig (Arial → Liberation Sans, Courier New → Liberation Mono). Unhinted and
// without kerning, so that widths are the font's own whatever the device.
QFont ToQFont(const LogFont& font);

// 0x00BBGGRR as a colour.
QColor ToQColor(int colorRef);

} // namespace PrintFont
