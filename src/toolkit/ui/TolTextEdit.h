#pragma once

#include "toolkit/ui/TolEditAttributes.h"

#include <QPlainTextEdit>

// The toolkit's multi-line edit (the notes): background and text colour, bold text and a caption
// drawn as a title band across its top. It keeps Enter for new lines; Tab leaves it.
class CTolTextEdit final : public CTolEditAttributes<QPlainTextEdit> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTolTextEdit)
public:
    explicit CTolTextEdit(QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutParts() override;
};
