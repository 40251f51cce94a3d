#pragma once

#include <cstddef>
#include <vector>

// An in-memory file over the byte array of a `Formatos.Detalle` value, so that an archive can read
// a stored format from it or write a new one into it. Writing grows the array in steps of
// kGrowBytes; Detach() hands back exactly the bytes written.
class CByteArrayFile final {
public:
    using Bytes = std::vector<unsigned char>;
    static constexpr std::size_t kGrowBytes = 4096;

    CByteArrayFile() = default;
    // Reads start at the first byte; writes overwrite from there.
    explicit CByteArrayFile(Bytes bytes);
    CByteArrayFile(const unsigned char* data, std::size_t size);

    void Attach(Bytes bytes);
    // The bytes up to the file's length; the file is left empty.
    Bytes Detach();

    // Copies up to `count` bytes from the current position; the number copied.
    std::size_t Read(void* buffer, std::size_t count);
    void Write(const void* data, std::size_t count);

    std::size_t GetLength() const { return m_length; }
    std::size_t GetPosition() const { return m_position; }
    std::size_t Remaining() const { return m_length - m_position; }
    void SeekToBegin() { m_position = 0; }

private:
    Bytes m_bytes;           // allocated size, a multiple of kGrowBytes once written
    std::size_t m_length = 0;
    std::size_t m_position = 0;
};
