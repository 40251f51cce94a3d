#include "platform/InstallLayout.h"

namespace fs = std::filesystem;

fs::path InstallLayout::ProgramFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path();
}

fs::path InstallLayout::HelperProgram(const fs::path& programFolder, const std::string& name) {
    const fs::path installed = programFolder.parent_path() / "libexec" / "quintaleva" / name;
    std::error_code ec;
    return fs::is_regular_file(installed, ec) ? installed : programFolder / name;
}

std::vector<fs::path> InstallLayout::HelpFolders(const fs::path& programFolder) {
    return {programFolder.parent_path() / "share" / "quintaleva" / "help", programFolder / "help" / "html"};
}
