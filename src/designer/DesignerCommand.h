#pragma once

#include <ostream>
#include <string>
#include <vector>

// The designer's commands without a display, for scripts:
//   lantorela --exportar ARCHIVO ID SALIDA.qvf
//   lantorela --importar ARCHIVO ENTRADA.qvf [--nombre NOMBRE]
//   lantorela --help
namespace DesignerCommand {

// True when `args` (without the program name) ask for one of the commands above.
bool IsCommand(const std::vector<std::string>& args);
// How the program is started, for --help and for a command given wrongly.
const char* Usage();
// Runs it; 0 on success. Messages go to `out`, errors to `err`, in Spanish.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace DesignerCommand
