#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

class Database;

// A server's password asked on the terminal a command was started from (quintaleva-cli), for a
// server that wants one that neither ~/.pgpass nor PGPASSWORD gave. It is never printed or kept.
namespace TerminalPassword {

// "Contraseña de USUARIO en SERVIDOR: ", naming the user and host libpq connects as.
std::string prompt(const std::string& location);

// What to do when there is no terminal to ask on, followed by the server's own text.
std::string noTerminalMessage(const std::string& location, const std::string& serverText);

// Writes `prompt` to `out` and reads one line from the terminal `in` with its echo off; the
// terminal is left as it was. Nothing at the end of input.
std::optional<std::string> readHidden(int in, int out, const std::string& prompt);

// `attempt` with no password first (libpq reads ~/.pgpass and PGPASSWORD itself). When the
// server refuses for lack of a password: on a terminal `in` it is asked, and once more after a
// wrong one; elsewhere a DbError says where to put it. A location with a password of its own,
// or a file, is never asked about.
std::unique_ptr<Database> open(const std::string& location,
                               const std::function<std::unique_ptr<Database>(const std::string& password)>& attempt,
                               int in = 0, int out = 2);

} // namespace TerminalPassword
