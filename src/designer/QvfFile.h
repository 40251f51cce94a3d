#pragma once

#include "designer/FormatBackground.h"
#include "designer/SheetSize.h"
#include "printing/WindowsFormat.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A format carried between shops. A `.qvf` file holds the whole format: its `Detalle` stream
// exactly as stored, `Caben`, `Repetir`, the remarks, the paper and the background picture with
// its placement. It starts with a signature and a version, then tagged sections, so that a later
// version can add a section that this one passes over.
//
// Files written before held only the bytes of the stream; they are still read, and take their
// lines per sheet from the detail area, no repetition, no remarks, letter paper and no picture.
class CDesignFormat;

namespace QvfFile {

inline constexpr const char* kExtension = ".qvf";
inline constexpr std::uint32_t kVersion = 1;

// Everything of a format that travels, but its name (a file is named by the shop that imports it).
struct Contents {
    std::vector<unsigned char> stream; // the `Detalle` bytes
    std::int32_t caben = 1;
    std::int32_t repetir = 0;
    std::string observaciones;
    std::optional<SheetSize> sheet; // none: letter, as for every format without a paper
    std::shared_ptr<const FormatBackground> background;
};

struct ReadResult {
    bool ok = false;
    std::string message; // why the file was refused
    bool whole = false;  // false: a file of the stream alone, from an earlier version
    Contents contents;
    CWindowsFormat format; // the stream read, with Caben and Repetir
};

// What travels of `format`, whose `Detalle` bytes are `stream`.
Contents ContentsOf(const CDesignFormat& format, std::vector<unsigned char> stream);
// The bytes of a file holding `contents`.
std::vector<unsigned char> Encode(const Contents& contents);
// Refuses bytes that are neither a whole format nor exactly one stream.
ReadResult Decode(const std::vector<unsigned char>& bytes, const std::string& path);
// Refuses a file that cannot be read or that Decode refuses.
ReadResult Read(const std::string& path);
// Writes `bytes` under a temporary name beside `path` and renames it, so that a failed export
// leaves no half file. False with the reason in *error.
bool Write(const std::string& path, const std::vector<unsigned char>& bytes, std::string* error);

} // namespace QvfFile
