#pragma once

#include <string>
#include <vector>

// quintaleva-cli factura-global ARCHIVO --desde DD/MM/AAAA --hasta DD/MM/AAAA --periodicidad 01..05
//                              [--forma-pago CC] [--salida X.xml] [--clave-archivo F]
int FacturaGlobalCommand(const std::vector<std::string>& args);
