#include "BenchSetup.h"

#include "db/Database.h"

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace BenchSetup {

namespace {

std::size_t statusField(const char* name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(name) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return static_cast<std::size_t>(std::strtoull(line.c_str() + key.size(), nullptr, 10)) * 1024;
    return 0;
}

} // namespace

std::string CachedDatabase(int documents, int customers, int articles) {
    if (const char* given = std::getenv("QUINTALEVA_BENCH_DB"); given && *given)
        return given;
    const fs::path here = fs::canonical(fs::path("/proc/self/exe")).parent_path();  // build/bench
    const fs::path file = here / "bench-data" /
                          ("generated-" + std::to_string(documents) + "-" + std::to_string(customers) + "-" +
                           std::to_string(articles) + ".mdb");
    if (fs::exists(file))
        return file.string();
    const char* cliEnv = std::getenv("QUINTALEVA_CLI");
    const fs::path cli = cliEnv && *cliEnv ? fs::path(cliEnv) : here.parent_path() / "quintaleva-cli";
    fs::create_directories(file.parent_path());
    // Generated under another name, so an interrupted run is never taken for a finished file.
    const fs::path partial = file.string() + ".parcial";
    fs::remove(partial);
    std::fprintf(stderr, "Generating %s (once; about a minute per 500,000 documents) ...\n", file.c_str());
    const std::string command = "'" + cli.string() + "' generar '" + partial.string() + "' --documentos " +
                                std::to_string(documents) + " --clientes " + std::to_string(customers) +
                                " --articulos " + std::to_string(articles) + " >/dev/null";
    if (std::system(command.c_str()) != 0 || !fs::exists(partial))
        return {};
    fs::rename(partial, file);
    return file.string();
}

int DocumentsWanted(int fallback) {
    const char* wanted = std::getenv("QUINTALEVA_BENCH_DOCUMENTOS");
    const int n = wanted ? std::atoi(wanted) : 0;
    return n > 0 ? n : fallback;
}

std::unique_ptr<Database> Open(const std::string& path) {
    std::unique_ptr<Database> db = Database::open(path);
    benchmark::AddCustomContext("database", path);
    return db;
}

std::size_t ResidentBytes() { return statusField("VmRSS"); }

std::size_t PeakResidentBytes() { return statusField("VmHWM"); }

void ResetPeak() {
    // "5" resets the peak resident size to the present one (Linux 4.0 and later).
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::vector<double> InChild(const std::function<std::vector<double>()>& work) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return {};
    }
    if (pid == 0) {
        ::close(fds[0]);
        const std::vector<double> figures = work();
        const std::size_t bytes = figures.size() * sizeof(double);
        const bool ok = ::write(fds[1], figures.data(), bytes) == static_cast<ssize_t>(bytes);
        ::_exit(ok ? 0 : 1);
    }
    ::close(fds[1]);
    std::vector<double> figures;
    double value = 0;
    while (::read(fds[0], &value, sizeof value) == static_cast<ssize_t>(sizeof value))
        figures.push_back(value);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return figures;
}

} // namespace BenchSetup
