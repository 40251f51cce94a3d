#pragma once

#include <functional>
#include <string>
#include <vector>

class Database;
class COldDatabase;

// Articles, customers and print formats from a version 1.3 database into the open one, in one
// transaction: an import that fails or is cancelled writes nothing.
class CImport13 final {
public:
    static constexpr int kVersion = 130;
    static constexpr const char* kMsgWrongVersion = "La version no es la adecuada";
    static constexpr const char* kMsgDone = "- Importación existosa -";
    static constexpr const char* kMsgCancelled = "- Importación cancelada: no se importó nada -";

    struct Result {
        bool ok = false;
        bool cancelled = false;
        std::string message; // the operator's message, success (with the counts) or failure
        int articles = 0, customers = 0, formats = 0, taxes = 0; // rows added
        // Rows of the old file not imported: a key or name already in the database (or imported
        // before from the same file), or a blank one.
        int articlesLeftOut = 0, customersLeftOut = 0;
        // Keys of the old file that differ only by case from one imported before them in the same
        // file, and the free keys they were given instead ("s001" → "s001-2").
        std::vector<std::pair<std::string, std::string>> renamedKeys;
    };
    // Rows done so far and the total, after each row.
    using Progress = std::function<void(int done, int total)>;
    // Polled while the file is read and after each row; true cancels, writing nothing.
    using Cancel = std::function<bool()>;

    // Reads the file in the reader process (COldDatabaseProcess), then imports its rows.
    static Result Run(Database& db, const std::string& oldPath, const Progress& progress = {}, const Cancel& cancel = {});
    static Result Run(Database& db, const COldDatabase& old, const Progress& progress = {}, const Cancel& cancel = {});

    // "- Importación existosa -" and what was imported, left out and renamed, one line each.
    static std::string Summary(const Result& r);
};
