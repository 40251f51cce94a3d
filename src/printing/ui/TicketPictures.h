#pragma once

#include "toolkit/ui/TolPicture.h"

// The small button faces of the ticket designer, drawn here rather than shipped as files: the
// arrows that move a row (185 up, 186 down; white is transparent) and the buttons that append a
// datum to a row or take the last one off (188 and 187; magenta is transparent).
namespace TicketPictures {
CTolPicture Up();
CTolPicture Down();
CTolPicture Append();
CTolPicture Remove();
} // namespace TicketPictures
