#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <utility>

// The sample version 1.3 file with four bytes changed so that libmdb 1.0 never returns from
// mdb_read_catalog: the catalog row "AccessLayout" (page 14) is marked a table, so its inline
// property block is parsed, and that block's first chunk is given length 0, on which
// mdb_kkd_to_props steps forever. Writes it to `path` and returns `path`.
inline std::string WriteLoopingOldFile(const std::string& fixture, const std::string& path) {
    std::ifstream in(fixture, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    constexpr std::size_t kRow = 14 * 4096 + 0xADF;     // the catalog row
    constexpr std::size_t kChunk = 14 * 4096 + 0xB25 + 4; // length of the first property chunk
    for (const auto& [at, value] : {std::pair{kRow + 10, 0x01}, std::pair{kRow + 11, 0x00},
                                    std::pair{kChunk, 0x00}, std::pair{kChunk + 1, 0x00}})
        if (at < bytes.size())
            bytes[at] = static_cast<char>(value);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}
