#pragma once

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <chrono>
#include <string>
#include <thread>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal pair: a serial printer whose slave path the program opens as its port, or the
// terminal a command is run from. The test reads and writes the master side.
class PseudoTerminal final {
public:
    PseudoTerminal() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_slave = ::ptsname(m_master);
        // Holding the slave open keeps the pair alive between the program's opens and closes.
        m_hold = ::open(m_slave.c_str(), O_RDWR | O_NOCTTY);
    }
    ~PseudoTerminal() {
        closeMaster();
        if (m_hold >= 0)
            ::close(m_hold);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& slave() const { return m_slave; }
    int master() const { return m_master; }

    // The slave's line settings (termios requests on the master reach the slave).
    termios settings() const {
        termios tio{};
        ::tcgetattr(m_master, &tio);
        return tio;
    }

    // Everything that arrives within `quietMs` of the last byte.
    std::string read(int quietMs = 200) const {
        std::string bytes;
        for (;;) {
            pollfd pfd{m_master, POLLIN, 0};
            if (::poll(&pfd, 1, quietMs) <= 0 || !(pfd.revents & POLLIN))
                return bytes;
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                return bytes;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
    }
    void write(const std::string& bytes) const {
        if (::write(m_master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("cannot write to the pseudo-terminal");
    }
    // The printer holds the line (XOFF) before the program opens it. The kernel takes the byte on
    // a worker thread; a port opened and flushed before that would drop it unread, so it is given
    // time to land first.
    void holdLine() const {
        write("\x13");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    // The printer unplugged: writes on the slave fail from now on.
    void closeMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
        if (m_hold >= 0)
            ::close(m_hold);
        m_hold = -1;
    }

private:
    int m_master = -1;
    int m_hold = -1;
    std::string m_slave;
};
