#include "BenchSetup.h"

#include "config/DatabaseCopy.h"
#include "config/DatabaseFiles.h"
#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/PgSql.h"

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
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
    fs::create_directories(file.parent_path());
    if (documents == 0) {  // a list's own cost, with no rows to read
        Database::create(file.string());
        return file.string();
    }
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

namespace {

const char* serverUri() {
    const char* uri = std::getenv("QUINTALEVA_BENCH_PG");
    return uri && *uri ? uri : nullptr;
}

// Runs `sql` on the maintenance database; the first value of its first row ("" when none).
std::string admin(const std::string& sql, const std::vector<std::string>& params = {}) {
    PGconn* conn = PQconnectdb(serverUri());
    if (PQstatus(conn) != CONNECTION_OK) {
        const std::string message = PQerrorMessage(conn);
        PQfinish(conn);
        throw std::runtime_error("benchmark server: " + message);
    }
    std::vector<const char*> values;
    for (const std::string& p : params)
        values.push_back(p.c_str());
    PGresult* r = PQexecParams(conn, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                               nullptr, 0);
    const ExecStatusType status = PQresultStatus(r);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    const std::string message = ok ? "" : PQresultErrorMessage(r);
    const std::string first = status == PGRES_TUPLES_OK && PQntuples(r) > 0 ? PQgetvalue(r, 0, 0) : "";
    PQclear(r);
    PQfinish(conn);
    if (!ok)
        throw std::runtime_error("benchmark server: " + sql + ": " + message);
    return first;
}

void createEmpty(const std::string& name) {
    admin("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
    admin("CREATE DATABASE " + name + " TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'");
}

std::string literal(const DbValue& v) {
    if (auto n = std::get_if<std::int64_t>(&v))
        return "'" + std::to_string(*n) + "'";
    if (auto d = std::get_if<double>(&v))
        return "'" + PgSql::doubleText(*d) + "'";
    if (auto s = std::get_if<std::string>(&v); s && !s->empty()) {
        std::string out = "'";
        for (char c : *s)
            out += c == '\'' ? std::string("''") : std::string(1, c);
        return out + "'";
    }
    if (auto b = std::get_if<Blob>(&v)) {
        std::string out = "'\\x";
        static const char kHex[] = "0123456789abcdef";
        for (unsigned char c : *b)
            out += std::string{kHex[c >> 4], kHex[c & 0xF]};
        return out + "'";
    }
    return "NULL";
}

} // namespace

bool OnServer() { return serverUri() != nullptr; }

std::string Location(const std::string& file) {
    if (!OnServer())
        return file;
    std::string name = "qvb_";
    for (char c : fs::path(file).stem().string())
        name += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(static_cast<unsigned char>(c))) : '_';
    const std::string uri = DatabaseLocation::withDatabase(serverUri(), name);
    if (!admin("SELECT 1 FROM pg_database WHERE datname = $1", {name}).empty()) {
        try {
            Database::open(uri);  // a copy that did not finish left an empty database
            return uri;
        } catch (const DbError&) {
        }
    }
    createEmpty(name);
    std::fprintf(stderr, "Copying %s to the server (once) ...\n", file.c_str());
    const auto started = std::chrono::steady_clock::now();
    {
        auto source = Database::open(file);
        CDatabaseCopy::Run(*source, uri);
    }
    auto copy = Database::open(uri);
    // The planner's statistics of the new rows, for the tables the copy holds.
    if (const std::string failed = CDatabaseFiles::Compact(*copy); !failed.empty())
        throw std::runtime_error(failed);
    std::fprintf(stderr, "... copied in %.1f s\n",
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    return uri;
}

std::string ScratchDatabase(const std::string& name) {
    const std::string unique = name + "_" + std::to_string(::getpid());
    if (!OnServer()) {
        const fs::path path = fs::temp_directory_path() / ("bench-" + unique + ".mdb");
        fs::remove(path);
        Database::create(path.string());
        return path.string();
    }
    createEmpty("qvb_" + unique);
    const std::string uri = DatabaseLocation::withDatabase(serverUri(), "qvb_" + unique);
    Database::create(uri);
    return uri;
}

void DropScratch(const std::string& location) {
    if (!DatabaseLocation::isServer(location)) {
        for (const char* suffix : {"", "-wal", "-shm"})
            fs::remove(location + suffix);
        return;
    }
    const std::size_t slash = location.find('/', location.find("://") + 3);
    const std::size_t end = location.find('?', slash);
    admin("DROP DATABASE IF EXISTS " + location.substr(slash + 1, end - slash - 1) + " WITH (FORCE)");
}

double PsqlMilliseconds(const std::string& location, const std::string& script) {
    char scriptPath[] = "/tmp/bench-psql-XXXXXX";
    const int fd = ::mkstemp(scriptPath);
    if (fd < 0)
        return -1;
    const std::string text = "\\timing on\n" + script;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    double total = -1;
    if (written) {
        const std::string command = "psql -X -q -At -v ON_ERROR_STOP=1 -f '" + std::string(scriptPath) + "' '" +
                                    location + "' 2>&1";
        if (FILE* out = ::popen(command.c_str(), "r")) {
            total = 0;
            char line[4096];
            while (std::fgets(line, sizeof line, out))
                if (std::strncmp(line, "Time: ", 6) == 0)
                    total += std::strtod(line + 6, nullptr);
            if (::pclose(out) != 0)
                total = -1;
        }
    }
    ::unlink(scriptPath);
    return total;
}

std::string ServerSql(const std::string& sql, const std::vector<DbValue>& params) {
    const std::string translated = PgSql::translate(sql).sql;
    std::string out;
    for (std::size_t i = 0; i < translated.size(); ++i) {
        if (translated[i] == '$' && i + 1 < translated.size() && std::isdigit(static_cast<unsigned char>(translated[i + 1]))) {
            std::size_t n = 0;
            while (i + 1 < translated.size() && std::isdigit(static_cast<unsigned char>(translated[i + 1])))
                n = n * 10 + static_cast<std::size_t>(translated[++i] - '0');
            out += n >= 1 && n <= params.size() ? literal(params[n - 1]) : "NULL";
        } else {
            out += translated[i];
        }
    }
    return out;
}

int DocumentsWanted(int fallback) {
    const char* wanted = std::getenv("QUINTALEVA_BENCH_DOCUMENTOS");
    const int n = wanted ? std::atoi(wanted) : 0;
    return n > 0 ? n : fallback;
}

std::unique_ptr<Database> Open(const std::string& path) {
    const std::string location = Location(path);
    std::unique_ptr<Database> db = Database::open(location);
    benchmark::AddCustomContext("database", DatabaseLocation::withoutPassword(location));
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
