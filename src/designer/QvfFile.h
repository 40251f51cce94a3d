#pragma once

#include "printing/WindowsFormat.h"

#include <string>
#include <vector>

// A format carried between shops: a `.qvf` file holds exactly the bytes of its `Detalle` stream.
namespace QvfFile {

inline constexpr const char* kExtension = ".qvf";

struct ReadResult {
    bool ok = false;
    std::string message; // why the file was refused
    std::vector<unsigned char> bytes;
    CWindowsFormat format;
};

// Refuses a file that cannot be read, is not a complete format stream, or carries anything after
// one.
ReadResult Read(const std::string& path);
// Writes `bytes` under a temporary name beside `path` and renames it, so that a failed export
// leaves no half file. False with the reason in *error.
bool Write(const std::string& path, const std::vector<unsigned char>& bytes, std::string* error);

} // namespace QvfFile
