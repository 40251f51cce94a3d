#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// A file written under a temporary name in its target's folder and renamed over the target by
// Commit(), so the target is either replaced whole or left as it was. Without a Commit() (an
// error, a cancel, an exception) the temporary file is removed when the object goes.
class CAtomicFile final {
public:
    explicit CAtomicFile(std::string target);
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Each false leaves the operator's message in Error(): "No se pudo escribir el archivo
    // TARGET: reason", the reason in Spanish for the usual causes.
    bool Open();
    bool Write(std::string_view bytes);
    // Overwrites bytes already written at `offset` (a count fixed once the rest is known); the
    // next Write() goes on at the end.
    bool WriteAt(long offset, std::string_view bytes);
    bool Commit();
    const std::string& Error() const { return m_error; }

    // The Spanish reason for a file error number (errno).
    static std::string ReasonText(int error);

private:
    bool fail(int error);
    void discard();

    std::string m_target;
    std::string m_temp;
    std::FILE* m_file = nullptr;
    std::string m_error;
};
