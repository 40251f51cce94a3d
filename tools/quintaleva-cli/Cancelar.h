#pragma once

#include <string>
#include <vector>

// quintaleva-cli cancelar ARCHIVO SERIE FOLIO --motivo 01|02|03|04 [--sustituye SERIE FOLIO]
//                        [--pago N] [--clave-archivo F]
int CancelarCommand(const std::vector<std::string>& args);
// quintaleva-cli estado-cfdi ARCHIVO SERIE FOLIO [--pago N]
int EstadoCfdiCommand(const std::vector<std::string>& args);
