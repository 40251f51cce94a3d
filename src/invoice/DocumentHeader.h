#pragma once

#include "db/OleDate.h"

#include <array>
#include <cstdint>
#include <string>

// The header of a document as the main form holds it and Documentos stores it.
struct DocumentHeader final {
    std::int32_t idCliente = 0; // 0: typed by hand, not from the catalogue
    std::string nombre;
    std::string dom1, dom2, dom3;
    std::string rfc;
    std::string telefono;
    OleDate fecha;
    OleDate vence;
    std::string serie; // up to 2 characters; empty is stored as Null
    std::int32_t folio = 0;
    std::string observaciones;
    std::array<std::string, 6> extras;
    bool cancelada = false;
};
