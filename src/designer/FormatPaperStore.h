#pragma once

#include "designer/SheetSize.h"

#include <cstdint>

class Database;

// The paper each Windows format is laid out on. The `Detalle` stream has no room for it, so it
// lives in a table of its own, "PapelFormato", keyed by Id_Formato and created the first time a
// paper is stored; a format without a row (every format made before) is on letter paper.
class CFormatPaperStore final {
public:
    static constexpr const char* kTable = "PapelFormato";

    explicit CFormatPaperStore(Database& db) : m_db(db) {}

    // Letter when the format has no row or the table does not exist yet. Read outside a write
    // transaction: a missing table is found by reading it.
    SheetSize Load(std::int32_t formatId);
    // Inside the caller's transaction: creates the table when missing and sets the format's paper.
    void Write(std::int32_t formatId, const SheetSize& sheet);
    // Inside the caller's transaction.
    void Remove(std::int32_t formatId);
    // Creates the table when missing, in the caller's transaction.
    static void CreateTable(Database& db);

private:
    Database& m_db;
};
