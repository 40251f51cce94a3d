#include "printing/ui/QtTextMeasure.h"

#include "printing/ui/PrintFont.h"

#include <QFontMetricsF>
#include <QString>

CTextMeasure::Metrics CQtTextMeasure::FontMetrics(const LogFont& font) const {
    const QFontMetricsF fm(PrintFont::ToQFont(font));
    Metrics m;
    m.ascent = fm.ascent() / PrintFont::kFontScale;
    m.descent = fm.descent() / PrintFont::kFontScale;
    m.externalLeading = fm.leading() / PrintFont::kFontScale;
    m.averageCharWidth = fm.averageCharWidth() / PrintFont::kFontScale;
    return m;
}

double CQtTextMeasure::TextWidth(std::string_view text, const LogFont& font) const {
    const QFontMetricsF fm(PrintFont::ToQFont(font));
    return fm.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))) /
           PrintFont::kFontScale;
}
