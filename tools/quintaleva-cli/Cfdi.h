#pragma once

#include <string>
#include <vector>

// quintaleva-cli cfdi ARCHIVO SERIE FOLIO --salida X.xml [--clave-archivo F] [--forma-pago C]
//                    [--metodo-pago PUE|PPD] [--uso C]
int CfdiCommand(const std::vector<std::string>& args);
// quintaleva-cli datos-fiscales ARCHIVO [--rfc RFC] [--razon TEXTO] [--regimen CLAVE] [--cp CP]
//                               [--cer F.cer] [--key F.key] [--clave-archivo F]
int DatosFiscalesCommand(const std::vector<std::string>& args);
// quintaleva-cli timbrar ARCHIVO SERIE FOLIO [--salida X.xml] [--clave-archivo F] [--forma-pago C]
//                       [--metodo-pago PUE|PPD] [--uso C]
// quintaleva-cli timbrar ARCHIVO --pendientes
int TimbrarCommand(const std::vector<std::string>& args);
