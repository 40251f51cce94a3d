// The commands around a ticket's text, byte for byte on the wire: the start command and the cutter
// verbatim, the drawer translated as ever; the paper's width; and, on an ESC/POS printer, the logo
// and the SAT's QR as raster pictures (read back with zbarimg), with nothing of it when it is off.
#include "db/Database.h"
#include "invoice/MoneyFormat.h"
#include "printing/EscPos.h"
#include "printing/FormatStore.h"
#include "printing/PrintJob.h"
#include "printing/QrCode.h"
#include "printing/TicketFormat.h"
#include "printing/TicketOutput.h"
#include "printing/TicketPort.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

const std::string kAddress = "https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx?"
                             "id=04BF2854-FE7D-4377-9196-71248F060ABB&re=EKU9003173C9&rr=XAXX010101000&tt=1242.0&fe=5tSZhA==";

CRenglonTicket row(std::int32_t alignment, const std::string& text) {
    CRenglonTicket r;
    r.Alignment = alignment;
    r.Fields = {CRenglonField(text)};
    return r;
}

// A 24-bit BMP `width` × `height`: the left `black` columns black, the rest white.
void writeBmp(const std::string& path, int width, int height, int black) {
    const int stride = (width * 3 + 3) & ~3;
    const int size = 54 + stride * height;
    std::string b(static_cast<std::size_t>(size), '\0');
    auto put32 = [&](int at, int v) {
        for (int i = 0; i < 4; ++i)
            b[static_cast<std::size_t>(at + i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    b[26] = 1;
    b[28] = 24;
    put32(34, stride * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                b[static_cast<std::size_t>(54 + y * stride + x * 3 + c)] = x < black ? '\0' : '\xFF';
    ScratchDir::writeAll(path, b);
}

// One GS v 0 band read from `bytes` at `at`: its row width in bytes, its rows and their bits.
struct Band {
    int rowBytes = 0, rows = 0;
    std::string bits;
};
Band band(const std::string& bytes, std::size_t& at) {
    Band b;
    if (bytes.compare(at, 4, std::string("\x1D\x76\x30\x00", 4)) != 0)
        return b;
    const auto u = [&](std::size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    b.rowBytes = u(4) | (u(5) << 8);
    b.rows = u(6) | (u(7) << 8);
    b.bits = bytes.substr(at + 8, static_cast<std::size_t>(b.rowBytes * b.rows));
    at += 8 + b.bits.size();
    return b;
}

// The consecutive bands from `at` as one picture.
Band picture(const std::string& bytes, std::size_t& at) {
    Band whole;
    while (at < bytes.size()) {
        const Band b = band(bytes, at);
        if (b.rows == 0)
            break;
        EXPECT_LE(b.rows, EscPos::kBandRows);
        whole.rowBytes = b.rowBytes;
        whole.rows += b.rows;
        whole.bits += b.bits;
    }
    return whole;
}

class TicketCommands : public ::testing::Test {
protected:
    void SetUp() override {
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        format.Rows = {row(ALIGN_RIGHT, "TOTAL"), row(ALIGN_CENTER, "GRACIAS")};
        settings.dispositivoLpt1 = dir.file("lpt1.prn");
        settings.comando = "27,112,0,25,250,10";
        settings.comandoCorte = "29,86,65,10";
        settings.comandoInicial = "27,64,27,116,16,10";
        logo = dir.file("logo.bmp");
        writeBmp(logo, 16, 4, 8);
    }
    TicketOutput::Bytes compose(const std::string& qr = {}) {
        CPrintJob values;
        return TicketOutput::Compose(format, values, {}, settings, qr);
    }

    TestDatabase testDb;
    const ScratchDir& dir = testDb.dir();
    CTicketFormat format;
    TicketSettings settings;
    std::string logo;
};

TEST_F(TicketCommands, StartAndCutterGoOutVerbatimTheDrawerTranslatedAndTheWidthIsTheSettings) {
    ASSERT_TRUE(TicketOutput::Send(compose(), settings));
    EXPECT_EQ(ScratchDir::readAll(settings.dispositivoLpt1),
              std::string("\x1B\x40\x1B\x74\x10\x0A", 6) + std::string(35, ' ') + "TOTAL\r\n" + std::string(16, ' ') +
                  "GRACIAS\r\n" + std::string("\x1B\x70\x00\x19\xFA\r\n", 7) + "\x1D\x56\x41\x0A");

    // 58 mm paper: 32 columns; a width out of range (typed by hand) prints at 40.
    settings.columnas = 32;
    EXPECT_EQ(compose().lines.substr(0, 33), std::string(27, ' ') + "TOTAL\n");
    settings.columnas = 3;
    EXPECT_EQ(compose().lines.substr(0, 41), std::string(35, ' ') + "TOTAL\n");

    // ESC/POS off: the logo setting and a stamped document's QR add nothing.
    settings.columnas = 40;
    settings.logo = logo;
    const TicketOutput::Bytes off = compose(kAddress);
    settings.comandoInicial.clear();
    EXPECT_EQ(compose(kAddress).start, "");
    EXPECT_EQ(off.start, std::string("\x1B\x40\x1B\x74\x10\x0A", 6));
    EXPECT_EQ(off.verbatim, "\x1D\x56\x41\x0A");
    settings.escPos = true;
    EXPECT_EQ(compose(kAddress).lines, off.lines) << "the text is the same either way";
}

TEST_F(TicketCommands, EscPosPrintsTheLogoFittedAndTheQrThatReadsBack) {
    settings.escPos = true;
    settings.columnas = 32; // 384 dots, 48 bytes a row
    settings.logo = logo;
    const TicketOutput::Bytes bytes = compose(kAddress);

    // The start command, then the logo centred: 16 dots from dot 184, the left 8 black.
    const std::string init("\x1B\x40\x1B\x74\x10\x0A", 6);
    ASSERT_EQ(bytes.start.substr(0, init.size()), init);
    std::size_t at = init.size();
    const Band logoBand = band(bytes.start, at);
    EXPECT_EQ(logoBand.rowBytes, 48);
    EXPECT_EQ(logoBand.rows, 4);
    EXPECT_EQ(at, bytes.start.size());
    for (int y = 0; y < logoBand.rows; ++y)
        for (int i = 0; i < 48; ++i)
            EXPECT_EQ(static_cast<unsigned char>(logoBand.bits[static_cast<std::size_t>(y * 48 + i)]), i == 23 ? 0xFF : 0)
                << "row " << y << " byte " << i;

    // A logo wider than the paper is made to fit it, in bands no taller than the printer takes.
    writeBmp(logo, 1000, 800, 500);
    const std::string wide = compose().start;
    at = init.size();
    const Band fitted = picture(wide, at);
    EXPECT_EQ(at, wide.size());
    EXPECT_EQ(fitted.rowBytes, 48);
    EXPECT_EQ(fitted.rows, 800 * 384 / 1000);

    // The QR after the text, then blank lines and the cutter; a scanner reads the address.
    at = 0;
    const Band qr = picture(bytes.verbatim, at);
    ASSERT_GT(qr.rows, 0);
    EXPECT_TRUE(bytes.verbatim.substr(at) == "\n\n\n\x1D\x56\x41\x0A") << "the QR, then blank lines and the cutter";
    const int modules = QrCode::Encode(kAddress).size + 2 * QrCode::kQuietZone;
    EXPECT_EQ(qr.rows % modules, 0);
    EXPECT_LE(qr.rows, 384);
    const std::string pbm = dir.file("qr.pbm");
    ScratchDir::writeAll(pbm, "P4\n" + std::to_string(qr.rowBytes * 8) + " " + std::to_string(qr.rows) + "\n" + qr.bits);
    std::string decoded;
    if (std::FILE* p = ::popen(("zbarimg -q --raw " + pbm + " 2>/dev/null").c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, p))
            decoded += buffer;
        ::pclose(p);
    }
    EXPECT_EQ(decoded, kAddress + "\n");

    // No logo file and no stamp: only the commands, as with ESC/POS off.
    settings.logo = dir.file("no-existe.bmp");
    EXPECT_EQ(compose().start, init);
    EXPECT_EQ(compose().verbatim, "\x1D\x56\x41\x0A");
}

TEST_F(TicketCommands, AStampedDocumentsTicketEndsWithItsQrThroughTheStoredFormat) {
    auto db = testDb.create();
    CFormatStore(*db).StoreTicketFormat(format);
    settings.escPos = true;
    CPrintJob job;
    job.Cfdi.present = true;
    job.Cfdi.verificacion = kAddress;
    TicketOutput::Bytes bytes;
    // Sealed, not stamped: no QR yet.
    ASSERT_TRUE(TicketOutput::Prepare(*db, job, settings, bytes));
    EXPECT_EQ(bytes.verbatim, "\x1D\x56\x41\x0A");
    job.Cfdi.stamped = true;
    ASSERT_TRUE(TicketOutput::Prepare(*db, job, settings, bytes));
    EXPECT_EQ(bytes.verbatim.substr(0, 4), std::string("\x1D\x76\x30\x00", 4));
    ASSERT_TRUE(TicketOutput::Send(bytes, settings));
    const std::string wire = ScratchDir::readAll(settings.dispositivoLpt1);
    EXPECT_EQ(wire, TicketOutput::Wire(bytes, true));
    EXPECT_EQ(wire.find("GRACIAS\r\n\x1B\x70"), wire.find("GRACIAS")) << "text, drawer, then the QR";

    // A logo that cannot be read: the ticket goes without it, and says so once sent.
    settings.logo = dir.file("no-existe.png");
    const TicketOutput::Result withoutLogo = TicketOutput::Prepare(*db, job, settings, bytes);
    ASSERT_TRUE(withoutLogo);
    EXPECT_NE(withoutLogo.message.find("no-existe.png"), std::string::npos);
    const TicketOutput::Result sent = TicketOutput::Print(*db, job, settings);
    EXPECT_TRUE(sent);
    EXPECT_EQ(sent.message, withoutLogo.message);
}

} // namespace
