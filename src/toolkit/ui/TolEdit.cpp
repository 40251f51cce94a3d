#include "toolkit/ui/TolEdit.h"

#include "toolkit/ui/TolCharFilter.h"
#include "toolkit/ui/TolDialog.h"

#include <QScopedValueRollback>
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

CTolEdit::CTolEdit(QWidget* parent) : CTolEditAttributes(parent), m_filter(new CTolCharFilter(this)) {
    setValidator(m_filter);
    // A text put in by the program shows from its start, as a form opens: QLineEdit leaves the
    // cursor after the last character and scrolls a long address to its end. What the operator
    // types or drops keeps the cursor where it is.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_typing && !hasFocus())
            setCursorPosition(0);
    });
}

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

void CTolEdit::keyPressEvent(QKeyEvent* event) {
    const QScopedValueRollback<bool> typing(m_typing, true);
    CTolEditAttributes::keyPressEvent(event);
}

void CTolEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QScopedValueRollback<bool> typing(m_typing, true);
    CTolEditAttributes::inputMethodEvent(event);
}

void CTolEdit::dropEvent(QDropEvent* event) {
    const QScopedValueRollback<bool> typing(m_typing, true);
    CTolEditAttributes::dropEvent(event);
}

void CTolEdit::resizeEvent(QResizeEvent* event) {
    CTolEditAttributes::resizeEvent(event);
    layoutParts();
}

void CTolEdit::layoutParts() {
    const int fw = frameWidth(this);
    // The band covers the edit's top inside its frame; the text and the lookup button sit below.
    const int band = placeBand(fw);
    const int bandBottom = fw + band;
    if (m_lookupButton)
        m_lookupButton->setGeometry(width() - fw - kLookupWidth, bandBottom, kLookupWidth,
                                    std::max(0, height() - fw - bandBottom));
    setTextMargins(0, band, m_lookupButton ? kLookupWidth : 0, 0);
}
