// quintaleva-cli against a server that asks for a password (a cluster of the test's own, password
// authentication on its socket): asked on a terminal without echo, once more after a wrong one;
// without a terminal, the message that names ~/.pgpass and PGPASSWORD; PGPASSWORD itself.
#include "support/ScratchDir.h"
#include "support/ShellQuote.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <csignal>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <glob.h>

namespace fs = std::filesystem;

namespace {

const std::string kPassword = "Cl4ve de prueba";

std::string serverBin() {
    glob_t found{};
    std::string bin;
    if (::glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &found) == 0 && found.gl_pathc > 0)
        bin = fs::path(found.gl_pathv[found.gl_pathc - 1]).parent_path().string();
    ::globfree(&found);
    return bin;
}

class CliPassword : public ::testing::Test {
protected:
    void SetUp() override {
        // The cluster does not depend on the backend under test: it runs once, with the files.
        if (std::getenv("QUINTALEVA_TEST_PG"))
            GTEST_SKIP() << "runs in the pass without a test server";
        program = (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "quintaleva-cli").string();
        if (!fs::exists(program))
            GTEST_SKIP() << "quintaleva-cli is not built";
        const std::string bin = serverBin();
        if (bin.empty())
            GTEST_SKIP() << "PostgreSQL's server programs are not installed";
        char pattern[] = "/tmp/qv-pgpw-XXXXXX";
        ASSERT_TRUE(::mkdtemp(pattern));
        cluster = pattern;
        ScratchDir::writeAll(cluster + "/pw", kPassword + "\n");
        const bool root = ::geteuid() == 0;
        const std::string as = root ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
        port = 20000 + ::getpid() % 20000;
        const std::string script =
            (root ? "chown -R nobody:nogroup " + quote(cluster) + " && " : std::string()) + "chmod 700 " + quote(cluster) +
            " && " + as + quote(bin + "/initdb") + " -D " + quote(cluster + "/data") +
            " -U qv --pwfile=" + quote(cluster + "/pw") +
            " -A scram-sha-256 -E UTF8 --locale=C.UTF-8 -N >" + quote(cluster + "/initdb.log") + " 2>&1 && " + as +
            quote(bin + "/pg_ctl") + " -D " + quote(cluster + "/data") + " -l " + quote(cluster + "/server.log") +
            " -w -o " + quote("-k " + cluster + " -p " + std::to_string(port) + " -c listen_addresses='' -c fsync=off") +
            " start >/dev/null";
        stop = as + quote(bin + "/pg_ctl") + " -D " + quote(cluster + "/data") + " -m immediate stop >/dev/null 2>&1";
        ASSERT_EQ(std::system(("bash -c " + quote(script)).c_str()), 0)
            << ScratchDir::readAll(cluster + "/initdb.log") << ScratchDir::readAll(cluster + "/server.log");
        started = true;
        // The shop's (empty) database, made by the technician with the password.
        const std::string admin = "postgresql:///postgres?host=" + cluster + "&port=" + std::to_string(port) +
                                  "&user=qv&password=" + kPassword;
        PGconn* conn = PQconnectdb(admin.c_str());
        ASSERT_EQ(PQstatus(conn), CONNECTION_OK) << PQerrorMessage(conn);
        PQclear(PQexec(conn, "CREATE DATABASE tienda"));
        PQfinish(conn);
        location = "postgresql:///tienda?host=" + cluster + "&port=" + std::to_string(port) + "&user=qv";
    }
    void TearDown() override {
        if (started)
            [[maybe_unused]] const int ignored = std::system(stop.c_str());
        if (!cluster.empty())
            fs::remove_all(cluster);
    }

    // The command without a terminal (stdin from /dev/null), with a home of its own (no
    // ~/.pgpass) and no PGPASSWORD unless `env` gives one.
    int run(const std::vector<std::string>& args, std::string& out, const std::string& env = "") {
        std::string command = "env -u PGPASSWORD -u PGPASSFILE HOME=" + quote(home.path().string()) + " " + env + " " +
                              quote(program);
        for (const std::string& a : args)
            command += " " + quote(a);
        command += " </dev/null >" + quote(home.file("out")) + " 2>&1";
        const int status = std::system(command.c_str());
        out = ScratchDir::readAll(home.file("out"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string program, cluster, stop, location;
    int port = 0;
    bool started = false;
    ScratchDir home;
};

// Reads the master side until `text` shows after `from`, the child closes its side, or a minute
// passes (a loaded machine can be slow to start the child and reach the server).
std::string readUntil(int master, const std::string& text, std::string& all, std::size_t from = 0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (all.find(text, from) == std::string::npos && std::chrono::steady_clock::now() < end) {
        pollfd pfd{master, POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0)
            continue;
        char buffer[512];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        all.append(buffer, static_cast<std::size_t>(n));
    }
    return all;
}

TEST_F(CliPassword, WithoutATerminalTheMessageNamesPgpassAndPgpassword) {
    std::string out;
    EXPECT_EQ(run({"crear", location}, out), 1);
    EXPECT_EQ(out.rfind("Error: ", 0), 0u) << out;
    EXPECT_NE(out.find("~/.pgpass"), std::string::npos) << out;
    EXPECT_NE(out.find("PGPASSWORD"), std::string::npos) << out;
    EXPECT_EQ(out.find("Contraseña de"), std::string::npos) << out;

    EXPECT_EQ(run({"crear", location}, out, "PGPASSWORD=" + quote(kPassword)), 0) << out;
    EXPECT_EQ(run({"info", location}, out, "PGPASSWORD=" + quote(kPassword)), 0) << out;
    EXPECT_NE(out.find("Versión: 200"), std::string::npos) << out;
}

TEST_F(CliPassword, CopiarToTheServerAsksForItsPasswordAsTheOtherCommandsDo) {
    std::string out;
    const std::string file = home.file("mitienda.mdb");
    ASSERT_EQ(run({"crear", file}, out), 0) << out;
    // The technician's command from the README, before any ~/.pgpass exists.
    EXPECT_EQ(run({"copiar", file, location}, out), 1);
    EXPECT_NE(out.find("~/.pgpass"), std::string::npos) << out;
    EXPECT_NE(out.find("PGPASSWORD"), std::string::npos) << out;
    EXPECT_EQ(run({"copiar", file, location}, out, "PGPASSWORD=" + quote(kPassword)), 0) << out;
    EXPECT_NE(out.find("Renglones y sumas iguales"), std::string::npos) << out;
}

TEST_F(CliPassword, OnATerminalItIsAskedWithoutEchoAndOnceMoreAfterAWrongOne) {
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::unsetenv("PGPASSWORD");
        ::unsetenv("PGPASSFILE");
        ::setenv("HOME", home.path().c_str(), 1);
        ::execl(program.c_str(), program.c_str(), "crear", location.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // A failed check below ends the test early: the child must not be left waiting at its prompt
    // with the test's server running.
    bool reaped = false;
    struct Reaper {
        pid_t pid;
        int master;
        bool& reaped;
        ~Reaper() {
            if (!reaped) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
                ::close(master);
            }
        }
    } reaper{pid, master, reaped};
    std::string shown;
    readUntil(master, "Contraseña de qv en localhost: ", shown);
    ASSERT_NE(shown.find("Contraseña de qv en localhost: "), std::string::npos) << shown;
    ASSERT_EQ(::write(master, "equivocada\n", 11), 11);
    // The second prompt, not the message before it: the prompt comes after echo is turned off,
    // which discards anything typed sooner.
    const std::size_t second = shown.size();
    readUntil(master, "Contraseña de qv en localhost: ", shown, second);
    ASSERT_NE(shown.find("La contraseña no es correcta", second), std::string::npos) << shown;
    ASSERT_NE(shown.find("Contraseña de qv en localhost: ", second), std::string::npos) << shown;
    const std::string line = kPassword + "\n";
    ASSERT_EQ(::write(master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    readUntil(master, "\x04never", shown);  // to the end of the output
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 600 && ended == 0; ++i) {
        ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == 0)
            ::usleep(100000);
    }
    ASSERT_EQ(ended, pid) << "quintaleva-cli did not end:\n" << shown;
    reaped = true;
    ::close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
    EXPECT_NE(shown.find("Base de datos creada"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("equivocada"), std::string::npos) << shown;
    EXPECT_EQ(shown.find(kPassword), std::string::npos) << shown;

    std::string out;
    EXPECT_EQ(run({"info", location}, out, "PGPASSWORD=" + quote(kPassword)), 0) << out;
}

} // namespace
