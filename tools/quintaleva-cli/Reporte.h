#pragma once

#include <string>
#include <vector>

// quintaleva-cli reporte NOMBRE ARCHIVO [filters] (--txt SALIDA | --rep SALIDA): one of the
// program's reports (documentos, cxc, movimientos, articulos, clientes), built by the same code
// as the report dialogs and saved as the viewer's "Guardar" saves it. 0 on success; otherwise 1
// with the operator's message, and the output left as it was.
int ReporteCommand(const std::vector<std::string>& args);
