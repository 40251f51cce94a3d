#pragma once

// Opens a help page (the introduction by default) in the desktop's browser: from share/quintaleva/help
// when installed, else from help/html beside the program or in the working folder. False when it
// cannot be found or opened.
bool ShowHelp(const char* page = "Introduccion.htm");
