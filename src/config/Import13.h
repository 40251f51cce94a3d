#pragma once

#include <functional>
#include <string>
#include <vector>

class Database;
class COldDatabase;

// Articles, customers and print formats from a version 1.3 database into the open one, in one
// transaction: an import that fails writes nothing.
class CImport13 final {
public:
    static constexpr int kVersion = 130;
    static constexpr const char* kMsgWrongVersion = "La version no es la adecuada";
    static constexpr const char* kMsgDone = "- Importación existosa -";

    struct Result {
        bool ok = false;
        std::string message; // the operator's message, success or failure
        int articles = 0, customers = 0, formats = 0, taxes = 0; // rows added
        // Keys of the old file that differ only by case from one imported before them in the same
        // file, and the free keys they were given instead ("s001" → "s001-2").
        std::vector<std::pair<std::string, std::string>> renamedKeys;
    };
    // Rows done so far and the total, after each row.
    using Progress = std::function<void(int done, int total)>;

    static Result Run(Database& db, const std::string& oldPath, const Progress& progress = {});
    static Result Run(Database& db, const COldDatabase& old, const Progress& progress = {});
};
