#include "printing/TicketFormat.h"

#include "printing/Archive.h"
#include "printing/ByteArrayFile.h"

bool CTicketFormat::ReadStream(const unsigned char* data, std::size_t size) {
    CByteArrayFile file(data, size);
    CArchive ar(file, CArchive::load);
    const std::int32_t count = ar.ReadCount(CRenglonTicket::kMinStreamBytes);
    std::vector<CRenglonTicket> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count && ar.ok(); ++i) {
        CRenglonTicket row;
        row.Load(ar);
        rows.push_back(std::move(row));
    }
    if (!ar.ok())
        return false;
    Rows = std::move(rows);
    return true;
}

CTicketFormat::Bytes CTicketFormat::WriteStream() const {
    CByteArrayFile file;
    {
        CArchive ar(file, CArchive::store);
        ar.WriteInt32(static_cast<std::int32_t>(Rows.size()));
        for (const CRenglonTicket& row : Rows)
            row.Store(ar);
    }
    return file.Detach();
}
