#pragma once

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

// Runs code as an ordinary user would. Root writes any file whatever its mode, and CI runs as
// root, so there the code runs in a child process that has dropped to "nobody"; as any other
// user it runs in a child as that user. The child's exit status, or -1 with the reason in *why
// when privileges cannot be dropped.
class Unprivileged final {
public:
    // The uid and gid the child runs as (the caller's own unless it is root).
    static bool target(uid_t& uid, gid_t& gid, std::string* why) {
        if (::geteuid() != 0) {
            uid = ::geteuid();
            gid = ::getegid();
            return true;
        }
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) {
            if (why)
                *why = "running as root and there is no user \"nobody\" to drop to";
            return false;
        }
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
        return true;
    }

    // Gives `path` to the target user, so the child may reach or write it as the test needs.
    static void give(const std::filesystem::path& path) {
        uid_t uid;
        gid_t gid;
        if (::geteuid() == 0 && target(uid, gid, nullptr)) {
            [[maybe_unused]] const int ignored = ::chown(path.c_str(), uid, gid);
        }
    }

    static int run(const std::function<int()>& body, std::string* why) {
        uid_t uid;
        gid_t gid;
        if (!target(uid, gid, why))
            return -1;
        const pid_t pid = ::fork();
        if (pid < 0) {
            if (why)
                *why = "fork failed";
            return -1;
        }
        if (pid == 0) {
            if (::geteuid() == 0) {
                if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0)
                    ::_exit(125);
            }
            int status = 126;
            try {
                status = body();
            } catch (...) {
                status = 124;
            }
            ::_exit(status);
        }
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
            if (why)
                *why = "the child process did not end normally";
            return -1;
        }
        if (WEXITSTATUS(status) == 125) {
            if (why)
                *why = "the child could not drop its privileges";
            return -1;
        }
        return WEXITSTATUS(status);
    }
};
