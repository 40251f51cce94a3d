#include "printing/SerialException.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

CSerialException::CSerialException(int error) : m_dwError(error != 0 ? error : errno) {
    // strerror_r's GNU form may return a static text instead of filling the buffer.
    char buffer[256] = {};
    const char* text = strerror_r(m_dwError, buffer, sizeof buffer);
    m_text = text ? text : "";
}

std::string CSerialException::GetErrorMessage() const { return m_text; }

bool CSerialException::GetErrorMessage(char* buffer, std::size_t size) const {
    if (!buffer || size == 0)
        return false;
    buffer[0] = '\0';
    if (m_text.empty())
        return false;
    const std::size_t n = std::min(m_text.size(), size - 1);
    std::memcpy(buffer, m_text.data(), n);
    buffer[n] = '\0';
    return true;
}

void ThrowSerialException(int error) { throw CSerialException(error); }
