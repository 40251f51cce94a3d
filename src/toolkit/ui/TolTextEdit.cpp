#include "toolkit/ui/TolTextEdit.h"

#include "toolkit/ui/TolCaptionBand.h"

CTolTextEdit::CTolTextEdit(QWidget* parent) : QPlainTextEdit(parent) { setTabChangesFocus(true); }

void CTolTextEdit::setBackColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color);
    setPalette(pal);
}

void CTolTextEdit::setTextColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Text, color);
    setPalette(pal);
}

void CTolTextEdit::setBold(bool on) {
    QFont f = font();
    f.setBold(on);
    setFont(f);
}

void CTolTextEdit::setCaption(const QString& caption) {
    if (caption.isEmpty()) {
        delete m_band;
        m_band = nullptr;
    } else {
        if (!m_band)
            m_band = new CTolCaptionBand(this);
        m_band->setText(caption);
        m_band->show();
    }
    layoutBand();
}

QString CTolTextEdit::caption() const { return m_band ? m_band->text() : QString(); }

void CTolTextEdit::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    layoutBand();
}

void CTolTextEdit::layoutBand() {
    const int fw = frameWidth();
    const int band = m_band ? CTolCaptionBand::kHeight - fw : 0;
    setViewportMargins(0, band, 0, 0);
    if (m_band)
        m_band->setGeometry(fw, fw, width() - 2 * fw, band);
}
