#pragma once

#include <functional>
#include <optional>
#include <string>

// Whether a database file lives on a network filesystem, where SQLite's file locks are not
// reliable and several computers writing one file can damage it.
namespace NetworkFilesystem {

// What the system says about the filesystem holding a path: statfs's f_type and, for FUSE, the
// mount's type from the mount table ("fuse.sshfs", "fuseblk").
struct Info {
    long type = 0;
    std::string mountType;
};

// Asks the system; nothing when it cannot tell. Tests pass their own instead.
using Probe = std::function<std::optional<Info>(const std::string& path)>;
std::optional<Info> systemProbe(const std::string& path);

// The name of the network filesystem holding `path` ("NFS", "CIFS/SMB", "SSHFS/FUSE", ...), or
// empty for a local disk and when it cannot be told.
std::string name(const std::string& path, const Probe& probe = systemProbe);

// The operator's warning for a database file on such a filesystem.
std::string warning(const std::string& path, const std::string& filesystem);

} // namespace NetworkFilesystem
