#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CByteArrayFile;

// The framework's archive encoding over a byte-array file: little-endian integers and doubles, and
// the archive string (a 1-byte length below 255; 0xFF and a 16-bit length below 0xFFFE; else 0xFF,
// 0xFFFF and a 32-bit length; then Windows-1252 bytes). Texts are UTF-8 on our side.
//
// Reading never throws and never reads past the data: the first read that runs out of bytes, or
// meets a length or count that cannot fit in what is left, marks the archive failed, and from then
// on every read gives 0 or "". Callers check ok() once at the end.
class CArchive final {
public:
    enum Mode { load, store };

    CArchive(CByteArrayFile& file, Mode mode);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return m_mode == load; }
    bool ok() const { return !m_failed; }
    void Fail() { m_failed = true; }
    // Bytes not yet read; 0 after a failure.
    std::size_t Remaining() const;

    std::uint8_t ReadByte();
    std::uint16_t ReadUInt16();
    std::uint32_t ReadUInt32();
    std::int32_t ReadInt32();
    double ReadDouble();
    // False (and failed) when fewer than `count` bytes are left; the buffer is then zeroed.
    bool ReadBytes(void* buffer, std::size_t count);
    // An archive string; the UTF-16 form (marker 0xFF 0xFFFE before the length) is read too.
    std::string ReadString();
    // A count of items that take at least `minItemBytes` each: a negative count, or one that the
    // bytes left cannot hold, fails the archive and gives 0.
    std::int32_t ReadCount(std::size_t minItemBytes);

    void WriteByte(std::uint8_t value);
    void WriteUInt16(std::uint16_t value);
    void WriteUInt32(std::uint32_t value);
    void WriteInt32(std::int32_t value);
    void WriteDouble(double value);
    void WriteBytes(const void* data, std::size_t count);
    // Converted to Windows-1252 (characters outside it become "?"), never in the wide form.
    void WriteString(std::string_view utf8);

private:
    // The length that follows a 0xFF byte: 16-bit, or 32-bit (or 64-bit) after the escape values.
    std::uint64_t readLongLength(std::uint16_t first);

    CByteArrayFile& m_file;
    Mode m_mode;
    bool m_failed = false;
};
