#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct TransferControl;

struct termios;

// Read and write time-outs in milliseconds, with the meanings of the serial driver on the other
// platform: a write may take multiplier × bytes + constant; both 0 means no limit.
struct SerialTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

// Bytes waiting in the driver's queues.
struct SerialStatus {
    std::size_t InQueue = 0;
    std::size_t OutQueue = 0;
};

// A serial port over POSIX termios. Every failing call throws CSerialException with the system's
// error number. The descriptor is always non-blocking underneath: Write waits with poll, so a
// write returns when every byte is with the driver or when the write time-out has passed.
// Deleting the object closes the port.
class CSerialPort final {
public:
    enum Parity { EvenParity, MarkParity, NoParity, OddParity, SpaceParity };
    enum StopBits { OneStopBit, OnePointFiveStopBits, TwoStopBits };
    enum FlowControl {
        NoFlowControl,
        CtsRtsFlowControl,
        CtsDtrFlowControl,
        DsrRtsFlowControl,
        DsrDtrFlowControl,
        XonXoffFlowControl
    };

    static constexpr unsigned char kXon = 17;
    static constexpr unsigned char kXoff = 19;

    CSerialPort() = default;
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // The device of port `number` (1 is the first): /dev/ttyS0 for 1.
    static std::string PortDevice(int number);

    // Opens an existing device for reading and writing, exclusively, and sets the line: baud rate,
    // parity, data bits (5 … 8), stop bits and flow control, raw bytes both ways. Modem-line
    // requests that the device refuses (a pseudo-terminal, some USB adapters) are not errors.
    // Linux has no DSR output flow control, no DTR handshake and no 1.5 stop bits: those codes
    // raise the named lines, and 1.5 takes two stop bits as the UART does with 5 data bits.
    // XON/XOFF uses the characters 17 and 19; the driver sets its own thresholds for sending them.
    void Open(const std::string& device, std::uint32_t baudRate = 9600, Parity parity = NoParity,
              std::uint8_t dataBits = 8, StopBits stopBits = OneStopBit, FlowControl flow = NoFlowControl,
              bool overlapped = false);
    // The line settings Open writes, applied to `tio`: raw bytes, the receiver on, modem lines
    // ignored, and the given speed, parity, data bits, stop bits and flow control. Throws EINVAL for
    // a value the line cannot take.
    static void SetLine(termios& tio, std::uint32_t baudRate, Parity parity, std::uint8_t dataBits, StopBits stopBits,
                        FlowControl flow);

    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    bool IsOverlapped() const { return m_overlapped; }
    const std::string& Device() const { return m_device; }

    // Takes over a descriptor (closing the current one first); Detach hands it back and forgets it.
    void Attach(int fd, bool overlapped = false);
    int Detach();

    // Writes `count` bytes; returns how many the driver took, fewer only when the write time-out
    // ran out.
    std::size_t Write(const void* data, std::size_t count);

    // The line's control block (the termios record) and its baud rate.
    void GetState(termios& state) const;
    void SetState(const termios& state);
    void SetBaudRate(std::uint32_t baudRate);
    std::uint32_t GetBaudRate() const;

    void GetTimeouts(SerialTimeouts& timeouts) const;
    void SetTimeouts(const SerialTimeouts& timeouts);
    // Writes wait until done.
    void Set0WriteTimeout();
    // Reads return at once with what is there.
    void Set0ReadTimeout();

    // Waits until the driver has sent every queued byte down the line, at most `timeoutMs`. False
    // when bytes are still waiting (a printer holding XOFF); a driver that keeps no count is done.
    bool WaitSent(int timeoutMs);
    // Bytes the driver still holds for the line (0 when it cannot say).
    std::size_t Queued() const;
    // While set, writes and WaitSent count what the driver takes and give up (returning what was
    // taken, or false) once control->cancel is set.
    void SetControl(TransferControl* control) { m_control = control; }
    // Discards what waits in both queues, so that closing does not wait for a stalled line.
    void Purge();

    // TIOCM_* bits of the modem lines.
    int GetModemStatus() const;
    void SetBreak();
    void ClearBreak();
    // Linux keeps no sticky line-error state; this reports the queues.
    SerialStatus ClearError();
    // Linux sizes its queues itself: accepted and ignored.
    void Setup(std::size_t inQueue, std::size_t outQueue);

private:
    void ensureOpen() const;

    int m_fd = -1;
    bool m_overlapped = false;
    std::string m_device;
    SerialTimeouts m_timeouts;
    TransferControl* m_control = nullptr;
};
