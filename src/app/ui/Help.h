#pragma once

// Opens the help's introduction page (help/html/Introduccion.htm, found beside the program or in
// the working folder) in the desktop's browser. False when it cannot be found or opened.
bool ShowHelp();
