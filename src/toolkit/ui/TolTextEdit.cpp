#include "toolkit/ui/TolTextEdit.h"

CTolTextEdit::CTolTextEdit(QWidget* parent) : CTolEditAttributes(parent) { setTabChangesFocus(true); }

void CTolTextEdit::resizeEvent(QResizeEvent* event) {
    CTolEditAttributes::resizeEvent(event);
    layoutParts();
}

void CTolTextEdit::layoutParts() { setViewportMargins(0, placeBand(frameWidth()), 0, 0); }
