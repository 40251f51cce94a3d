#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The rows of a version 1.3 database that the import takes, read whole with libmdb before anything
// is written. Fields are read by position, as the old program did; texts arrive as UTF-8.
class COldDatabase final {
public:
    using Bytes = std::vector<unsigned char>;

    struct Article {
        std::string Clave;
        std::string Descripcion;
        double Precio = 0;
        double Impuesto = 0; // percentage: 15 means 15 %
    };
    struct Customer {
        std::string Nombre, Dom1, Dom2, Dom3, RFC; // a NULL reads as empty text
    };
    struct Format {
        std::string Nombre;
        Bytes Detalle; // the 1.3 format stream
    };

    static constexpr const char* kMsgNotDatabase =
        "El archivo no es una base de datos de Quintaleva 1.3";
    static constexpr const char* kMsgDamaged =
        "La base de datos de Quintaleva 1.3 está dañada o incompleta";

    std::int32_t Version = 0;
    std::vector<Article> Articles;
    std::vector<Customer> Customers;
    std::vector<Format> Formats;

    // Reads the file. False, with the operator's message in Error() and no rows kept, for a file
    // that cannot be read, is not a Jet database, or lacks or has damaged tables.
    bool Read(const std::string& path);
    // The same from bytes in memory (the whole file).
    bool ReadBytes(const Bytes& file);

    const std::string& Error() const { return m_error; }

private:
    bool Fail(const std::string& message);
    std::string m_error;
};
