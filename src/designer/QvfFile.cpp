#include "designer/QvfFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace QvfFile {

namespace {
// Far beyond any layout (a 200-element format is some 30 KB); a larger file is not one.
constexpr std::uintmax_t kMaxBytes = 16u << 20;
} // namespace

ReadResult Read(const std::string& path) {
    ReadResult r;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        r.message = "No se pudo leer el archivo " + path + ".";
        return r;
    }
    if (size > kMaxBytes) {
        r.message = "El archivo " + path + " no contiene un formato de impresión.";
        return r;
    }
    std::ifstream in(path, std::ios::binary);
    r.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        r.message = "No se pudo leer el archivo " + path + ".";
        return r;
    }
    std::size_t used = 0;
    if (!r.format.ReadStream(r.bytes.data(), r.bytes.size(), &used) || used != r.bytes.size()) {
        r.message = "El archivo " + path + " no contiene un formato de impresión.";
        r.format = {};
        return r;
    }
    r.ok = true;
    return r;
}

bool Write(const std::string& path, const std::vector<unsigned char>& bytes, std::string* error) {
    const std::string temporary = path + ".tmp";
    auto fail = [&](const std::string& why) {
        std::remove(temporary.c_str());
        if (error)
            *error = "No se pudo escribir el archivo " + path + ": " + why;
        return false;
    };
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return fail(std::strerror(errno));
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out)
            return fail(std::strerror(errno));
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec)
        return fail(ec.message());
    return true;
}

} // namespace QvfFile
