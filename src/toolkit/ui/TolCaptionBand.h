#pragma once

#include <QWidget>

// The title band that a captioned edit draws across its top: the caption text, bold and centred,
// on the toolkit's band colour. Clicks fall through to the edit below.
class CTolCaptionBand final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTolCaptionBand)
public:
    static constexpr int kHeight = 21;

    explicit CTolCaptionBand(QWidget* parent);

    void setText(const QString& text);
    const QString& text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};
