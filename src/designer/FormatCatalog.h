#pragma once

#include "designer/DesignFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class Database;

// The Windows formats (`Ticket` = 0) of `Formatos` as the designer lists, opens, stores, copies,
// renames and deletes them. Each write is one transaction, so the program printing a format
// while the designer saves it reads the old row or the new one, never half of each. Database
// errors arrive as DbError.
class CFormatCatalog final {
public:
    static constexpr const char* kMissingMessage = "- El formato ya no existe -";
    static constexpr const char* kDamagedMessage =
        "La definición de este formato está dañada y no se puede leer. No se modificará a menos que "
        "guarde un diseño nuevo en su lugar.";

    struct Entry {
        std::int32_t id = 0;
        std::string name;
    };
    enum class Status { Loaded, Missing, Damaged };
    struct Result {
        Status status = Status::Loaded;
        std::string message;
        explicit operator bool() const { return status == Status::Loaded; }
    };

    explicit CFormatCatalog(Database& db) : m_db(db) {}

    // By name, then id.
    std::vector<Entry> List();
    // With its paper and background picture. A damaged stream fills the row's name and remarks
    // and leaves an empty layout.
    Result Load(std::int32_t id, CDesignFormat& format);
    // Writes the stream, Caben, Repetir, name and remarks, the paper and the background picture in
    // one transaction; a format without an id becomes a new row and gets its id. False when its
    // row has gone meanwhile.
    bool Save(CDesignFormat& format);
    // The stored stream of a Windows format, untouched.
    std::optional<std::vector<unsigned char>> RawStream(std::int32_t id);
    // A new row holding `stream` as it is (already checked to be a format), with its paper and
    // picture when given (else letter paper, no picture), in one transaction; its id.
    std::int32_t AddRaw(const std::string& name, const std::vector<unsigned char>& stream, std::int32_t caben,
                        std::int32_t repetir, const std::string& observaciones = {},
                        const std::optional<SheetSize>& sheet = std::nullopt,
                        const FormatBackground* background = nullptr);
    // A copy of row `id` (stream bytes and all, with its paper and picture) named `name`; nothing
    // when `id` is gone.
    std::optional<std::int32_t> Duplicate(std::int32_t id, const std::string& name);
    bool Rename(std::int32_t id, const std::string& name);
    bool Delete(std::int32_t id);

private:
    // Inside the caller's transaction.
    std::int32_t addRow(const std::string& name, const std::vector<unsigned char>& stream, std::int32_t caben,
                        std::int32_t repetir, const std::string& observaciones);

    Database& m_db;
};
