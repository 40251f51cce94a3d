#include "toolkit/ui/TolEdit.h"

#include "toolkit/ui/TolCaptionBand.h"
#include "toolkit/ui/TolCharFilter.h"
#include "toolkit/ui/TolDialog.h"

#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int kLookupWidth = 18;

int frameWidth(const QLineEdit* edit) {
    if (!edit->hasFrame())
        return 0;
    QStyleOptionFrame option;
    option.initFrom(edit);
    return edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
}

} // namespace

CTolEdit::CTolEdit(QWidget* parent) : QLineEdit(parent), m_filter(new CTolCharFilter(this)) {
    setValidator(m_filter);
}

void CTolEdit::setBackColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color);
    setPalette(pal);
}

void CTolEdit::setTextColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::Text, color);
    setPalette(pal);
}

void CTolEdit::setBold(bool on) {
    QFont f = font();
    f.setBold(on);
    setFont(f);
}

void CTolEdit::setCaption(const QString& caption) {
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

QString CTolEdit::caption() const { return m_band ? m_band->text() : QString(); }

void CTolEdit::setLookup(int commandId) {
    m_lookup = commandId;
    if (commandId == 0) {
        delete m_lookupButton;
        m_lookupButton = nullptr;
    } else if (!m_lookupButton) {
        m_lookupButton = new QToolButton(this);
        m_lookupButton->setText(QStringLiteral("..."));
        m_lookupButton->setFocusPolicy(Qt::NoFocus);
        m_lookupButton->setCursor(Qt::ArrowCursor);
        connect(m_lookupButton, &QToolButton::clicked, this, &CTolEdit::lookupClicked);
        m_lookupButton->show();
    }
    layoutParts();
}

void CTolEdit::lookupClicked() {
    if (auto* owner = qobject_cast<CTolDialog*>(window()))
        owner->postCommand(m_lookup);
}

void CTolEdit::setAcceptedChars(const QString& characters) {
    m_filter->setAccepted(characters);
    // What is already there obeys the new set too.
    int cursor = cursorPosition();
    const QString kept = m_filter->filtered(text(), &cursor);
    if (kept != text()) {
        setText(kept);
        setCursorPosition(cursor);
    }
}

QString CTolEdit::acceptedChars() const { return m_filter->accepted(); }

void CTolEdit::setUpperCase(bool on) {
    m_filter->setUpperCase(on);
    if (on && text() != m_filter->filtered(text()))
        setText(m_filter->filtered(text()));
}

void CTolEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    layoutParts();
}

void CTolEdit::layoutParts() {
    const int fw = frameWidth(this);
    // The band covers the edit's top inside its frame; the text and the lookup button sit below.
    const int bandBottom = m_band ? CTolCaptionBand::kHeight : fw;
    if (m_band)
        m_band->setGeometry(fw, fw, width() - 2 * fw, CTolCaptionBand::kHeight - fw);
    if (m_lookupButton)
        m_lookupButton->setGeometry(width() - fw - kLookupWidth, bandBottom, kLookupWidth,
                                    std::max(0, height() - fw - bandBottom));
    setTextMargins(0, m_band ? CTolCaptionBand::kHeight - fw : 0, m_lookupButton ? kLookupWidth : 0, 0);
}
