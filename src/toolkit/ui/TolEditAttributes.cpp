#include "toolkit/ui/TolEditAttributes.h"

#include "toolkit/ui/TolCaptionBand.h"

#include <QLineEdit>
#include <QPlainTextEdit>

template <typename Edit>
void CTolEditAttributes<Edit>::setBackColor(const QColor& color) {
    QPalette pal = this->palette();
    pal.setColor(QPalette::Base, color);
    this->setPalette(pal);
}

template <typename Edit>
void CTolEditAttributes<Edit>::setTextColor(const QColor& color) {
    QPalette pal = this->palette();
    pal.setColor(QPalette::Text, color);
    this->setPalette(pal);
}

template <typename Edit>
void CTolEditAttributes<Edit>::setBold(bool on) {
    QFont f = this->font();
    f.setBold(on);
    this->setFont(f);
}

template <typename Edit>
void CTolEditAttributes<Edit>::setCaption(const QString& caption) {
    if (caption.isEmpty()) {
        delete m_band;
        m_band = nullptr;
    } else {
        if (!m_band)
            m_band = new CTolCaptionBand(this);
        m_band->setText(caption);
        m_band->show();
    }
    layoutParts();
}

template <typename Edit>
QString CTolEditAttributes<Edit>::caption() const {
    return m_band ? m_band->text() : QString();
}

template <typename Edit>
int CTolEditAttributes<Edit>::placeBand(int frameWidth) {
    if (!m_band)
        return 0;
    const int height = CTolCaptionBand::kHeight - frameWidth;
    m_band->setGeometry(frameWidth, frameWidth, this->width() - 2 * frameWidth, height);
    return height;
}

template class CTolEditAttributes<QLineEdit>;
template class CTolEditAttributes<QPlainTextEdit>;
