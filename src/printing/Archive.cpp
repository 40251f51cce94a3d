#include "printing/Archive.h"

#include "printing/ByteArrayFile.h"
#include "printing/Windows1252.h"

#include <cstring>
#include <stdexcept>
#include <vector>

CArchive::CArchive(CByteArrayFile& file, Mode mode) : m_file(file), m_mode(mode) {}

std::size_t CArchive::Remaining() const { return m_failed ? 0 : m_file.Remaining(); }

bool CArchive::ReadBytes(void* buffer, std::size_t count) {
    if (m_failed || count > m_file.Remaining()) {
        m_failed = true;
        std::memset(buffer, 0, count);
        return false;
    }
    m_file.Read(buffer, count);
    return true;
}

std::uint8_t CArchive::ReadByte() {
    unsigned char b[1];
    ReadBytes(b, 1);
    return b[0];
}

std::uint16_t CArchive::ReadUInt16() {
    unsigned char b[2];
    ReadBytes(b, 2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t CArchive::ReadUInt32() {
    unsigned char b[4];
    ReadBytes(b, 4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::int32_t CArchive::ReadInt32() { return static_cast<std::int32_t>(ReadUInt32()); }

double CArchive::ReadDouble() {
    const std::uint64_t low = ReadUInt32();
    const std::uint64_t bits = low | (static_cast<std::uint64_t>(ReadUInt32()) << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint64_t CArchive::readLongLength(std::uint16_t first) {
    if (first < 0xFFFF)
        return first;
    const std::uint32_t length32 = ReadUInt32();
    if (length32 < 0xFFFFFFFFu)
        return length32;
    const std::uint64_t low = ReadUInt32();
    return low | (static_cast<std::uint64_t>(ReadUInt32()) << 32);
}

std::string CArchive::ReadString() {
    std::uint64_t length = ReadByte();
    bool wide = false;
    if (length == 0xFF) {
        std::uint16_t length16 = ReadUInt16();
        if (length16 == 0xFFFE) {
            // Wide-character marker: the length prefix follows again, counting UTF-16 units.
            wide = true;
            length = ReadByte();
            if (length == 0xFF)
                length = readLongLength(ReadUInt16());
        } else {
            length = readLongLength(length16);
        }
    }
    const std::uint64_t bytes = wide ? length * 2 : length;
    if (m_failed || length > m_file.Remaining() || bytes > m_file.Remaining()) {
        m_failed = true;
        return {};
    }
    std::vector<unsigned char> raw(static_cast<std::size_t>(bytes));
    ReadBytes(raw.data(), raw.size());
    if (wide)
        return Windows1252::Utf16LeToUtf8(raw.data(), raw.size() / 2);
    return Windows1252::ToUtf8(std::string_view(reinterpret_cast<const char*>(raw.data()), raw.size()));
}

std::int32_t CArchive::ReadCount(std::size_t minItemBytes) {
    const std::int32_t count = ReadInt32();
    if (m_failed || count < 0 || (minItemBytes > 0 && static_cast<std::size_t>(count) > Remaining() / minItemBytes)) {
        m_failed = true;
        return 0;
    }
    return count;
}

void CArchive::WriteBytes(const void* data, std::size_t count) { m_file.Write(data, count); }

void CArchive::WriteByte(std::uint8_t value) { WriteBytes(&value, 1); }

void CArchive::WriteUInt16(std::uint16_t value) {
    const unsigned char b[2] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8)};
    WriteBytes(b, 2);
}

void CArchive::WriteUInt32(std::uint32_t value) {
    const unsigned char b[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    WriteBytes(b, 4);
}

void CArchive::WriteInt32(std::int32_t value) { WriteUInt32(static_cast<std::uint32_t>(value)); }

void CArchive::WriteDouble(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteUInt32(static_cast<std::uint32_t>(bits));
    WriteUInt32(static_cast<std::uint32_t>(bits >> 32));
}

void CArchive::WriteString(std::string_view utf8) {
    const std::string bytes = Windows1252::FromUtf8(utf8);
    const std::size_t length = bytes.size();
    if (length < 0xFF) {
        WriteByte(static_cast<std::uint8_t>(length));
    } else if (length < 0xFFFE) {
        WriteByte(0xFF);
        WriteUInt16(static_cast<std::uint16_t>(length));
    } else if (length < 0xFFFFFFFFu) {
        WriteByte(0xFF);
        WriteUInt16(0xFFFF);
        WriteUInt32(static_cast<std::uint32_t>(length));
    } else {
        throw std::length_error("CArchive: string too long for an archive");
    }
    WriteBytes(bytes.data(), length);
}
