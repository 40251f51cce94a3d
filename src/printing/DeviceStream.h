#pragma once

#include <cstddef>
#include <string>

struct TransferControl;

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
    // A network printer: ends the sending side and waits up to `timeoutMs` for the printer to close
    // its own, which it does once it has read everything. 0 when it did; ETIMEDOUT when it said
    // nothing in time; ECONNRESET (or another errno) when it cut the connection, so what the
    // kernel had buffered may never have been read. Anything the printer sends meanwhile (status
    // bytes) is read and dropped. Other streams: 0 at once.
    int FinishTcp(int timeoutMs);
    // Bytes written but not yet taken by the far side (a socket's unacknowledged bytes, a tty's
    // queue); 0 when the device cannot say.
    std::size_t Queued() const;
    bool IsSocket() const { return m_socket; }
    // While set, writes count what the device takes, and writes and FinishTcp end with ECANCELED
    // once control->cancel is set.
    void SetControl(TransferControl* control) { m_control = control; }
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    bool m_socket = false;
    TransferControl* m_control = nullptr;
};
