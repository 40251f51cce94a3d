#include "platform/DesktopSession.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool set(const char* value) { return value && *value; }

} // namespace

bool DesktopSession::Available(const std::vector<std::string>& args) {
    return Available(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"), std::getenv("QT_QPA_PLATFORM"), args);
}

bool DesktopSession::Available(const char* display, const char* waylandDisplay, const char* qpaPlatform,
                               const std::vector<std::string>& args) {
#if defined(__linux__) || defined(__FreeBSD__) || defined(__OpenBSD__) || defined(__NetBSD__)
    if (set(display) || set(waylandDisplay) || set(qpaPlatform))
        return true;
    return std::find_if(args.begin(), args.end(), [](const std::string& a) {
               return a == "-platform" || a == "--platform" || a.rfind("-platform=", 0) == 0;
           }) != args.end();
#else
    // Windows and macOS always have their own window system.
    (void)display;
    (void)waylandDisplay;
    (void)qpaPlatform;
    (void)args;
    return true;
#endif
}

std::string DesktopSession::MissingMessage() {
    return "Quintaleva 2 necesita una sesión de escritorio (X11 o Wayland) para mostrar sus ventanas, y "
           "aquí no hay ninguna: no están definidas DISPLAY ni WAYLAND_DISPLAY.\n"
           "Ábralo desde el escritorio, o desde una terminal de la sesión gráfica.\n"
           "Para probarlo en una máquina sin pantalla, use una pantalla virtual:\n"
           "  xvfb-run -a ./run.sh\n";
}
