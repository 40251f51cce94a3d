#include "printing/TicketChannel.h"

#include "printing/PortErrorText.h"
#include "printing/SerialException.h"
#include "printing/SerialPort.h"
#include "printing/TransferControl.h"

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

constexpr std::uint32_t kBaudRate = 9600;
constexpr std::size_t kQueueSize = 10000;

// Break and error-clearing calls that a device does not have (a pseudo-terminal, some USB
// adapters) are skipped; they only tidy the line.
template <typename Call>
void tolerant(Call call) {
    try {
        call();
    } catch (const CSerialException& e) {
        if (e.m_dwError != ENOTTY && e.m_dwError != EINVAL && e.m_dwError != EOPNOTSUPP)
            throw;
    }
}

} // namespace

CTicketChannel::CTicketChannel() = default;

CTicketChannel::~CTicketChannel() { Close(); }

bool CTicketChannel::IsOpen() const { return (m_serial && m_serial->IsOpen()) || m_stream.IsOpen(); }

void CTicketChannel::Close() {
    if (m_serial && m_serial->IsOpen()) {
        try {
            m_serial->Purge();
        } catch (const CSerialException&) {
            // An unplugged line has nothing left to drop.
        }
    }
    m_serial.reset();
    m_stream.Close();
}

bool CTicketChannel::cancelled() {
    m_cancelled = true;
    std::size_t written = m_control ? m_control->written.load() : 0;
    const std::size_t queued = m_serial && m_serial->IsOpen() ? m_serial->Queued() : m_stream.Queued();
    m_delivered = written > queued ? written - queued : 0;
    Close();
    m_error.clear();
    return false;
}

bool CTicketChannel::Finish(int confirmTimeoutMs) {
    if (m_serial && m_serial->IsOpen()) {
        try {
            if (!m_serial->WaitSent(kWriteTimeoutMs)) {
                if (m_control && m_control->Cancelled())
                    return cancelled();
                return fail("No se pudo escribir en", ETIMEDOUT);
            }
        } catch (const CSerialException& e) {
            return fail("No se pudo escribir en", e.m_dwError);
        }
    }
    if (m_stream.IsSocket()) {
        const int error = m_stream.FinishTcp(confirmTimeoutMs);
        if (error == ECANCELED)
            return cancelled();
        if (error == ETIMEDOUT) {
            m_unconfirmed = true;
            m_error = "La impresora de tickets " + m_port.description() +
                      " no confirmó que recibió el ticket: revise que haya salido completo.";
        } else if (error != 0) {
            Close();
            m_error = "No se pudo terminar el ticket en la impresora de tickets " + m_port.description() + ": " +
                      kCutMessage + ".";
            return false;
        }
    }
    // Everything left the queue: nothing to drop (on a pseudo-terminal a flush would even take
    // back what the far side has not read yet).
    m_serial.reset();
    m_stream.Close();
    return true;
}

bool CTicketChannel::fail(const std::string& what, int error, const std::string& detail) {
    Close();
    m_error = what + " la impresora de tickets " + m_port.description() + ": " + PortErrorText(error);
    if (!detail.empty())
        m_error += " (" + detail + ")";
    if (error == EACCES || error == EPERM) {
        if (m_port.kind == TicketPort::Kind::Serial)
            m_error += ". Agregue al usuario al grupo dialout y vuelva a entrar al sistema";
        else if (m_port.kind == TicketPort::Kind::Stream)
            m_error += ". Agregue al usuario al grupo lp y vuelva a entrar al sistema";
    }
    m_error += ".";
    return false;
}

void CTicketChannel::openSerial() {
    m_serial = std::make_unique<CSerialPort>();
    CSerialPort& port = *m_serial;
    port.SetControl(m_control);
    port.Open(m_port.device, kBaudRate, CSerialPort::NoParity, 8, CSerialPort::OneStopBit,
              CSerialPort::XonXoffFlowControl, false);
    port.SetBaudRate(kBaudRate);
    // A break pulse on the line between clearing the errors.
    tolerant([&] { port.ClearError(); });
    tolerant([&] { port.SetBreak(); });
    tolerant([&] { port.ClearBreak(); });
    tolerant([&] { port.ClearError(); });
    port.Setup(kQueueSize, kQueueSize);
    port.SetBaudRate(kBaudRate);
    // No time-out at all would let a printer out of paper (holding XOFF) freeze the program.
    SerialTimeouts timeouts;
    timeouts.ReadIntervalTimeout = UINT32_MAX;
    timeouts.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    port.SetTimeouts(timeouts);
}

bool CTicketChannel::Open(const TicketPort& port) {
    Close();
    m_port = port;
    m_error.clear();
    m_unconfirmed = m_cancelled = false;
    m_delivered = 0;
    m_stream.SetControl(m_control);
    if (port.device.empty())
        return fail("No se pudo abrir", ENOENT);
    switch (port.kind) {
    case TicketPort::Kind::Serial:
        try {
            openSerial();
        } catch (const CSerialException& e) {
            return fail("No se pudo abrir", e.m_dwError);
        }
        return true;
    case TicketPort::Kind::Network: {
        std::string detail;
        if (const int error = m_stream.OpenTcp(port.host, port.service, kConnectTimeoutMs, &detail))
            return fail("No se pudo conectar con", error, detail);
        return true;
    }
    case TicketPort::Kind::Stream:
        if (const int error = m_stream.OpenPath(port.device))
            return fail("No se pudo abrir", error);
        return true;
    }
    return false;
}

bool CTicketChannel::Send(const std::string& bytes) { return write(bytes, true); }

bool CTicketChannel::SendVerbatim(const std::string& bytes) { return write(bytes, false); }

bool CTicketChannel::write(const std::string& bytes, bool translate) {
    if (!IsOpen())
        return fail("No se pudo escribir en", EBADF);
    if (m_control && m_control->Cancelled())
        return cancelled();
    if (bytes.empty())
        return true;
    if (m_serial) {
        try {
            if (m_serial->Write(bytes.data(), bytes.size()) != bytes.size()) {
                if (m_control && m_control->Cancelled())
                    return cancelled();
                return fail("No se pudo escribir en", ETIMEDOUT);
            }
        } catch (const CSerialException& e) {
            return fail("No se pudo escribir en", e.m_dwError);
        }
        return true;
    }
    const std::string out = translate && m_port.translatesLineFeeds() ? ExpandLineFeeds(bytes) : bytes;
    const long long limit = kWriteTimeoutMs + static_cast<long long>(kWriteTimeoutPerByteMs) * out.size();
    if (const int error = m_stream.Write(out.data(), out.size(), static_cast<int>(std::min<long long>(limit, INT_MAX)))) {
        if (error == ECANCELED)
            return cancelled();
        // A printer that resets the connection took part of the ticket at most.
        if (m_port.kind == TicketPort::Kind::Network && (error == ECONNRESET || error == EPIPE)) {
            Close();
            m_error = "No se pudo escribir en la impresora de tickets " + m_port.description() + ": " + kCutMessage + ".";
            return false;
        }
        return fail("No se pudo escribir en", error);
    }
    return true;
}
