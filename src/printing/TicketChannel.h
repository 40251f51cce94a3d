#pragma once

#include "printing/DeviceStream.h"
#include "printing/TicketPort.h"

#include <memory>
#include <string>

class CSerialPort;
struct TransferControl;

// The byte channel to the receipt printer: a serial port opened with the fixed line settings
// (9600 baud, 8 data bits, no parity, 1 stop bit, XON/XOFF), or a stream to a parallel or USB
// printer device, a plain file or a network printer, where every LF goes out as CR LF. Failures
// come back as the operator's message, naming the port, its device and the reason; after any
// failure the channel is closed, so the next ticket opens it afresh.
class CTicketChannel final {
public:
    static constexpr int kConnectTimeoutMs = 4000;
    // A write may take this long plus kWriteTimeoutPerByteMs for each byte (9600 baud moves about
    // one byte a millisecond; the rest is for a printer that holds the line with XOFF).
    static constexpr int kWriteTimeoutMs = 10000;
    static constexpr int kWriteTimeoutPerByteMs = 5;
    // A network printer closes its side this long at most after it got the end of the ticket.
    static constexpr int kConfirmTimeoutMs = 5000;
    static constexpr const char* kCutMessage = "la impresora cortó la conexión: el ticket pudo quedar incompleto";

    CTicketChannel();
    ~CTicketChannel();
    CTicketChannel(const CTicketChannel&) = delete;
    CTicketChannel& operator=(const CTicketChannel&) = delete;

    bool Open(const TicketPort& port);
    // Sends text or raw bytes (translated on every side but the serial one).
    bool Send(const std::string& bytes);
    // Sends bytes exactly as they are on every side: a command whose 10 is a parameter, not a line.
    bool SendVerbatim(const std::string& bytes);
    // Waits (within the write time-out) until a serial line has sent what it queued, then closes.
    // False when the printer held the line so long that the ticket did not go out. A network
    // printer is told the ticket ended and must close its side within confirmTimeoutMs: a reset or
    // an error is a failure (the bytes sat in the kernel's buffers, not in the printer); silence
    // leaves Unconfirmed() set with its message in Error(), and answers true.
    bool Finish(int confirmTimeoutMs = kConfirmTimeoutMs);
    bool Unconfirmed() const { return m_unconfirmed; }
    // Transfers counted and cancellable from another thread (see TransferControl); null for none.
    // A cancelled transfer fails with Cancelled() set and no message of its own.
    void SetControl(TransferControl* control) { m_control = control; }
    bool Cancelled() const { return m_cancelled; }
    // After a cancelled transfer: the bytes the device had taken and passed on (what a serial
    // line or a socket still held when it was dropped is not counted).
    std::size_t Delivered() const { return m_delivered; }
    // Closes at once; what a serial line still queues is dropped, so closing never waits for a
    // stalled printer.
    void Close();
    bool IsOpen() const;

    const std::string& Error() const { return m_error; }
    const TicketPort& Port() const { return m_port; }

private:
    bool write(const std::string& bytes, bool translate);
    bool fail(const std::string& what, int error, const std::string& detail = {});
    bool cancelled();
    void openSerial();

    TicketPort m_port;
    std::unique_ptr<CSerialPort> m_serial;
    CDeviceStream m_stream;
    std::string m_error;
    TransferControl* m_control = nullptr;
    bool m_unconfirmed = false;
    bool m_cancelled = false;
    std::size_t m_delivered = 0;
};
