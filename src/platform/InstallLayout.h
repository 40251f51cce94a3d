#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Where the programs find their companions, always from their own folder so that the same code
// serves an installed package (programs in PREFIX/bin, the old-file reader in
// PREFIX/libexec/quintaleva, the help in PREFIX/share/quintaleva/help) and a build tree (all of it
// beside the programs, the help in help/html).
class InstallLayout final {
public:
    // The running program's folder; empty when /proc cannot say.
    static std::filesystem::path ProgramFolder();

    // `name` in ../libexec/quintaleva when that file exists there, else beside the program.
    static std::filesystem::path HelperProgram(const std::filesystem::path& programFolder, const std::string& name);

    // The folders that may hold the help pages, the installed one first.
    static std::vector<std::filesystem::path> HelpFolders(const std::filesystem::path& programFolder);
};
