#include "platform/ui/Resources.h"

#include <QtCore/qglobal.h>

void InitQuintalevaResources() { Q_INIT_RESOURCE(quintaleva); }
