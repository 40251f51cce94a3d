// The ticket channel on each kind of device: a serial port (pseudo-terminal), a parallel device
// that is a file, a network printer on a loopback listener; and what the operator is told when
// a device fails, after which the next ticket goes out.
#include "support/PseudoTerminal.h"
#include "printing/DeviceStream.h"
#include "printing/TicketChannel.h"
#include "printing/TicketOutput.h"
#include "printing/TicketPort.h"
#include "printing/TransferControl.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>

namespace {

// A network receipt printer on 127.0.0.1: accepts one connection and keeps what arrives until
// the sender closes (or two seconds pass).
class LoopbackPrinter final {
public:
    LoopbackPrinter() {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), length) != 0 || ::listen(m_fd, 1) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0)
            throw std::runtime_error("no loopback listener");
        m_port = ntohs(addr.sin_port);
        m_received = std::async(std::launch::async, [fd = m_fd] {
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, 2000) <= 0)
                return std::string();
            const int client = ::accept(fd, nullptr, nullptr);
            std::string bytes;
            char buffer[4096];
            for (;;) {
                pollfd cp{client, POLLIN, 0};
                if (::poll(&cp, 1, 2000) <= 0)
                    break;
                const ssize_t n = ::read(client, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                bytes.append(buffer, static_cast<std::size_t>(n));
            }
            ::close(client);
            return bytes;
        });
    }
    ~LoopbackPrinter() {
        if (m_received.valid())
            m_received.wait();
        ::close(m_fd);
    }
    std::string address() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }
    std::string received() { return m_received.get(); }

private:
    int m_fd = -1;
    int m_port = 0;
    std::future<std::string> m_received;
};

// A loopback port on which nobody listens.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    ::close(fd);
    return ntohs(addr.sin_port);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(TicketPort, PortChoiceGivesTheConfiguredDeviceAndItsKind) {
    TicketSettings s;
    s.dispositivoLpt2 = "/dev/usb/lp0";
    s.dispositivoCom2 = "/dev/ttyUSB0";
    const TicketPort lpt1 = TicketPort::ForSettings(s);
    EXPECT_EQ(lpt1.description(), "LPT1 (/dev/lp0)");
    EXPECT_EQ(lpt1.kind, TicketPort::Kind::Stream);
    s.pPos = 1;
    EXPECT_EQ(TicketPort::ForSettings(s).device, "/dev/usb/lp0");
    s.pPos = 2;
    EXPECT_EQ(TicketPort::ForSettings(s).description(), "COM1 (/dev/ttyS0)");
    EXPECT_EQ(TicketPort::ForSettings(s).kind, TicketPort::Kind::Serial);
    EXPECT_FALSE(TicketPort::ForSettings(s).translatesLineFeeds());
    s.pPos = 3;
    EXPECT_EQ(TicketPort::ForSettings(s).device, "/dev/ttyUSB0");
    s.pPos = 7; // a damaged setting
    EXPECT_EQ(TicketPort::ForSettings(s).name, "LPT1");

    s.pPos = 0;
    s.dispositivoLpt1 = "tcp://192.0.2.7:9101";
    TicketPort net = TicketPort::ForSettings(s);
    EXPECT_EQ(net.kind, TicketPort::Kind::Network);
    EXPECT_EQ(net.host, "192.0.2.7");
    EXPECT_EQ(net.service, "9101");
    s.dispositivoLpt1 = "tcp://impresora-caja";
    net = TicketPort::ForSettings(s);
    EXPECT_EQ(net.host, "impresora-caja");
    EXPECT_EQ(net.service, "9100");
    s.dispositivoLpt1 = "tcp://[::1]:9100";
    EXPECT_EQ(TicketPort::ForSettings(s).host, "::1");

    EXPECT_EQ(ExpandLineFeeds("A\nB\n\n"), "A\r\nB\r\n\r\n");
}

TEST(TicketChannel, SerialPortGetsTheFixedLineAndUnchangedBytes) {
    PseudoTerminal pty;
    TicketSettings s;
    s.pPos = 2;
    s.dispositivoCom1 = pty.slave();
    EXPECT_TRUE(TicketOutput::Send(std::string("A\nB\x1Bp\x00", 6), s));
    EXPECT_EQ(pty.read(), std::string("A\nB\x1Bp\x00", 6));
    const termios tio = pty.settings();
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B9600));
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t(CS8));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
}

TEST(TicketChannel, ParallelFileAndNetworkPrinterGetCrLf) {
    ScratchDir dir;
    TicketSettings s;
    s.pPos = 1;
    s.dispositivoLpt2 = dir.file("lpt2.prn");
    EXPECT_TRUE(TicketOutput::Send("A\nB\n", s));
    EXPECT_EQ(ScratchDir::readAll(s.dispositivoLpt2), "A\r\nB\r\n");
    // Each ticket replaces the file's content, as a stream opened for writing does.
    EXPECT_TRUE(TicketOutput::Send("C\n", s));
    EXPECT_EQ(ScratchDir::readAll(s.dispositivoLpt2), "C\r\n");
    // The cutter's command goes out byte for byte: its 10 is a parameter, not a line feed.
    EXPECT_TRUE(TicketOutput::Send(TicketOutput::Bytes{"D\n\x1Bp\n", "\x1D\x56\x41\x0A", {}}, s));
    EXPECT_EQ(ScratchDir::readAll(s.dispositivoLpt2), "D\r\n\x1Bp\r\n\x1D\x56\x41\x0A");

    LoopbackPrinter printer;
    s.pPos = 0;
    s.dispositivoLpt1 = printer.address();
    std::string ticket(20000, 'x');
    ticket += "\nfin\n";
    const TicketOutput::Result sent = TicketOutput::Send(TicketOutput::Bytes{ticket, "\x1D\x56\x41\x0A", {}}, s);
    EXPECT_TRUE(sent);
    EXPECT_EQ(sent.message, "") << "the printer read it all and closed: confirmed";
    EXPECT_EQ(printer.received(), ExpandLineFeeds(ticket) + "\x1D\x56\x41\x0A");
}

TEST(TicketChannel, DevicesThatFailSayWhichAndWhyAndSendNothing) {
    ScratchDir dir;
    TicketSettings s;
    s.dispositivoLpt1 = "/dev/quintaleva-no-existe";
    TicketOutput::Result r = TicketOutput::Send("A\n", s);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.message,
              "No se pudo abrir la impresora de tickets LPT1 (/dev/quintaleva-no-existe): el dispositivo no existe.");
    EXPECT_FALSE(std::filesystem::exists(s.dispositivoLpt1)) << "a missing device must not become a file";

    s.dispositivoLpt1 = dir.path().string();
    r = TicketOutput::Send("A\n", s);
    EXPECT_TRUE(contains(r.message, "es una carpeta")) << r.message;

    s.dispositivoLpt1 = "";
    EXPECT_FALSE(TicketOutput::Send("A\n", s));

    s.pPos = 2;
    s.dispositivoCom1 = dir.file("archivo");
    ScratchDir::writeAll(s.dispositivoCom1, "");
    r = TicketOutput::Send("A\n", s);
    EXPECT_TRUE(contains(r.message, "COM1 (" + s.dispositivoCom1 + "): no es un puerto serie")) << r.message;
    EXPECT_EQ(ScratchDir::readAll(s.dispositivoCom1), "");

    s.pPos = 0;
    s.dispositivoLpt1 = "tcp://127.0.0.1:" + std::to_string(closedPort());
    r = TicketOutput::Send("A\n", s);
    EXPECT_EQ(r.message, "No se pudo conectar con la impresora de tickets LPT1 (" + s.dispositivoLpt1 +
                             "): la impresora rechazó la conexión.");
    s.dispositivoLpt1 = "tcp://nombre-que-no-existe.invalid:9100";
    r = TicketOutput::Send("A\n", s);
    EXPECT_TRUE(contains(r.message, "no se puede llegar a la impresora por la red")) << r.message;

    // Without permission the message names the group to join. A read-only kernel attribute
    // refuses writing even to root, who passes every file permission.
    const std::string readOnly = "/sys/kernel/uevent_seqnum";
    if (::access(readOnly.c_str(), F_OK) == 0) {
        s.pPos = 0;
        s.dispositivoLpt1 = readOnly;
        r = TicketOutput::Send("A\n", s);
        EXPECT_EQ(r.message, "No se pudo abrir la impresora de tickets LPT1 (" + readOnly +
                                 "): no tiene permiso para usarlo. Agregue al usuario al grupo lp y vuelva a entrar "
                                 "al sistema.");
        s.pPos = 3;
        s.dispositivoCom2 = readOnly;
        r = TicketOutput::Send("A\n", s);
        EXPECT_TRUE(contains(r.message, "COM2 (" + readOnly + "): no tiene permiso para usarlo. Agregue al usuario al "
                                        "grupo dialout"))
            << r.message;
    }

    // The next ticket, to a device that works, goes out.
    s.pPos = 0;
    s.dispositivoLpt1 = dir.file("bien.prn");
    EXPECT_TRUE(TicketOutput::Send("A\n", s));
    EXPECT_EQ(ScratchDir::readAll(s.dispositivoLpt1), "A\r\n");
}

TEST(TicketChannel, PrinterUnpluggedMidTicketReleasesThePort) {
    auto pty = std::make_unique<PseudoTerminal>();
    TicketPort port;
    port.kind = TicketPort::Kind::Serial;
    port.name = "COM1";
    port.device = pty->slave();
    CTicketChannel channel;
    ASSERT_TRUE(channel.Open(port)) << channel.Error();
    EXPECT_TRUE(channel.Send("primera parte\n"));
    EXPECT_EQ(pty->read(), "primera parte\n");
    pty->closeMaster();
    EXPECT_FALSE(channel.Send("resto\n"));
    EXPECT_EQ(channel.Error(), "No se pudo escribir en la impresora de tickets COM1 (" + port.device +
                                   "): error de entrada/salida (¿impresora desconectada o apagada?).");
    EXPECT_FALSE(channel.IsOpen());

    // Plugged in again (a new line): the same channel opens and prints.
    pty = std::make_unique<PseudoTerminal>();
    port.device = pty->slave();
    ASSERT_TRUE(channel.Open(port)) << channel.Error();
    EXPECT_TRUE(channel.Send("otra\n"));
    EXPECT_TRUE(channel.Finish());
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(pty->read(), "otra\n");
}

TEST(TicketChannel, AStalledNetworkPrinterEndsTheWriteAtItsTimeOut) {
    // A listener that accepts (the kernel does, from its backlog) but never reads.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), length), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &length);
    CDeviceStream stream;
    ASSERT_EQ(stream.OpenTcp("127.0.0.1", std::to_string(ntohs(addr.sin_port)), 2000), 0);
    const std::string big(64 << 20, 'x');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(stream.Write(big.data(), big.size(), 300), ETIMEDOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ::close(listener);
}

TEST(TicketChannel, AReaderThatGoesAwayIsAnErrorNotTheProgramsEnd) {
    ScratchDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Nobody reading: the device is not there.
    TicketSettings s;
    s.dispositivoLpt1 = fifo;
    EXPECT_TRUE(contains(TicketOutput::Send("A\n", s).message, "no está conectado"));

    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    TicketPort port = TicketPort::ForSettings(s);
    CTicketChannel channel;
    ASSERT_TRUE(channel.Open(port)) << channel.Error();
    ::close(reader);
    EXPECT_FALSE(channel.Send("A\n")); // SIGPIPE would have ended the test program
    EXPECT_TRUE(contains(channel.Error(), "cerró la conexión")) << channel.Error();
}

} // namespace

namespace {

// A loopback listener on 127.0.0.1 that takes one connection and does `serve` with it.
class LoopbackServer final {
public:
    explicit LoopbackServer(std::function<void(int)> serve) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), length) != 0 || ::listen(m_fd, 1) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0)
            throw std::runtime_error("no loopback listener");
        m_port = ntohs(addr.sin_port);
        m_done = std::async(std::launch::async, [fd = m_fd, serve = std::move(serve)] {
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, 3000) <= 0)
                return;
            serve(::accept(fd, nullptr, nullptr));
        });
    }
    ~LoopbackServer() {
        m_done.wait();
        ::close(m_fd);
    }
    TicketPort port() const {
        TicketSettings s;
        s.dispositivoLpt1 = "tcp://127.0.0.1:" + std::to_string(m_port);
        return TicketPort::ForSettings(s);
    }

private:
    int m_fd = -1;
    int m_port = 0;
    std::future<void> m_done;
};

// Closing with a zero linger time resets the connection instead of ending it.
void reset(int client) {
    const linger now{1, 0};
    ::setsockopt(client, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    ::close(client);
}

std::size_t readSome(int client, std::size_t atMost) {
    std::size_t got = 0;
    char buffer[4096];
    while (got < atMost) {
        pollfd pfd{client, POLLIN, 0};
        if (::poll(&pfd, 1, 2000) <= 0)
            break;
        const ssize_t n = ::read(client, buffer, std::min(sizeof buffer, atMost - got));
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

const std::string kCut = "la impresora cortó la conexión: el ticket pudo quedar incompleto";

} // namespace

TEST(TicketChannel, ANetworkPrinterThatCutsOrNeverAnswersIsNotReportedAsSent) {
    // Reset after the whole ticket reached the kernel but before the printer said it read it.
    {
        LoopbackServer printer([](int client) {
            readSome(client, 3);
            reset(client);
        });
        CTicketChannel channel;
        ASSERT_TRUE(channel.Open(printer.port())) << channel.Error();
        ASSERT_TRUE(channel.Send(std::string(64, 'x') + "\n"));
        EXPECT_FALSE(channel.Finish());
        EXPECT_TRUE(contains(channel.Error(), kCut)) << channel.Error();
        EXPECT_FALSE(channel.IsOpen());
    }
    // Reset in the middle of a ticket larger than the kernel's buffers: the write itself fails.
    {
        LoopbackServer printer([](int client) {
            readSome(client, 1000);
            reset(client);
        });
        TicketSettings s;
        s.dispositivoLpt1 = printer.port().device;
        const TicketOutput::Result r = TicketOutput::Send(std::string(16 << 20, 'x'), s);
        EXPECT_FALSE(r);
        EXPECT_TRUE(contains(r.message, kCut)) << r.message;
    }
    // Accepted, never read, never closed: the bytes sit in the kernel; that is not a confirmation.
    {
        std::promise<void> release;
        LoopbackServer printer([done = release.get_future().share()](int client) {
            done.wait_for(std::chrono::seconds(5));
            ::close(client);
        });
        CTicketChannel channel;
        ASSERT_TRUE(channel.Open(printer.port())) << channel.Error();
        ASSERT_TRUE(channel.Send("A\n"));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(channel.Finish(300));
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
        EXPECT_TRUE(channel.Unconfirmed());
        EXPECT_TRUE(contains(channel.Error(), "no confirmó")) << channel.Error();
        release.set_value();
    }
    // A printer that reads to the end and closes confirms the ticket.
    {
        LoopbackServer printer([](int client) {
            readSome(client, 1 << 20);
            ::close(client);
        });
        CTicketChannel channel;
        ASSERT_TRUE(channel.Open(printer.port())) << channel.Error();
        ASSERT_TRUE(channel.Send("A\n"));
        EXPECT_TRUE(channel.Finish());
        EXPECT_FALSE(channel.Unconfirmed());
        EXPECT_EQ(channel.Error(), "");
    }
}

TEST(TicketChannel, AStalledSerialPrinterIsCancelledFromAnotherThreadAndReleasesThePort) {
    PseudoTerminal pty;
    TicketSettings s;
    s.pPos = 2;
    s.dispositivoCom1 = pty.slave();
    // Paper out: the printer holds the line with XOFF before the ticket starts.
    TransferControl control;
    pty.holdLine();
    const std::string ticket(3000, 'x');
    const auto start = std::chrono::steady_clock::now();
    auto sending = std::async(std::launch::async,
                              [&] { return TicketOutput::Send(TicketOutput::Bytes{ticket, {}, {}}, s, &control); });
    EXPECT_EQ(sending.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout) << "the line is held";
    control.cancel = true;
    ASSERT_EQ(sending.wait_for(std::chrono::seconds(2)), std::future_status::ready) << "cancelling ends the wait";
    const TicketOutput::Result r = sending.get();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(r);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.total, ticket.size());
    EXPECT_LT(r.sent, ticket.size());
    // Released: what reached the printer is no more than was counted, and the next ticket goes out.
    pty.write("\x11");
    EXPECT_LE(pty.read().size(), r.sent);
    EXPECT_TRUE(TicketOutput::Send("otra\n", s));
    EXPECT_EQ(pty.read(), "otra\n");
}
