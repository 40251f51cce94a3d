#pragma once

#include <array>
#include <string>

class Database;

// The shop as its own documents show it: the name (General.Nombre, the first heading of every
// report), three address lines, RFC and telephone (table Negocio, one row, made when first saved,
// so databases from before it read as empty).
struct BusinessData final {
    static constexpr const char* kTable = "Negocio";

    std::string nombre;
    std::array<std::string, 3> domicilio;
    std::string rfc;
    std::string telefono;

    // Empty texts for what is not stored; throws DbError when the database cannot be read.
    static BusinessData Load(Database& db);
    // Writes all of it; the caller holds the write transaction.
    void Save(Database& db) const;
    // Makes the table when it is not there.
    static void CreateTable(Database& db);
};
