#include "printing/FormatStore.h"

#include "db/FormatosSet.h"
#include "printing/TicketFormat.h"
#include "printing/WindowsFormat.h"

namespace {

constexpr const char* kByIdFilter = "[Id_Formato]=?";
constexpr const char* kTicketFilter = "[Ticket]<>0";

CFormatStore::Result failure(CFormatStore::Status status, const char* message) { return {status, message}; }

} // namespace

CFormatStore::Result CFormatStore::LoadWindowsFormat(std::int32_t id, CWindowsFormat& format) {
    CFormatosSet set(m_db);
    set.m_strFilter = kByIdFilter;
    set.m_filterParams = {DbValue{std::int64_t{id}}};
    set.Open(OpenType::Dynaset);
    if (set.IsEOF())
        return failure(Status::Missing, kUnreadableMessage);
    CWindowsFormat read;
    if (!read.ReadStream(set.m_Detalle))
        return failure(Status::Damaged, kUnreadableMessage);
    read.Caben = set.m_Caben;
    read.Repetir = set.m_Repetir;
    format = std::move(read);
    return {};
}

CFormatStore::Result CFormatStore::LoadTicketFormat(CTicketFormat& format) {
    CFormatosSet set(m_db);
    set.m_strFilter = kTicketFilter;
    set.Open(OpenType::Dynaset);
    if (set.IsEOF())
        return failure(Status::Missing, kNoTicketMessage);
    if (!format.ReadStream(set.m_Detalle))
        return failure(Status::Damaged, kUnreadableMessage);
    return {};
}

void CFormatStore::StoreTicketFormat(const CTicketFormat& format) {
    CFormatosSet set(m_db);
    set.m_strFilter = kTicketFilter;
    set.Open(OpenType::Dynaset);
    if (set.IsEOF())
        set.AddNew();
    else
        set.Edit();
    set.m_Nombre = kTicketName;
    set.m_Ticket = true;
    set.m_Detalle = format.WriteStream();
    set.Update();
}

std::int32_t CFormatStore::AddWindowsFormat(const std::string& name, const CWindowsFormat& format) {
    CFormatosSet set(m_db);
    set.Open(OpenType::Dynaset);
    set.AddNew();
    set.m_Nombre = name;
    set.m_Ticket = false;
    set.m_Caben = format.Caben;
    set.m_Repetir = format.Repetir;
    set.m_Detalle = format.WriteStream();
    set.Update();
    return set.m_Id_Formato;
}

bool CFormatStore::StoreWindowsFormat(std::int32_t id, const CWindowsFormat& format) {
    CFormatosSet set(m_db);
    set.m_strFilter = kByIdFilter;
    set.m_filterParams = {DbValue{std::int64_t{id}}};
    set.Open(OpenType::Dynaset);
    if (set.IsEOF())
        return false;
    set.Edit();
    set.m_Caben = format.Caben;
    set.m_Repetir = format.Repetir;
    set.m_Detalle = format.WriteStream();
    set.Update();
    return true;
}
