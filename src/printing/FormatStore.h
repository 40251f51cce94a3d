#pragma once

#include <cstdint>
#include <string>

class Database;
class CWindowsFormat;
class CTicketFormat;

// Print formats in the table `Formatos`: Windows formats by `Id_Formato`, and the one ticket
// format (the first row with `Ticket` true). Database errors arrive as DbError.
class CFormatStore final {
public:
    static constexpr const char* kUnreadableMessage = "No se pudo leer la definición del formato de impresión";
    static constexpr const char* kNoTicketMessage = "- No esta definido el formato del Ticket -";
    static constexpr const char* kTicketName = "TICKET";

    enum class Status { Loaded, Missing, Damaged };
    // A load's outcome and, when it failed, the operator's message.
    struct Result {
        Status status = Status::Loaded;
        std::string message;
        explicit operator bool() const { return status == Status::Loaded; }
    };

    explicit CFormatStore(Database& db) : m_db(db) {}

    // The format `id` with its Caben and Repetir. A missing row or a damaged stream fails with
    // kUnreadableMessage and leaves `format` unchanged.
    Result LoadWindowsFormat(std::int32_t id, CWindowsFormat& format);
    // The ticket format. Missing: kNoTicketMessage; damaged: kUnreadableMessage.
    Result LoadTicketFormat(CTicketFormat& format);

    // Writes the ticket format into the ticket row, named "TICKET" (a new row when there is none).
    void StoreTicketFormat(const CTicketFormat& format);
    // A new Windows-format row with the stream, Caben and Repetir; its Id_Formato.
    std::int32_t AddWindowsFormat(const std::string& name, const CWindowsFormat& format);
    // Replaces the stream, Caben and Repetir of row `id`; false when there is no such row.
    bool StoreWindowsFormat(std::int32_t id, const CWindowsFormat& format);

private:
    Database& m_db;
};
