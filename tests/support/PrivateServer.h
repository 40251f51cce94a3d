#pragma once

#include "support/ScratchDir.h"
#include "support/ShellQuote.h"
#include "support/Unprivileged.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <netinet/in.h>

// A PostgreSQL server of the test's own, for what may not be done to the shared test cluster:
// stopping and starting it, and asking some users for a password (pg_hba.conf). Its socket lives
// in its own folder; it listens on no network address. Runs as "nobody" when the test is root.
class PrivateServer final {
public:
    // `passwordUsers`: the roles that must log in with a password (scram); every other role is trusted.
    explicit PrivateServer(const std::vector<std::string>& passwordUsers = {})
        : m_dir(std::filesystem::temp_directory_path()) {
        Unprivileged::give(m_dir.path());
        m_port = freePort();
        const std::string data = m_dir.file("data");
        asOwner("initdb -D " + quote(data) + " -U qvadmin -A trust -E UTF8 --locale=C.UTF-8 >" +
                quote(m_dir.file("initdb.log")) + " 2>&1");
        std::string hba;
        for (const std::string& user : passwordUsers)
            hba += "local all " + user + " scram-sha-256\n";
        hba += "local all all trust\n";
        std::ofstream(data + "/pg_hba.conf", std::ios::trunc) << hba;
        start();
    }
    ~PrivateServer() {
        std::system(("cd / && " + as() + bin("pg_ctl") + " -D " + quote(m_dir.file("data")) +
                     " -m immediate stop >/dev/null 2>&1").c_str());
    }
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    static bool available() { return std::filesystem::exists(bin("initdb")); }

    // The URI of `database` for `user` (the administrator when empty).
    std::string uri(const std::string& database = "postgres", const std::string& user = "qvadmin") const {
        return "postgresql:///" + database + "?host=" + m_dir.path().string() + "&port=" + std::to_string(m_port) +
               "&user=" + user;
    }

    // Fast shutdown: the server ends every session, as when it is stopped for maintenance.
    void stop() { asOwner("pg_ctl -D " + quote(m_dir.file("data")) + " -m fast -w stop >/dev/null 2>&1"); }
    void start() {
        asOwner("pg_ctl -D " + quote(m_dir.file("data")) + " -l " + quote(m_dir.file("server.log")) +
                " -w -o " + quote("-k " + m_dir.path().string() + " -p " + std::to_string(m_port) +
                                       " -c listen_addresses='' -c fsync=off") + " start >/dev/null");
    }

private:
    static std::string bin(const std::string& name) { return "/usr/lib/postgresql/15/bin/" + name; }

    static int freePort() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
        ::close(s);
        return ntohs(a.sin_port);
    }

    std::string as() const {
        uid_t uid;
        gid_t gid;
        if (::geteuid() != 0 || !Unprivileged::target(uid, gid, nullptr))
            return {};
        return "setpriv --reuid=" + std::to_string(uid) + " --regid=" + std::to_string(gid) + " --clear-groups ";
    }

    void asOwner(const std::string& command) const {
        if (std::system(("cd / && " + as() + bin("") + command).c_str()) != 0)
            throw std::runtime_error("test server: " + command);
    }

    ScratchDir m_dir;
    int m_port = 0;
};
