// Started where there is no desktop session, the program says so in Spanish and how to try it,
// instead of Qt's English message about the platform plugin.
#include "platform/DesktopSession.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

TEST(DesktopSession, AnyWayToShowWindowsWillDo) {
    EXPECT_FALSE(DesktopSession::Available(nullptr, nullptr, nullptr, {}));
    EXPECT_FALSE(DesktopSession::Available("", "", "", {"archivo.mdb"}));
    EXPECT_TRUE(DesktopSession::Available(":0", nullptr, nullptr, {}));
    EXPECT_TRUE(DesktopSession::Available(nullptr, "wayland-0", nullptr, {}));
    EXPECT_TRUE(DesktopSession::Available(nullptr, nullptr, "offscreen", {}));
    EXPECT_TRUE(DesktopSession::Available(nullptr, nullptr, nullptr, {"-platform", "offscreen"}));
}

TEST(DesktopSession, TheProgramWithoutASessionExplainsInSpanish) {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "quintaleva";
    if (ec || !fs::exists(program))
        GTEST_SKIP() << "the program is not built beside the tests (a build of the core only)";
    ScratchDir dir;
    const std::string err = dir.file("errores.txt");
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME='" + dir.path().string() +
                                "' '" + program.string() + "' </dev/null >/dev/null 2>'" + err + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "the program ended by a signal (Qt's abort)";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string text = ScratchDir::readAll(err);
    EXPECT_NE(text.find("necesita una sesión de escritorio"), std::string::npos) << text;
    EXPECT_NE(text.find("xvfb-run"), std::string::npos) << text;
    EXPECT_EQ(text.find("qt.qpa"), std::string::npos) << text;
}

} // namespace
