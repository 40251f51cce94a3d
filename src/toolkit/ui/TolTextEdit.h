#pragma once

#include <QPlainTextEdit>

class CTolCaptionBand;

// The toolkit's multi-line edit (the notes): background and text colour, bold text and a caption
// drawn as a title band across its top. It keeps Enter for new lines; Tab leaves it.
class CTolTextEdit final : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTolTextEdit)
public:
    explicit CTolTextEdit(QWidget* parent = nullptr);

    void setBackColor(const QColor& color);
    void setTextColor(const QColor& color);
    void setBold(bool on);
    bool isBold() const { return font().bold(); }
    // An empty caption removes the band.
    void setCaption(const QString& caption);
    QString caption() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutBand();

    CTolCaptionBand* m_band = nullptr;
};
