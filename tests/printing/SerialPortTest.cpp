// The serial port over a pseudo-terminal pair: line settings as the far side reads them, bytes
// unchanged, errors with the system's number and text, and the write time-out.
#include "support/PseudoTerminal.h"
#include "printing/SerialException.h"
#include "printing/SerialPort.h"
#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace {

int errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const CSerialException& e) {
        return e.m_dwError;
    }
    return 0;
}

TEST(SerialPort, OpensWithTheLineSettingsAndSendsBytesUnchanged) {
    PseudoTerminal pty;
    CSerialPort port;
    port.Open(pty.slave(), 9600, CSerialPort::NoParity, 8, CSerialPort::OneStopBit, CSerialPort::XonXoffFlowControl);
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(port.GetBaudRate(), 9600u);

    const termios tio = pty.settings();
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B9600));
    EXPECT_EQ(cfgetispeed(&tio), speed_t(B9600));
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
    EXPECT_EQ(tio.c_cc[VSTART], 17);
    EXPECT_EQ(tio.c_cc[VSTOP], 19);
    EXPECT_FALSE(tio.c_oflag & OPOST) << "LF must not become CR LF on the serial side";

    const std::string bytes("A\nB\x00\x11\x13\xFF\r", 8);
    EXPECT_EQ(port.Write(bytes.data(), bytes.size()), bytes.size());
    EXPECT_EQ(pty.read(), bytes);
    EXPECT_TRUE(port.WaitSent(1000));
    EXPECT_NO_THROW(port.Purge());

    port.SetBaudRate(19200);
    EXPECT_EQ(port.GetBaudRate(), 19200u);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, ParityDataBitsAndStopBitCodes) {
    // A pseudo-terminal keeps neither parity nor data bits, so these are checked on the record.
    auto line = [](CSerialPort::Parity parity, std::uint8_t dataBits, CSerialPort::StopBits stop) {
        termios tio{};
        tio.c_cflag = PARENB | PARODD | CMSPAR | CSTOPB | CS5; // leftovers of a previous user
        CSerialPort::SetLine(tio, 9600, parity, dataBits, stop, CSerialPort::NoFlowControl);
        return tio.c_cflag;
    };
    const tcflag_t parityBits = PARENB | PARODD | CMSPAR;
    EXPECT_EQ(line(CSerialPort::NoParity, 8, CSerialPort::OneStopBit) & parityBits, tcflag_t(0));
    EXPECT_EQ(line(CSerialPort::EvenParity, 8, CSerialPort::OneStopBit) & parityBits, tcflag_t(PARENB));
    EXPECT_EQ(line(CSerialPort::OddParity, 8, CSerialPort::OneStopBit) & parityBits, tcflag_t(PARENB | PARODD));
    EXPECT_EQ(line(CSerialPort::MarkParity, 8, CSerialPort::OneStopBit) & parityBits, parityBits);
    EXPECT_EQ(line(CSerialPort::SpaceParity, 8, CSerialPort::OneStopBit) & parityBits, tcflag_t(PARENB | CMSPAR));
    EXPECT_EQ(line(CSerialPort::NoParity, 7, CSerialPort::OneStopBit) & CSIZE, tcflag_t(CS7));
    EXPECT_EQ(line(CSerialPort::NoParity, 5, CSerialPort::OnePointFiveStopBits) & (CSIZE | CSTOPB), tcflag_t(CS5 | CSTOPB));
    EXPECT_FALSE(line(CSerialPort::NoParity, 8, CSerialPort::OneStopBit) & CSTOPB);
    EXPECT_TRUE(line(CSerialPort::NoParity, 8, CSerialPort::TwoStopBits) & CSTOPB);
    termios tio{};
    EXPECT_EQ(errorOf([&] { CSerialPort::SetLine(tio, 9600, CSerialPort::Parity(9), 8, CSerialPort::OneStopBit,
                                                 CSerialPort::NoFlowControl); }),
              EINVAL);
}

TEST(SerialPort, HardwareFlowStopBitsAndSpeedReachTheLine) {
    PseudoTerminal pty;
    CSerialPort port;
    port.Open(pty.slave(), 2400, CSerialPort::NoParity, 8, CSerialPort::TwoStopBits, CSerialPort::CtsRtsFlowControl);
    termios tio = pty.settings();
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B2400));
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_TRUE(tio.c_cflag & CRTSCTS);
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF));

    // Reopening replaces every setting, not just the ones named.
    port.Open(pty.slave(), 4800, CSerialPort::NoParity, 8, CSerialPort::OneStopBit, CSerialPort::DsrDtrFlowControl);
    tio = pty.settings();
    EXPECT_EQ(cfgetospeed(&tio), speed_t(B4800));
    EXPECT_FALSE(tio.c_cflag & (CSTOPB | CRTSCTS));

    // Settings the line cannot take leave no port open.
    EXPECT_EQ(errorOf([&] { port.Open(pty.slave(), 12345); }), EINVAL);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(errorOf([&] { port.Open(pty.slave(), 9600, CSerialPort::NoParity, 9); }), EINVAL);
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPort, FailuresCarryTheSystemErrorAndItsText) {
    ScratchDir dir;
    CSerialPort port;
    try {
        port.Open(dir.file("no-existe"));
        FAIL() << "opened a missing device";
    } catch (const CSerialException& e) {
        EXPECT_EQ(e.m_dwError, ENOENT);
        EXPECT_EQ(e.GetErrorMessage(), "No such file or directory");
        char small[6];
        EXPECT_TRUE(e.GetErrorMessage(small, sizeof small));
        EXPECT_STREQ(small, "No su");
    }
    // A plain file is no serial port.
    ScratchDir::writeAll(dir.file("archivo"), "x");
    EXPECT_EQ(errorOf([&] { port.Open(dir.file("archivo")); }), ENOTTY);
    EXPECT_FALSE(port.IsOpen());
    // Calls on a closed port.
    char byte = 'x';
    EXPECT_EQ(errorOf([&] { port.Write(&byte, 1); }), EBADF);
    EXPECT_EQ(errorOf([&] { port.SetBreak(); }), EBADF);

    // The port is not shared.
    PseudoTerminal pty;
    port.Open(pty.slave());
    CSerialPort other;
    EXPECT_EQ(errorOf([&] { other.Open(pty.slave()); }), EBUSY);
    port.Close();
    EXPECT_NO_THROW(other.Open(pty.slave()));
}

TEST(SerialPort, AttachAndDetachHandTheDescriptorOver) {
    PseudoTerminal pty;
    CSerialPort port;
    port.Open(pty.slave());
    const int fd = port.Detach();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_NE(::fcntl(fd, F_GETFD), -1) << "Detach must not close";
    CSerialPort taker;
    taker.Attach(fd);
    EXPECT_TRUE(taker.IsOpen());
    EXPECT_EQ(taker.Write("ok", 2), 2u);
    EXPECT_EQ(pty.read(), "ok");
    taker.Close();
    EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
}

TEST(SerialPort, WriteStopsAtItsTimeOutWhileThePrinterHoldsXoff) {
    PseudoTerminal pty;
    CSerialPort port;
    port.Open(pty.slave(), 9600, CSerialPort::NoParity, 8, CSerialPort::OneStopBit, CSerialPort::XonXoffFlowControl);
    SerialTimeouts t;
    t.WriteTotalTimeoutConstant = 200;
    port.SetTimeouts(t);
    SerialTimeouts read;
    port.GetTimeouts(read);
    EXPECT_EQ(read.WriteTotalTimeoutConstant, 200u);

    pty.write("\x13"); // XOFF from the printer
    pty.read(100);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Write("held", 4), 0u);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(150));
    EXPECT_LT(waited, std::chrono::seconds(3));

    pty.write("\x11"); // XON: the line moves again
    port.Set0WriteTimeout();
    EXPECT_EQ(port.Write("go", 2), 2u);
    EXPECT_EQ(pty.read(), "go");
}

TEST(SerialPort, AnUnpluggedLineFailsTheWrite) {
    PseudoTerminal pty;
    CSerialPort port;
    port.Open(pty.slave());
    pty.closeMaster();
    EXPECT_EQ(errorOf([&] { port.Write("x", 1); }), EIO);
}

} // namespace
