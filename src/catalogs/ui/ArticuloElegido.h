#pragma once

#include <QString>

#include <cstdint>

// The article picked in the articles catalogue, read by its caller after the list closed with OK:
// the invoice grid enters its key into a line.
struct ArticuloElegido final {
    std::int32_t idArticulo = 0;  // 0: none picked
    QString clave;
    QString descripcion;
};
