#pragma once

// Opens a help page (help/html/PAGE, found beside the program or in the working folder; the
// introduction by default) in the desktop's browser. False when it cannot be found or opened.
bool ShowHelp(const char* page = "Introduccion.htm");
