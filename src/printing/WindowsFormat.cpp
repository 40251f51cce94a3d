#include "printing/WindowsFormat.h"

#include "printing/Archive.h"
#include "printing/ByteArrayFile.h"

bool CWindowsFormat::ReadStream(const unsigned char* data, std::size_t size, std::size_t* used) {
    CByteArrayFile file(data, size);
    CArchive ar(file, CArchive::load);
    CWindowsFormat read;
    read.DetailTop = ar.ReadInt32();
    read.DetailBottom = ar.ReadInt32();
    read.Pitch = ar.ReadInt32();
    const std::int32_t count = ar.ReadCount(CRenglonFormato::kMinStreamBytes);
    read.Elements.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count && ar.ok(); ++i) {
        CRenglonFormato element;
        element.Load(ar);
        read.Elements.push_back(std::move(element));
    }
    if (!ar.ok())
        return false;
    if (used)
        *used = size - ar.Remaining();
    DetailTop = read.DetailTop;
    DetailBottom = read.DetailBottom;
    Pitch = read.Pitch;
    Elements = std::move(read.Elements);
    return true;
}

CWindowsFormat::Bytes CWindowsFormat::WriteStream() const {
    CByteArrayFile file;
    {
        CArchive ar(file, CArchive::store);
        ar.WriteInt32(DetailTop);
        ar.WriteInt32(DetailBottom);
        ar.WriteInt32(Pitch);
        ar.WriteInt32(static_cast<std::int32_t>(Elements.size()));
        for (const CRenglonFormato& element : Elements)
            element.Store(ar);
    }
    return file.Detach();
}
