#include "toolkit/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBufferBytes = 1 << 20;

} // namespace

CAtomicFile::CAtomicFile(std::string target) : m_target(std::move(target)) {}

CAtomicFile::~CAtomicFile() { discard(); }

std::string CAtomicFile::ReasonText(int error) {
    switch (error) {
    case ENOENT: return "la carpeta no existe";
    case EACCES:
    case EPERM: return "no tiene permiso para escribir ahí";
    case EISDIR: return "es una carpeta";
    case ENOTDIR: return "la ruta no es válida";
    case ENOSPC: return "el disco está lleno";
    case EROFS: return "el disco es de sólo lectura";
    case ENAMETOOLONG: return "el nombre es demasiado largo";
    case EIO: return "error de entrada/salida";
#ifdef EDQUOT
    case EDQUOT: return "se agotó el espacio permitido en el disco";
#endif
    default: break;
    }
    return std::strerror(error);
}

bool CAtomicFile::fail(int error) {
    m_error = "No se pudo escribir el archivo " + m_target + ": " + ReasonText(error);
    discard();
    return false;
}

void CAtomicFile::discard() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temp.empty()) {
        std::error_code ec;
        fs::remove(m_temp, ec);
        m_temp.clear();
    }
}

bool CAtomicFile::Open() {
    discard();
    m_error.clear();
    const fs::path target(m_target);
    if (!target.has_filename())
        return fail(EISDIR);
    std::error_code ec;
    if (fs::is_directory(target, ec))
        return fail(EISDIR);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Hidden, beside the target, so the rename stays on one file system.
        const fs::path temp = folder / ("." + target.filename().string() + ".tmp" + std::to_string(random() % 1000000u));
        errno = 0;
        // "x": never open a file that is already there (another writer's temporary).
        m_file = std::fopen(temp.string().c_str(), "wbx");
        if (m_file) {
            m_temp = temp.string();
            std::setvbuf(m_file, nullptr, _IOFBF, kBufferBytes);
            return true;
        }
        if (errno != EEXIST)
            return fail(errno != 0 ? errno : EIO);
    }
    return fail(EEXIST);
}

bool CAtomicFile::Write(std::string_view bytes) {
    if (!m_file)
        return false;
    errno = 0;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size())
        return fail(errno != 0 ? errno : EIO);
    return true;
}

bool CAtomicFile::WriteAt(long offset, std::string_view bytes) {
    if (!m_file)
        return false;
    errno = 0;
    if (std::fseek(m_file, offset, SEEK_SET) != 0 || std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size() ||
        std::fseek(m_file, 0, SEEK_END) != 0)
        return fail(errno != 0 ? errno : EIO);
    return true;
}

bool CAtomicFile::Commit() {
    if (!m_file)
        return false;
    errno = 0;
    const int closed = std::fclose(m_file);
    m_file = nullptr;
    if (closed != 0)
        return fail(errno != 0 ? errno : EIO);
    std::error_code ec;
    fs::rename(m_temp, m_target, ec);
    if (ec)
        return fail(ec.value());
    m_temp.clear();
    return true;
}
