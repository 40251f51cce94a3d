#pragma once

#include <QColor>
#include <QString>

class CTolCaptionBand;

// The control attributes the toolkit's edits share, on top of the Qt edit `Edit` (QLineEdit,
// QPlainTextEdit): background and text colour (the palette's Base and Text roles), bold text, and a
// caption drawn as a title band across the top, inside the frame. An edit derives from it and lays
// its text out below the band in layoutParts(), which runs whenever the caption comes or goes.
template <typename Edit>
class CTolEditAttributes : public Edit {
public:
    using Edit::Edit;

    void setBackColor(const QColor& color);
    void setTextColor(const QColor& color);
    void setBold(bool on);
    bool isBold() const { return this->font().bold(); }

    // An empty caption removes the band.
    void setCaption(const QString& caption);
    QString caption() const;

protected:
    // Places the band across the top inside a frame `frameWidth` thick; the height it takes there
    // (0 without a caption).
    int placeBand(int frameWidth);
    virtual void layoutParts() = 0;

private:
    CTolCaptionBand* m_band = nullptr;
};
