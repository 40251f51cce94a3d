#include "platform/ProgramVersion.h"

#include <cstdio>

// QUINTALEVA_VERSION: CMake's project() VERSION, given to this file alone.
const char* ProgramVersion::Number() { return QUINTALEVA_VERSION; }

bool ProgramVersion::AnswerVersion(const std::vector<std::string>& args, const char* program) {
    if (args.size() != 1 || args.front() != "--version")
        return false;
    std::printf("%s %s\n", program, Number());
    return true;
}
