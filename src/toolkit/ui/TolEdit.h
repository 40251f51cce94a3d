#pragma once

#include "toolkit/ui/TolEditAttributes.h"

#include <QLineEdit>

class CTolCharFilter;
class QToolButton;

// The toolkit's single-line edit. Besides the plain edit it offers the toolkit's attributes, each
// settable at any time: background and text colour, bold text, a caption drawn as a title band
// across the top (the text goes below it), a lookup button inside the right end that posts a
// command to the dialog the edit belongs to, and a set of accepted characters (the rest are
// dropped as they are typed). The tooltip is QWidget::setToolTip.
class CTolEdit final : public CTolEditAttributes<QLineEdit> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTolEdit)
public:
    explicit CTolEdit(QWidget* parent = nullptr);

    // Command id the lookup button posts to the owning CTolDialog; 0 removes the button.
    void setLookup(int commandId);
    int lookupCommand() const { return m_lookup; }
    // The lookup button, or null when there is none.
    QToolButton* lookupButton() const { return m_lookupButton; }

    // Only these characters can be typed (all when empty): the folio edit takes "0123456789".
    void setAcceptedChars(const QString& characters);
    QString acceptedChars() const;
    // Letters become capitals as they are typed (RFC, series).
    void setUpperCase(bool on);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutParts() override;
    void lookupClicked();

    QToolButton* m_lookupButton = nullptr;
    CTolCharFilter* m_filter;
    int m_lookup = 0;
    bool m_typing = false;  // inside an event of the operator's typing
};
