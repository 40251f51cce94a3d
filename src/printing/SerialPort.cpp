#include "printing/SerialPort.h"

#include "printing/SerialException.h"
#include "printing/TransferControl.h"
#include "toolkit/Deadline.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

struct Speed {
    std::uint32_t baud;
    speed_t code;
};

constexpr Speed kSpeeds[] = {
    {110, B110},     {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},   {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

speed_t speedCode(std::uint32_t baud) {
    for (const Speed& s : kSpeeds)
        if (s.baud == baud)
            return s.code;
    ThrowSerialException(EINVAL);
}

// Raises a modem line. Devices without modem lines (a pseudo-terminal, many USB adapters) refuse
// the request; that leaves the line as it is and is no reason to fail.
void raiseLine(int fd, int line) {
    if (::ioctl(fd, TIOCMBIS, &line) != 0 && errno != ENOTTY && errno != EINVAL)
        ThrowSerialException();
}

} // namespace

CSerialPort::~CSerialPort() { Close(); }

std::string CSerialPort::PortDevice(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "/dev/ttyS%d", number - 1);
    return name;
}

void CSerialPort::ensureOpen() const {
    if (m_fd < 0)
        ThrowSerialException(EBADF);
}

void CSerialPort::Open(const std::string& device, std::uint32_t baudRate, Parity parity, std::uint8_t dataBits,
                       StopBits stopBits, FlowControl flow, bool overlapped) {
    Close();
    // Non-blocking from the start: opening must not wait for a carrier the printer never raises.
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        ThrowSerialException();
    // Not shared: another program writing into the middle of a ticket would garble both. The lock
    // also holds against root, whom TIOCEXCL lets through.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        ThrowSerialException(error);
    }
    termios probe{};
    if (::tcgetattr(fd, &probe) != 0) {
        const int error = errno;
        ::close(fd);
        ThrowSerialException(error);
    }
    ::ioctl(fd, TIOCEXCL);
    m_fd = fd;
    m_device = device;
    m_overlapped = overlapped;
    m_timeouts = {};
    try {
        termios tio{};
        GetState(tio);
        SetLine(tio, baudRate, parity, dataBits, stopBits, flow);
        switch (flow) {
        case CtsRtsFlowControl: case DsrRtsFlowControl: raiseLine(fd, TIOCM_RTS); break;
        case CtsDtrFlowControl: case DsrDtrFlowControl: raiseLine(fd, TIOCM_DTR); break;
        default: break; // XON/XOFF leaves RTS and DTR as the driver has them
        }
        SetState(tio);
    } catch (...) {
        Close();
        throw;
    }
}

void CSerialPort::SetLine(termios& tio, std::uint32_t baudRate, Parity parity, std::uint8_t dataBits, StopBits stopBits,
                          FlowControl flow) {
    // Raw bytes both ways: no echo, no line editing, no translation of CR or LF.
    tio.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
    tio.c_oflag &= ~tcflag_t(OPOST);
    tio.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag |= CLOCAL | CREAD;
    const speed_t speed = speedCode(baudRate);
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);

    tio.c_cflag &= ~tcflag_t(CSIZE);
    switch (dataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    case 8: tio.c_cflag |= CS8; break;
    default: ThrowSerialException(EINVAL);
    }

    tio.c_cflag &= ~tcflag_t(PARENB | PARODD | CMSPAR);
    switch (parity) {
    case NoParity: break;
    case EvenParity: tio.c_cflag |= PARENB; break;
    case OddParity: tio.c_cflag |= PARENB | PARODD; break;
    case MarkParity: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case SpaceParity: tio.c_cflag |= PARENB | CMSPAR; break;
    default: ThrowSerialException(EINVAL);
    }

    switch (stopBits) {
    case OneStopBit: tio.c_cflag &= ~tcflag_t(CSTOPB); break;
    case OnePointFiveStopBits:
    case TwoStopBits: tio.c_cflag |= CSTOPB; break;
    default: ThrowSerialException(EINVAL);
    }

    tio.c_cflag &= ~tcflag_t(CRTSCTS);
    tio.c_iflag &= ~tcflag_t(IXON | IXOFF);
    switch (flow) {
    case NoFlowControl: break;
    case CtsRtsFlowControl:
    case CtsDtrFlowControl: tio.c_cflag |= CRTSCTS; break;
    case DsrRtsFlowControl:
    case DsrDtrFlowControl: break;
    case XonXoffFlowControl:
        // RTS and DTR stay as the driver has them.
        tio.c_iflag |= IXON | IXOFF;
        tio.c_cc[VSTART] = kXon;
        tio.c_cc[VSTOP] = kXoff;
        break;
    default: ThrowSerialException(EINVAL);
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
}

void CSerialPort::Close() {
    if (m_fd >= 0) {
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
    }
    m_fd = -1;
    m_overlapped = false;
    m_device.clear();
}

void CSerialPort::Attach(int fd, bool overlapped) {
    Close();
    m_fd = fd;
    m_overlapped = overlapped;
    if (fd >= 0)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

int CSerialPort::Detach() {
    const int fd = m_fd;
    m_fd = -1;
    m_overlapped = false;
    m_device.clear();
    return fd;
}

std::size_t CSerialPort::Write(const void* data, std::size_t count) {
    ensureOpen();
    const std::uint64_t limitMs =
        std::uint64_t(m_timeouts.WriteTotalTimeoutMultiplier) * count + m_timeouts.WriteTotalTimeoutConstant;
    const Deadline deadline(static_cast<long long>(std::min<std::uint64_t>(limitMs, 1ull << 40)));
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            if (m_control)
                m_control->Count(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            ThrowSerialException();
        if (m_control && m_control->Cancelled())
            break;
        // The driver's queue is full (or the far side sent XOFF): wait for room.
        int waitMs = -1;
        if (limitMs != 0) {
            waitMs = deadline.MsLeft();
            if (waitMs == 0)
                break;
        }
        // A cancelled transfer is noticed within a slice, however long the printer holds XOFF.
        const bool sliced = m_control && (waitMs < 0 || waitMs > TransferControl::kPollSliceMs);
        pollfd pfd{m_fd, POLLOUT, 0};
        const int ready = ::poll(&pfd, 1, sliced ? TransferControl::kPollSliceMs : waitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            ThrowSerialException();
        if (ready == 0 && sliced)
            continue;
        if (ready == 0)
            break;
        if (pfd.revents & POLLNVAL)
            ThrowSerialException(EBADF);
        if ((pfd.revents & (POLLERR | POLLHUP)) && !(pfd.revents & POLLOUT))
            ThrowSerialException(EIO);
    }
    return done;
}

void CSerialPort::GetState(termios& state) const {
    ensureOpen();
    if (::tcgetattr(m_fd, &state) != 0)
        ThrowSerialException();
}

void CSerialPort::SetState(const termios& state) {
    ensureOpen();
    if (::tcsetattr(m_fd, TCSANOW, &state) != 0)
        ThrowSerialException();
}

void CSerialPort::SetBaudRate(std::uint32_t baudRate) {
    termios tio{};
    GetState(tio);
    const speed_t speed = speedCode(baudRate);
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    SetState(tio);
}

std::uint32_t CSerialPort::GetBaudRate() const {
    termios tio{};
    GetState(tio);
    const speed_t speed = ::cfgetospeed(&tio);
    for (const Speed& s : kSpeeds)
        if (s.code == speed)
            return s.baud;
    return 0;
}

void CSerialPort::GetTimeouts(SerialTimeouts& timeouts) const {
    ensureOpen();
    timeouts = m_timeouts;
}

void CSerialPort::SetTimeouts(const SerialTimeouts& timeouts) {
    ensureOpen();
    m_timeouts = timeouts;
}

void CSerialPort::Set0WriteTimeout() {
    ensureOpen();
    m_timeouts.WriteTotalTimeoutMultiplier = 0;
    m_timeouts.WriteTotalTimeoutConstant = 0;
}

void CSerialPort::Set0ReadTimeout() {
    ensureOpen();
    m_timeouts.ReadIntervalTimeout = std::numeric_limits<std::uint32_t>::max();
    m_timeouts.ReadTotalTimeoutMultiplier = 0;
    m_timeouts.ReadTotalTimeoutConstant = 0;
}

bool CSerialPort::WaitSent(int timeoutMs) {
    ensureOpen();
    const Deadline deadline(timeoutMs);
    for (;;) {
        int queued = 0;
        if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return true;
        if (deadline.Passed() || (m_control && m_control->Cancelled()))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::size_t CSerialPort::Queued() const {
    int queued = 0;
    if (m_fd < 0 || ::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued < 0)
        return 0;
    return static_cast<std::size_t>(queued);
}

void CSerialPort::Purge() {
    ensureOpen();
    if (::tcflush(m_fd, TCIOFLUSH) != 0)
        ThrowSerialException();
}

int CSerialPort::GetModemStatus() const {
    ensureOpen();
    int status = 0;
    if (::ioctl(m_fd, TIOCMGET, &status) != 0)
        ThrowSerialException();
    return status;
}

void CSerialPort::SetBreak() {
    ensureOpen();
    if (::ioctl(m_fd, TIOCSBRK) != 0)
        ThrowSerialException();
}

void CSerialPort::ClearBreak() {
    ensureOpen();
    if (::ioctl(m_fd, TIOCCBRK) != 0)
        ThrowSerialException();
}

SerialStatus CSerialPort::ClearError() {
    ensureOpen();
    int in = 0, out = 0;
    if (::ioctl(m_fd, TIOCINQ, &in) != 0 || ::ioctl(m_fd, TIOCOUTQ, &out) != 0)
        ThrowSerialException();
    return {static_cast<std::size_t>(in), static_cast<std::size_t>(out)};
}

void CSerialPort::Setup(std::size_t, std::size_t) { ensureOpen(); }
