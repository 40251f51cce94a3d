#include "db/NetworkFilesystem.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef __linux__
#include <sys/vfs.h>
#endif

namespace {

// statfs f_type values (linux/magic.h and the filesystems' own sources).
constexpr long kNfs = 0x6969;
constexpr long kSmb = 0x517B;
constexpr long kCifs = 0xFF534D42;
constexpr long kSmb2 = 0xFE534D42;
constexpr long kFuse = 0x65735546;
constexpr long kNinePee = 0x01021997;
constexpr long kCeph = 0x00C36400;
constexpr long kAfs = 0x5346414F;
constexpr long kCoda = 0x73757245;

// The mount table escapes blanks and a few other characters as octal.
std::string unescapeMount(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

// The type of the longest mount point that holds `path`, from /proc/self/mountinfo.
std::string mountTypeOf(const std::string& path) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line, best, bestType;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, dev, root, point;
        fields >> id >> parent >> dev >> root >> point;
        std::string field;
        while (fields >> field && field != "-") {
        }
        std::string type;
        fields >> type;
        point = unescapeMount(point);
        const bool holds = path == point || point == "/" ||
                           (path.size() > point.size() && path.compare(0, point.size(), point) == 0 &&
                            path[point.size()] == '/');
        if (holds && point.size() >= best.size()) {
            best = point;
            bestType = type;
        }
    }
    return bestType;
}

} // namespace

namespace NetworkFilesystem {

std::optional<Info> systemProbe(const std::string& path) {
#ifdef __linux__
    struct statfs st {};
    if (::statfs(path.c_str(), &st) != 0)
        return std::nullopt;
    Info info;
    info.type = static_cast<long>(static_cast<unsigned long>(st.f_type) & 0xFFFFFFFFul);
    if (info.type == kFuse) {
        std::error_code ec;
        const std::filesystem::path full = std::filesystem::weakly_canonical(path, ec);
        info.mountType = mountTypeOf(ec ? path : full.string());
    }
    return info;
#else
    (void)path;
    return std::nullopt;
#endif
}

std::string name(const std::string& path, const Probe& probe) {
    const std::optional<Info> info = probe ? probe(path) : std::nullopt;
    if (!info)
        return {};
    switch (info->type) {
    case kNfs: return "NFS";
    case kSmb:
    case kCifs:
    case kSmb2: return "CIFS/SMB";
    case kNinePee: return "9P";
    case kCeph: return "Ceph";
    case kAfs: return "AFS";
    case kCoda: return "Coda";
    case kFuse:
        // A disk read through FUSE (NTFS on a USB drive) is local; sshfs, a desktop's mounted
        // network shares (gvfsd-fuse) and the rest may be anywhere.
        if (info->mountType == "fuseblk")
            return {};
        if (info->mountType == "fuse.sshfs")
            return "SSHFS/FUSE";
        return "FUSE";
    default: return {};
    }
}

std::string warning(const std::string& path, const std::string& filesystem) {
    return "La base de datos " + path + " está en una carpeta de la red (" + filesystem +
           ").\n\n"
           "Los bloqueos de archivos por la red no son confiables: si dos computadoras la usan a la vez, o si "
           "la red falla mientras se guarda, el archivo puede dañarse y perderse documentos.\n\n"
           "Para trabajar desde varias computadoras con los mismos datos, instale un servidor PostgreSQL y "
           "elija \"Servidor compartido\" al escoger la base de datos. Si sólo esta computadora la usa, "
           "copie el archivo a una carpeta de este equipo.";
}

} // namespace NetworkFilesystem
