// The bytes of a ticket: alignment in 40 columns, the detail block, the Windows-1252 text, the
// drawer and cutter commands; and a stored document printed end to end into a file "device".
#include "db/BusinessData.h"
#include "db/Database.h"
#include "db/FormatosSet.h"
#include "invoice/MoneyFormat.h"
#include "invoice/Partida.h"
#include "printing/DrawerCommand.h"
#include "printing/FormatData.h"
#include "printing/FormatStore.h"
#include "printing/PrintJob.h"
#include "printing/SampleValues.h"
#include "printing/TicketFormat.h"
#include "printing/TicketOutput.h"
#include "printing/TicketPort.h"
#include "printing/Windows1252.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

CRenglonTicket row(std::int32_t alignment, std::initializer_list<CRenglonField> fields) {
    CRenglonTicket r;
    r.Alignment = alignment;
    r.Fields.assign(fields);
    return r;
}
CRenglonField text(const std::string& t) { return CRenglonField(t); }
CRenglonField detail(int index) { return CRenglonField(FIELD_DETAIL, index, 0); }
CRenglonField doc(int index) { return CRenglonField(FIELD_DOC, index, 0); }
std::string spaces(std::size_t n) { return std::string(n, ' '); }

CPartida line(const std::string& clave) {
    CPartida p;
    p.Clave = clave;
    p.Descripcion = "Articulo " + clave;
    p.Precio = 10;
    p.Cantidad = 1;
    p.Recalculate();
    return p;
}

class TicketBytes : public ::testing::Test {
protected:
    void SetUp() override {
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        job.Folio = 523;
        auto& r = format.Rows;
        r.push_back(row(ALIGN_RIGHT, {text("Hola!")}));
        r.push_back(row(ALIGN_CENTER, {text("Ticket7")}));
        r.push_back(row(ALIGN_LEFT, {text(std::string(45, 'X'))}));
        r.push_back(row(ALIGN_LEFT, {text("#"), detail(0)}));
        r.push_back(row(ALIGN_LEFT, {text("medio")}));
        r.push_back(row(ALIGN_LEFT, {text("clave "), detail(1)}));
        for (const char* name : {"d3 ", "d4 ", "d5 ", "d6 "})
            r.push_back(row(ALIGN_LEFT, {text(name), detail(0)}));
        r.push_back(row(ALIGN_RIGHT, {text("Folio "), doc(1)}));
    }

    CTicketFormat format;
    CPrintJob job;
};

TEST_F(TicketBytes, RowsAlignInFortyColumnsAndDetailRowsPrintPerLine) {
    job.Lines = {line("S001"), line("S002"), line("S003")};
    std::string expected = spaces(35) + "Hola!\n" + spaces(16) + "Ticket7\n" + std::string(45, 'X') + "\n";
    // Only the first five detail rows, once per line, where the first of them stands.
    for (const char* n : {"1", "2", "3"})
        expected += std::string("#") + n + "\nclave S00" + n + "\nd3 " + n + "\nd4 " + n + "\nd5 " + n + "\n";
    expected += "medio\n" + spaces(28) + "Folio 000523\n";
    EXPECT_EQ(TicketOutput::ComposeText(format, job, job.Lines), expected);
    EXPECT_EQ(job.CurrentLine, nullptr);

    // No lines: no detail block, the rest as before.
    job.Lines.clear();
    EXPECT_EQ(TicketOutput::ComposeText(format, job, job.Lines),
              spaces(35) + "Hola!\n" + spaces(16) + "Ticket7\n" + std::string(45, 'X') + "\nmedio\n" + spaces(28) +
                  "Folio 000523\n");
}

TEST_F(TicketBytes, TextGoesOutInWindows1252AndCommandsFollowIt) {
    CTicketFormat f;
    f.Rows.push_back(row(ALIGN_LEFT, {text("Núñez €")}));
    // A character outside the code page takes one column like any other.
    f.Rows.push_back(row(ALIGN_RIGHT, {text("añ中")}));
    TicketSettings s;
    s.comando = "27 112 0 25 250";
    s.comandoCorte = "29,86,0";
    const TicketOutput::Bytes bytes = TicketOutput::Compose(f, job, job.Lines, s);
    EXPECT_EQ(bytes.lines, std::string("N\xFA\xF1" "ez \x80\n") + spaces(37) + "a\xF1?\n" +
                               std::string("\x1B\x70\x00\x19\xFA", 5));
    EXPECT_EQ(bytes.verbatim, std::string("\x1D\x56\x00", 3)) << "the cutter's command apart, sent as it is";
    s.comando.clear();
    s.comandoCorte.clear();
    EXPECT_EQ(TicketOutput::Compose(f, job, job.Lines, s).lines, std::string("N\xFA\xF1" "ez \x80\n") + spaces(37) + "a\xF1?\n");
    EXPECT_EQ(TicketOutput::Compose(f, job, job.Lines, s).verbatim, "");
}

TEST(DrawerCommand, SeparatorsRunsLettersAndLargeValues) {
    const std::string open("\x1B\x70\x00\x19\xFA", 5);
    EXPECT_EQ(DrawerCommandBytes("27,112,0,25,250"), open);
    EXPECT_EQ(DrawerCommandBytes("27 112 0 25 250"), open);
    EXPECT_EQ(DrawerCommandBytes(" ,27.-112+*0/25  250, "), open);
    EXPECT_EQ(DrawerCommandBytes("27\r\n112\t0\n25\n250\n"), open);
    EXPECT_EQ(DrawerCommandBytes("300"), "\x2C");
    EXPECT_EQ(DrawerCommandBytes("99999999999999999999"), "\xFF"); // 10^20 − 1 ≡ 255 (mod 256)
    EXPECT_EQ(DrawerCommandBytes("abc,7,12x"), std::string("\x00\x07\x0C", 3));
    EXPECT_EQ(DrawerCommandBytes(""), "");
    EXPECT_EQ(DrawerCommandBytes(" , "), "");
}

class TicketPrint : public ::testing::Test {
protected:
    void SetUp() override {
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        db = testDb.create();
        settings.dispositivoLpt1 = dir.file("lpt1.prn");
        settings.comando = "27,112,0,25,250";
        format.Rows.push_back(row(ALIGN_CENTER, {text("NOTA")}));
        format.Rows.push_back(row(ALIGN_LEFT, {detail(0), text(" "), detail(1)}));
        job.Lines = {line("A1"), line("B2")};
    }

    TestDatabase testDb;
    const ScratchDir& dir = testDb.dir();
    std::unique_ptr<Database> db;
    TicketSettings settings;
    CTicketFormat format;
    CPrintJob job;
};

TEST_F(TicketPrint, StoredFormatToAFileDeviceWithCrLfAndTheDrawer) {
    // Without a ticket format nothing is sent and no device is opened.
    TicketOutput::Result r = TicketOutput::Print(*db, job, settings);
    EXPECT_EQ(r.message, "- No esta definido el formato del Ticket -");
    EXPECT_FALSE(std::filesystem::exists(settings.dispositivoLpt1));

    CFormatStore(*db).StoreTicketFormat(format);
    r = TicketOutput::Print(*db, job, settings);
    ASSERT_TRUE(r) << r.message;
    EXPECT_EQ(ScratchDir::readAll(settings.dispositivoLpt1),
              spaces(18) + "NOTA\r\n1 A1\r\n2 B2\r\n" + std::string("\x1B\x70\x00\x19\xFA", 5));

    // A format saved without rows would only open the drawer: refused like a missing one.
    CFormatStore(*db).StoreTicketFormat(CTicketFormat{});
    r = TicketOutput::Print(*db, job, settings);
    EXPECT_EQ(r.message, "- No esta definido el formato del Ticket -");
}

TEST_F(TicketPrint, DamagedFormatSendsNothing) {
    CFormatStore(*db).StoreTicketFormat(format);
    db->execute("UPDATE Formatos SET Detalle=? WHERE Ticket<>0", {DbValue{Blob{5, 0, 0, 0, 1}}});
    const TicketOutput::Result r = TicketOutput::Print(*db, job, settings);
    EXPECT_EQ(r.message, "No se pudo leer la definición del formato de impresión");
    EXPECT_FALSE(std::filesystem::exists(settings.dispositivoLpt1));
}

// The business's name and RFC as Configurar stored them head the ticket.
TEST_F(TicketPrint, TheBusinessHeadsTheTicket) {
    BusinessData business;
    business.nombre = "Tlapalería Núñez";
    business.rfc = "NUN900101AB1";
    business.Save(*db);
    CTicketFormat headed;
    headed.Rows = {row(ALIGN_LEFT, {doc(FormatData::kFirstNegocio)}), row(ALIGN_LEFT, {text("RFC "), doc(72)})};
    CFormatStore(*db).StoreTicketFormat(headed);
    const TicketOutput::Result r = TicketOutput::Print(*db, job, settings);
    ASSERT_TRUE(r) << r.message;
    EXPECT_EQ(ScratchDir::readAll(settings.dispositivoLpt1).substr(0, 36),
              Windows1252::FromUtf8("Tlapalería Núñez\r\nRFC NUN900101AB1\r\n"));
}

TEST(SampleValues, TestTicketUsesTheDesignersSamples) {
    CTicketFormat f;
    f.Rows.push_back(row(ALIGN_LEFT, {doc(0), text("-"), doc(1)}));
    f.Rows.push_back(row(ALIGN_LEFT, {detail(0), text(" "), detail(1)}));
    CSampleValues samples;
    const std::vector<CPartida> oneLine(1);
    EXPECT_EQ(TicketOutput::ComposeText(f, samples, oneLine), "A-000523\n1 S001\n");
}

} // namespace
