#pragma once

#include <string>
#include <vector>

// quintaleva-cli cobrar ARCHIVO SERIE FOLIO IMPORTE [--fecha DD/MM/AAAA] [--forma-pago CC]
//                      [--clave-archivo F] [--salida X.xml]
int CobrarCommand(const std::vector<std::string>& args);
