#pragma once

#include "config/OldDatabase.h"

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Reads a version 1.3 file in a child process: libmdb can loop forever or print its warnings on a
// damaged file, so it never runs in the program itself. The child (quintaleva-lector13, in
// libexec/quintaleva when installed, beside the programs in a build tree) answers over a pipe; its output and errors go to another pipe, kept only for
// the technician's detail. A time limit that grows with the file's size, a cancel, a crash or an
// answer that does not decode all end with the child killed and the rows left empty.
class COldDatabaseProcess final {
public:
    static constexpr const char* kMsgUnreadable = "- El archivo de Quintaleva 1.3 está dañado o no se puede leer -";
    static constexpr const char* kProgramName = "quintaleva-lector13";
    // Points the parent at another reader program (tests, a build tree).
    static constexpr const char* kProgramEnv = "QUINTALEVA_LECTOR13";

    // Polled every few milliseconds while the child reads; true stops it. The program's progress
    // dialog processes its events here.
    using Cancel = std::function<bool()>;

    struct Options {
        std::string program;                // empty: ProgramPath()
        std::vector<std::string> arguments; // given before the file's path
        int limitMs = 0;                    // 0: TimeLimitMs() of the file's size
        std::function<void(pid_t)> started; // told the child's id (tests kill it by hand)
    };

    // True with the rows in `old`. False with the operator's message in Error() (a technician's
    // detail may follow it after a blank line) and `old` empty.
    bool Read(const std::string& path, COldDatabase& old, const Cancel& cancel, const Options& options);
    bool Read(const std::string& path, COldDatabase& old, const Cancel& cancel = {}) {
        return Read(path, old, cancel, Options());
    }
    bool Cancelled() const { return m_cancelled; }
    const std::string& Error() const { return m_error; }
    // The whole technical detail of the last failure (what the child printed, each line once with
    // its count), of which Error() shows the first characters.
    const std::string& Detail() const { return m_detail; }

    static int TimeLimitMs(std::uintmax_t fileBytes);
    // $QUINTALEVA_LECTOR13, else quintaleva-lector13 where InstallLayout puts it for the running program.
    static std::string ProgramPath();

    // The child's side: reads `path` and writes the answer to `fd`. Returns the exit code.
    static int Serve(const std::string& path, int fd);

private:
    bool Fail(const std::string& message, const std::string& detail = {});
    std::string m_error;
    std::string m_detail;
    bool m_cancelled = false;
};
