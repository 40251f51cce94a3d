#pragma once

#include <cstddef>
#include <exception>
#include <string>

// A failed call on a serial port. Carries the system's error number of the failing call; its text
// is the system's message for that number.
class CSerialException final : public std::exception {
public:
    // `error` 0 takes the current errno, for calls that report their failure only there.
    explicit CSerialException(int error = 0);

    int m_dwError = 0;

    // The system's message for m_dwError; empty when the system has none.
    std::string GetErrorMessage() const;
    // The message cut to `size` − 1 bytes and terminated; false (and an empty buffer) when there is
    // no text.
    bool GetErrorMessage(char* buffer, std::size_t size) const;
    const char* what() const noexcept override { return m_text.c_str(); }

private:
    std::string m_text;
};

// Throws CSerialException for `error` (0: the current errno).
[[noreturn]] void ThrowSerialException(int error = 0);
