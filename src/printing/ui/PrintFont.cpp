#include "printing/ui/PrintFont.h"

#include "printing/LogFont.h"
#include "printing/PageLayout.h"

#include <QColor>

#include <algorithm>
#include <cstdlib>

namespace PrintFont {

QFont ToQFont(const LogFont& font) {
    QFont f(font.FaceName.empty() ? QStringLiteral("Arial") : QString::fromStdString(font.FaceName));
    const int height = font.Height == 0 ? CPageLayout::kDefaultFontHeight : std::abs(font.Height);
    f.setPixelSize(std::max(1, static_cast<int>(height * kFontScale)));
    // LOGFONT weights run 0 (the face's normal) to 1000; Qt takes 1 … 1000 on the same scale.
    f.setWeight(static_cast<QFont::Weight>(font.Weight <= 0 ? 400 : std::clamp(font.Weight, 1, 1000)));
    f.setItalic(font.Italic != 0);
    f.setUnderline(font.Underline != 0);
    f.setStrikeOut(font.StrikeOut != 0);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    f.setStyleStrategy(QFont::PreferOutline);
    return f;
}

QColor ToQColor(int colorRef) {
    return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

} // namespace PrintFont
