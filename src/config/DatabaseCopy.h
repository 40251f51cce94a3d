#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class Database;

// A whole database of ours copied into a new one, file or server either way: every table, key
// values kept, written in the target's one creating transaction, so the target appears complete
// or not at all (a file is built under a temporary name and renamed; a server rolls back).
// Before the commit, each table's row count and the sums of its money columns are read again on
// the target and must equal the source's; the source is read in one snapshot.
class CDatabaseCopy final {
public:
    struct TableCheck {
        std::string table;
        std::int64_t rows = 0;
        std::vector<std::pair<std::string, double>> sums; // money column, its sum
        bool operator==(const TableCheck&) const = default;
    };
    // Rows of `table` written so far, of `total`.
    using Progress = std::function<void(const std::string& table, std::int64_t done, std::int64_t total)>;
    // Called inside the target's transaction once a table is written; a test throws from it.
    using AfterTable = std::function<void(const std::string& table)>;

    // Copies `source` into the new database at `target` (refused when it exists). The figures of
    // every table, as checked on both sides. Throws DbError with the target not written.
    // `password` is for a server target that asks for one.
    static std::vector<TableCheck> Run(Database& source, const std::string& target, const Progress& progress = {},
                                       const AfterTable& afterTable = {}, const std::string& password = {});

    // The tables copied, each after those it refers to.
    static std::vector<std::string> Tables();
};
