// The programs find the old-file reader and the help from their own folder, both as the package
// installs them (PREFIX/bin, PREFIX/libexec/quintaleva, PREFIX/share/quintaleva/help) and as a
// build tree leaves them (everything beside the programs).
#include "platform/InstallLayout.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const char* const kReader = "quintaleva-lector13";

// The first of the help folders that holds `page`, as the program looks for it; empty if none.
fs::path helpPage(const fs::path& programFolder, const std::string& page) {
    for (const fs::path& folder : InstallLayout::HelpFolders(programFolder))
        if (fs::exists(folder / page))
            return folder / page;
    return {};
}

TEST(InstallLayout, TheReaderIsTakenFromLibexecWhenInstalledAndFromBesideTheProgramInABuildTree) {
    ScratchDir dir;
    const fs::path bin = dir.path() / "usr" / "bin";
    fs::create_directories(bin);
    ScratchDir::writeAll((bin / kReader).string(), "");
    EXPECT_EQ(InstallLayout::HelperProgram(bin, kReader), bin / kReader);

    const fs::path libexec = dir.path() / "usr" / "libexec" / "quintaleva";
    fs::create_directories(libexec);
    // A folder of that name is no program.
    fs::create_directory(libexec / kReader);
    EXPECT_EQ(InstallLayout::HelperProgram(bin, kReader), bin / kReader);
    fs::remove(libexec / kReader);
    ScratchDir::writeAll((libexec / kReader).string(), "");
    EXPECT_TRUE(fs::equivalent(InstallLayout::HelperProgram(bin, kReader), libexec / kReader));
    // Another program's name is looked for on its own.
    EXPECT_EQ(InstallLayout::HelperProgram(bin, "otro"), bin / "otro");
}

TEST(InstallLayout, TheInstalledHelpComesBeforeABuildTreesAndEitherIsFoundAlone) {
    ScratchDir dir;
    const fs::path bin = dir.path() / "usr" / "bin";
    const fs::path built = bin / "help" / "html", installed = dir.path() / "usr" / "share" / "quintaleva" / "help";
    fs::create_directories(built);
    EXPECT_TRUE(helpPage(bin, "Introduccion.htm").empty());

    ScratchDir::writeAll((built / "Introduccion.htm").string(), "<p>");
    EXPECT_TRUE(fs::equivalent(helpPage(bin, "Introduccion.htm"), built / "Introduccion.htm"));

    fs::create_directories(installed);
    ScratchDir::writeAll((installed / "Introduccion.htm").string(), "<p>");
    EXPECT_TRUE(fs::equivalent(helpPage(bin, "Introduccion.htm"), installed / "Introduccion.htm"));
}

TEST(InstallLayout, TheProgramFolderHoldsTheRunningProgram) {
    const fs::path folder = InstallLayout::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(fs::exists(folder / "test_platform"));
}

} // namespace
