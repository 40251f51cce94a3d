#include "platform/TerminalPassword.h"

#include "db/Database.h"
#include "db/DatabaseLocation.h"
#include "db/DbError.h"
#include "db/DbErrorText.h"

#include <libpq-fe.h>
#include <pwd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

struct Who {
    std::string user, host;
};

// The user and host of a server location as libpq takes them: the URI's own, else PGUSER and
// PGHOST, else the login name and this computer.
Who who(const std::string& location) {
    Who w;
    char* error = nullptr;
    if (PQconninfoOption* options = PQconninfoParse(location.c_str(), &error)) {
        for (PQconninfoOption* o = options; o->keyword; ++o) {
            if (!o->val)
                continue;
            if (std::string(o->keyword) == "user")
                w.user = o->val;
            else if (std::string(o->keyword) == "host")
                w.host = o->val;
        }
        PQconninfoFree(options);
    }
    PQfreemem(error);
    if (w.user.empty())
        if (const char* env = std::getenv("PGUSER"); env && *env)
            w.user = env;
    if (w.user.empty())
        if (const passwd* pw = ::getpwuid(::geteuid()))
            w.user = pw->pw_name;
    if (w.host.empty())
        if (const char* env = std::getenv("PGHOST"); env && *env)
            w.host = env;
    // A socket folder (or none) is the server on this computer.
    w.host = w.host.substr(0, w.host.find(','));
    if (w.host.empty() || w.host.front() == '/' || w.host.front() == '@')
        w.host = "localhost";
    return w;
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool isAuth(const DbError& e) { return IsDbPasswordRefused(e); }

} // namespace

namespace TerminalPassword {

std::string prompt(const std::string& location) {
    const Who w = who(location);
    return "Contraseña de " + w.user + " en " + w.host + ": ";
}

std::string noTerminalMessage(const std::string& location, const std::string& serverText) {
    const Who w = who(location);
    return "el servidor " + w.host + " pide la contraseña de " + w.user +
           " y no hay una terminal donde preguntarla. Escríbala en el archivo ~/.pgpass del usuario que "
           "corre el comando (un renglón servidor:puerto:base:usuario:contraseña, con permisos 600) o "
           "póngala en la variable PGPASSWORD.\n\n(" + serverText + ")";
}

std::optional<std::string> readHidden(int in, int out, const std::string& prompt) {
    termios saved{};
    const bool terminal = ::tcgetattr(in, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
        quiet.c_lflag |= ICANON;
        ::tcsetattr(in, TCSAFLUSH, &quiet);
    }
    writeAll(out, prompt);
    std::string line;
    bool ended = false;
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(in, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ended = true;
            break;
        }
        if (c == '\n' || c == '\r')
            break;
        line += c;
    }
    if (terminal)
        ::tcsetattr(in, TCSAFLUSH, &saved);
    // The Enter typed was not echoed either.
    writeAll(out, "\n");
    if (ended && line.empty())
        return std::nullopt;
    return line;
}

std::unique_ptr<Database> open(const std::string& location,
                               const std::function<std::unique_ptr<Database>(const std::string& password)>& attempt,
                               int in, int out) {
    try {
        return attempt({});
    } catch (const DbError& e) {
        // A password that came from ~/.pgpass or PGPASSWORD and was refused is told as such.
        if (e.code() != DbError::kAuth || !DatabaseLocation::isServer(location) || DatabaseLocation::hasPassword(location))
            throw;
        if (!::isatty(in))
            throw DbError(noTerminalMessage(location, e.what()));
    }
    for (int tries = 1;; ++tries) {
        std::optional<std::string> password = readHidden(in, out, prompt(location));
        if (!password)
            throw DbError("no se escribió la contraseña.");
        try {
            auto db = attempt(*password);
            password->assign(password->size(), '\0');
            return db;
        } catch (const DbError& e) {
            password->assign(password->size(), '\0');
            if (!isAuth(e) || tries == 2)
                throw;
            writeAll(out, "La contraseña no es correcta; intente de nuevo.\n");
        }
    }
}

} // namespace TerminalPassword
