#pragma once

#include <string>
#include <vector>

// The version of every program of ours, the project's (CMake's project() VERSION).
class ProgramVersion final {
public:
    static const char* Number();

    // Writes "PROGRAM VERSION" on standard output and returns true when `args` (without the
    // program's own name) is just --version; the programs then end.
    static bool AnswerVersion(const std::vector<std::string>& args, const char* program);
};
