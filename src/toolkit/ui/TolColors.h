#pragma once

#include <QColor>

// The toolkit's colours, shared by the dialog frame and the restyled controls so that every window
// of the program wears the same face.
namespace TolColors {

QColor background();       // dialog faces and the client area
QColor labelText();        // restyled labels
QColor frameDark();        // outer line of the dialog border
QColor frameLight();       // inner highlight of the border
QColor frameFace();        // border and caption-button faces
QColor captionActive();    // caption strip, left end, window active
QColor captionActiveEnd(); // caption strip, right end, window active
QColor captionInactive();
QColor captionInactiveEnd();
QColor captionText();      // the title
QColor captionShadow();    // the title's shadow (grey text)
QColor bandBack();         // caption band of captioned edits
QColor bandText();
QColor listBack();         // popup lists
QColor listText();
QColor listHot();          // the item under the mouse
QColor listHotText();

} // namespace TolColors
