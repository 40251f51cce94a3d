#pragma once

#include <string>
#include <vector>

// What every desktop program of ours sets up once its QApplication exists: our resources and
// icon, the settings' organisation and application names, the framework's own dialogs in Spanish,
// the money format of the user's locale and the heading of the message boxes.
void SetUpDesktopApplication();

// False, after telling the operator in Spanish on standard error, when there is no desktop session
// to open a window on; checked before QApplication exists, which would abort in English instead.
bool CheckDesktopSession(int argc, char** argv);
