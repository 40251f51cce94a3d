#include "printing/ByteArrayFile.h"

#include <cstring>
#include <stdexcept>
#include <utility>

CByteArrayFile::CByteArrayFile(Bytes bytes) { Attach(std::move(bytes)); }

CByteArrayFile::CByteArrayFile(const unsigned char* data, std::size_t size)
    : m_bytes(data, data + size), m_length(size) {}

void CByteArrayFile::Attach(Bytes bytes) {
    m_bytes = std::move(bytes);
    m_length = m_bytes.size();
    m_position = 0;
}

CByteArrayFile::Bytes CByteArrayFile::Detach() {
    m_bytes.resize(m_length);
    Bytes out = std::move(m_bytes);
    m_bytes.clear();
    m_length = 0;
    m_position = 0;
    return out;
}

std::size_t CByteArrayFile::Read(void* buffer, std::size_t count) {
    const std::size_t n = count < Remaining() ? count : Remaining();
    if (n > 0)
        std::memcpy(buffer, m_bytes.data() + m_position, n);
    m_position += n;
    return n;
}

void CByteArrayFile::Write(const void* data, std::size_t count) {
    if (count == 0)
        return;
    if (count > m_bytes.max_size() - m_position)
        throw std::length_error("CByteArrayFile: write past the largest array");
    const std::size_t end = m_position + count;
    if (end > m_bytes.size())
        m_bytes.resize((end + kGrowBytes - 1) / kGrowBytes * kGrowBytes);
    std::memcpy(m_bytes.data() + m_position, data, count);
    m_position = end;
    if (end > m_length)
        m_length = end;
}
