#include "config/OldDatabaseProcess.h"

#include "config/OldDatabaseWire.h"
#include "platform/InstallLayout.h"
#include "toolkit/Deadline.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kBaseLimitMs = 3000;
constexpr int kLimitMsPerMiB = 1000;
// What the child prints is kept up to this much, and summed up for the message in at most
// kShownDetail characters.
constexpr std::size_t kMaxDetail = 64 * 1024;
constexpr std::size_t kShownDetail = 300;

// Closes on scope exit; -1 is no descriptor.
struct Fd {
    int fd = -1;
    ~Fd() { Close(); }
    void Close() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

bool WriteAll(int fd, const unsigned char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// The child's own words for the technician: printable, one paragraph, bounded.
// What the child printed, for the technician: printable ASCII, each distinct line once with how
// many times it came (libmdb repeats one warning for every value it cannot convert).
std::string Summary(const std::string& raw) {
    std::vector<std::pair<std::string, int>> lines;
    std::size_t at = 0;
    while (at < raw.size()) {
        std::size_t end = raw.find('\n', at);
        if (end == std::string::npos)
            end = raw.size();
        std::string line;
        for (std::size_t i = at; i < end; ++i) {
            const auto u = static_cast<unsigned char>(raw[i]);
            line += (u < 0x20 || u >= 0x7F) ? '?' : raw[i];
        }
        at = end + 1;
        while (!line.empty() && (line.back() == ' ' || line.back() == '?'))
            line.pop_back();
        if (line.empty())
            continue;
        auto seen = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.first == line; });
        if (seen != lines.end())
            ++seen->second;
        else
            lines.emplace_back(std::move(line), 1);
    }
    std::string out;
    for (const auto& [line, count] : lines)
        out += (out.empty() ? "" : " ") + line + (count > 1 ? " (" + std::to_string(count) + " veces)" : "");
    return out;
}

std::string ExitText(int status) {
    if (WIFSIGNALED(status))
        return "el lector terminó por la señal " + std::to_string(WTERMSIG(status));
    return "el lector terminó con el código " + std::to_string(WEXITSTATUS(status));
}

} // namespace

int COldDatabaseProcess::TimeLimitMs(std::uintmax_t fileBytes) {
    const std::uintmax_t mib = (fileBytes + (1u << 20) - 1) >> 20;
    return kBaseLimitMs + static_cast<int>(std::min<std::uintmax_t>(mib, 3600) * kLimitMsPerMiB);
}

std::string COldDatabaseProcess::ProgramPath() {
    if (const char* env = std::getenv(kProgramEnv); env && *env)
        return env;
    const fs::path folder = InstallLayout::ProgramFolder();
    return folder.empty() ? std::string(kProgramName) : InstallLayout::HelperProgram(folder, kProgramName).string();
}

int COldDatabaseProcess::Serve(const std::string& path, int fd) {
    COldDatabase old;
    COldDatabaseWire::Bytes answer;
    if (old.Read(path))
        answer = COldDatabaseWire::EncodeRows(old);
    else if (old.Error() == COldDatabase::kMsgNotDatabase)
        answer = COldDatabaseWire::EncodeRefusal(COldDatabaseWire::Outcome::NotDatabase);
    else if (old.Error() == COldDatabase::kMsgDamaged)
        answer = COldDatabaseWire::EncodeRefusal(COldDatabaseWire::Outcome::Damaged);
    else
        answer = COldDatabaseWire::EncodeRefusal(COldDatabaseWire::Outcome::CannotOpen);
    return WriteAll(fd, answer.data(), answer.size()) ? 0 : 1;
}

bool COldDatabaseProcess::Fail(const std::string& message, const std::string& detail) {
    m_error = message;
    m_detail = detail;
    if (detail.empty())
        return false;
    std::string shown = detail;
    if (shown.size() > kShownDetail) {
        std::size_t cut = kShownDetail - 3;
        while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80)
            --cut;  // not inside a UTF-8 character
        shown = shown.substr(0, cut) + "...";
    }
    m_error += "\n\nDetalle técnico: " + shown;
    return false;
}

bool COldDatabaseProcess::Read(const std::string& path, COldDatabase& old, const Cancel& cancel, const Options& options) {
    old = COldDatabase();
    m_error.clear();
    m_detail.clear();
    m_cancelled = false;

    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || ::access(path.c_str(), R_OK) != 0)
        return Fail("No se pudo abrir el archivo " + path);
    const int limitMs = options.limitMs > 0 ? options.limitMs : TimeLimitMs(size);
    // Nothing the import takes is larger than the file it came from, a few times over for text.
    const std::size_t maxAnswer = (std::size_t{64} << 20) + 4 * static_cast<std::size_t>(size);

    int dataPipe[2], diagPipe[2];
    if (::pipe2(dataPipe, O_CLOEXEC) != 0)
        return Fail(kMsgUnreadable, std::strerror(errno));
    Fd dataIn{dataPipe[0]}, dataOut{dataPipe[1]};
    if (::pipe2(diagPipe, O_CLOEXEC) != 0)
        return Fail(kMsgUnreadable, std::strerror(errno));
    Fd diagIn{diagPipe[0]}, diagOut{diagPipe[1]};

    const std::string program = options.program.empty() ? ProgramPath() : options.program;
    std::vector<std::string> args{program};
    args.insert(args.end(), options.arguments.begin(), options.arguments.end());
    args.push_back(path);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // The answer on descriptor 3, stdout and stderr to the detail pipe, nothing else inherited.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, dataOut.fd, 3);
    posix_spawn_file_actions_adddup2(&actions, diagOut.fd, 1);
    posix_spawn_file_actions_adddup2(&actions, diagOut.fd, 2);
    posix_spawn_file_actions_addclosefrom_np(&actions, 4);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (spawned != 0)
        return Fail("No se pudo iniciar el lector de archivos de Quintaleva 1.3 (" + program + "): " +
                    std::strerror(spawned));
    dataOut.Close();
    diagOut.Close();
    if (options.started)
        options.started(pid);

    const Deadline deadline(limitMs);
    COldDatabaseWire::Bytes answer;
    std::string diag;
    std::string failure; // why the child was stopped
    unsigned char chunk[65536];
    auto stopped = [&] {
        if (cancel && cancel()) {
            m_cancelled = true;
            failure = "lectura cancelada";
        } else if (deadline.Passed()) {
            failure = "el lector no terminó en " + std::to_string(limitMs / 1000) + " s";
        }
        return !failure.empty();
    };

    while ((dataIn.fd >= 0 || diagIn.fd >= 0) && !stopped()) {
        pollfd fds[2] = {{dataIn.fd, POLLIN, 0}, {diagIn.fd, POLLIN, 0}}; // negative fds are skipped
        if (::poll(fds, 2, static_cast<int>(std::min(deadline.MsLeft(), 50))) < 0 && errno != EINTR) {
            failure = std::strerror(errno);
            break;
        }
        if (fds[0].revents) {
            const ssize_t n = ::read(dataIn.fd, chunk, sizeof chunk);
            if (n > 0 && answer.size() + static_cast<std::size_t>(n) > maxAnswer) {
                failure = "respuesta del lector demasiado grande";
                break;
            }
            if (n > 0)
                answer.insert(answer.end(), chunk, chunk + n);
            else if (n == 0 || errno != EINTR)
                dataIn.Close();
        }
        if (fds[1].revents) {
            const ssize_t n = ::read(diagIn.fd, chunk, sizeof chunk);
            if (n > 0)
                diag.append(reinterpret_cast<const char*>(chunk), std::min<std::size_t>(static_cast<std::size_t>(n), kMaxDetail - std::min(kMaxDetail, diag.size())));
            else if (n == 0 || errno != EINTR)
                diagIn.Close();
        }
    }

    // Both pipes closed: the child is ending; give it until the deadline to do so.
    int status = 0;
    bool reaped = false;
    while (failure.empty()) {
        const pid_t w = ::waitpid(pid, &status, WNOHANG);
        if (w == pid) {
            reaped = true;
            break;
        }
        if (w < 0 && errno != EINTR) {
            failure = std::strerror(errno);
            break;
        }
        if (stopped())
            break;
        ::usleep(5000);
    }
    if (!reaped) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }

    const std::string said = Summary(diag);
    auto detail = [&](std::string why) { return said.empty() ? why : why + "; " + said; };
    if (m_cancelled)
        return Fail("Lectura cancelada");
    if (!failure.empty())
        return Fail(kMsgUnreadable, detail(failure));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return Fail(kMsgUnreadable, detail(ExitText(status)));

    COldDatabaseWire::Outcome outcome{};
    if (!COldDatabaseWire::Decode(answer.data(), answer.size(), outcome, old))
        return Fail(kMsgUnreadable, detail("respuesta del lector incompleta o mal formada"));
    switch (outcome) {
    case COldDatabaseWire::Outcome::Rows:
        return true;
    case COldDatabaseWire::Outcome::NotDatabase:
        return Fail(COldDatabase::kMsgNotDatabase);
    case COldDatabaseWire::Outcome::Damaged:
        return Fail(COldDatabase::kMsgDamaged, said);
    case COldDatabaseWire::Outcome::CannotOpen:
        break;
    }
    return Fail("No se pudo leer el archivo " + path, said);
}
