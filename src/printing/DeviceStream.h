#pragma once

#include <cstddef>
#include <string>

// A write-only byte stream to a printer device, a plain file or a TCP printer, with time-outs so
// that an unplugged or paused printer never holds the caller longer than asked. Failures are
// system error numbers.
class CDeviceStream final {
public:
    CDeviceStream() = default;
    ~CDeviceStream();
    CDeviceStream(const CDeviceStream&) = delete;
    CDeviceStream& operator=(const CDeviceStream&) = delete;

    // A device (anything under /dev/, or an existing non-regular file) is opened as it is; it must
    // exist. A plain file is created or emptied, as a text stream opened for writing is. 0 or errno.
    int OpenPath(const std::string& path);
    // Connects to HOST:SERVICE within `timeoutMs`. 0 or errno; a host name that does not resolve
    // gives EHOSTUNREACH, with the resolver's text in *detail.
    int OpenTcp(const std::string& host, const std::string& service, int timeoutMs, std::string* detail = nullptr);
    // Every byte, or ETIMEDOUT when `timeoutMs` passes first. 0 or errno.
    int Write(const void* data, std::size_t count, int timeoutMs);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    bool m_socket = false;
};
