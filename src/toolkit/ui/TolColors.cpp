#include "toolkit/ui/TolColors.h"

namespace TolColors {

QColor background() { return QColor(236, 233, 216); }
QColor labelText() { return QColor(0, 0, 128); }
QColor frameDark() { return QColor(64, 64, 64); }
QColor frameLight() { return QColor(255, 255, 255); }
QColor frameFace() { return QColor(212, 208, 200); }
QColor captionActive() { return QColor(0, 0, 128); }
QColor captionActiveEnd() { return QColor(16, 132, 208); }
QColor captionInactive() { return QColor(128, 128, 128); }
QColor captionInactiveEnd() { return QColor(192, 192, 192); }
QColor captionText() { return QColor(255, 255, 255); }
QColor captionShadow() { return QColor(128, 128, 128); }
QColor bandBack() { return QColor(64, 64, 64); }
QColor bandText() { return QColor(255, 255, 255); }
QColor listBack() { return QColor(255, 255, 255); }
QColor listText() { return QColor(0, 0, 0); }
QColor listHot() { return QColor(0, 0, 128); }
QColor listHotText() { return QColor(255, 255, 255); }

} // namespace TolColors
