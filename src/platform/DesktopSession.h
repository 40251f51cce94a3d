#pragma once

#include <string>
#include <vector>

// Whether the program can show its windows here. On Linux a window needs an X11 or Wayland
// session (DISPLAY or WAYLAND_DISPLAY), or a platform chosen on purpose (QT_QPA_PLATFORM, or
// "-platform" among the arguments, as the tests' "offscreen"). Without one, Qt would end with its
// own English message about a platform plugin; we say in Spanish what is missing instead.
class DesktopSession final {
public:
    // Reads the environment of this process.
    static bool Available(const std::vector<std::string>& args);
    static bool Available(const char* display, const char* waylandDisplay, const char* qpaPlatform,
                          const std::vector<std::string>& args);

    // What the operator reads when there is no session: what the program needs and how to try it
    // without a screen.
    static std::string MissingMessage();
};
