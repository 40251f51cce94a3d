#pragma once

#include <QString>

#include <cstdint>

// The customer picked in the customers catalogue, as its caller reads it after the list closes
// with OK: the main form fills the document's customer fields from it, the search and the reports
// filter by its id.
struct ClienteElegido final {
    std::int32_t idCliente = 0;  // 0: none picked
    QString nombre;
    QString dom1;
    QString dom2;
    QString dom3;
    QString rfc;
    QString telefono;
};
