#pragma once

#include <cstdint>
#include <string>

// One row of Articulos as the catalogue edits it.
struct Articulo final {
    std::int32_t idArticulo = 0;  // 0: not stored yet
    std::string clave;
    std::string descripcion;
    double precio = 0;            // unit price before taxes
    std::int32_t idImp1 = 0;      // taxes and withholdings by Id_Impuesto; 0 = none
    std::int32_t idImp2 = 0;
    std::int32_t idRet1 = 0;
    std::int32_t idRet2 = 0;
    std::string observaciones;
    double precioNeto = 0;        // as the catalogue computes it (tax 2 compounded on tax 1)
};
