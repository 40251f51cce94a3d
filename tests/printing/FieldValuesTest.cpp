// What each datum prints for a document and its lines, the designers' samples, and the texts of
// format elements and ticket rows built from them.
#include "invoice/MoneyFormat.h"
#include "invoice/Partida.h"
#include "printing/DocumentValues.h"
#include "printing/FormatData.h"
#include "printing/RenglonField.h"
#include "printing/RenglonFormato.h"
#include "printing/RenglonTicket.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FieldValues : public ::testing::Test {
protected:
    void SetUp() override {
        MoneyFormat::setCurrent(MoneyFormat::mexican());
        doc.Serie = "B";
        doc.Folio = 523;
        doc.Nombre = "José Ramírez Núñez";
        doc.Dom1 = "Calle Niños Héroes 45";
        doc.Dom2 = "Col. Jardín";
        doc.Dom3 = "Morelia, Mich.";
        doc.RFC = "RANJ750812QX3";
        doc.Telefono = "443 312 0099";
        doc.Fecha = OleDate::fromDate(2004, 4, 5);
        doc.Vencimiento = OleDate::fromDate(2004, 9, 30);
        doc.Observaciones = "Entrega en mostrador";
        for (int k = 0; k < 6; ++k)
            doc.Extras[static_cast<std::size_t>(k)] = "extra " + std::to_string(k + 1);
        doc.Totals.Importe = 1200;
        doc.Totals.ImporteNeto = 1380;
        doc.Totals.Descuento = 120;
        doc.Totals.DescuentoNeto = 138;
        doc.Totals.Subtotal = 1080;
        doc.Totals.Impuesto1 = 162;
        doc.Totals.Impuesto2 = 10.5;
        doc.Totals.Retencion1 = 8.25;
        doc.Totals.Retencion2 = 1.75;
        doc.Totals.Total = 1242.5;

        line.Clave = "S001";
        line.Descripcion = "Cuaderno profesional";
        line.Precio = 600;
        line.Cantidad = 2;
        line.pDescuento = 10;
        line.pI1 = 0.15;
        line.Recalculate();
        line.Observaciones = "Forro azul";
        line.Extra1 = "e1";
        line.Extra4 = "e4";
    }

    CDocumentValues doc;
    CPartida line;
};

TEST_F(FieldValues, EveryDocumentDatum) {
    const std::vector<std::string> expected = {
        "B", "000523", "José Ramírez Núñez", "Calle Niños Héroes 45", "Col. Jardín", "Morelia, Mich.",
        "RANJ750812QX3", "443 312 0099",
        "05/Abr/2004", "5", "Abr", "Abril", "2004",
        "30/Sep/2004", "30", "Sep", "Septiembre", "2004",
        "Entrega en mostrador", "extra 1", "extra 2", "extra 3", "extra 4", "extra 5", "extra 6",
        "      $1,200.00", "      $1,380.00", "        $120.00", "        $138.00", "      $1,080.00",
        "        $162.00", "         $10.50", "        $172.50", "          $8.25", "          $1.75",
        "         $10.00", "      $1,242.50", "UN MIL DOSCIENTOS CUARENTA Y DOS PESOS 50/100 M.N.",
    };
    ASSERT_EQ(static_cast<int>(expected.size()), FormatData::kFirstCfdi);
    for (int i = 0; i < FormatData::kFirstCfdi; ++i)
        EXPECT_EQ(doc.DocumentValue(i), expected[static_cast<std::size_t>(i)]) << i;
    // Without CFDI its data are empty.
    for (int i = FormatData::kFirstCfdi; i < FormatData::kFirstNegocio; ++i)
        EXPECT_EQ(doc.DocumentValue(i), "") << i;
    EXPECT_EQ(doc.DocumentValue(FormatData::kDocumentCount), "");
    EXPECT_EQ(doc.DocumentValue(-1), "");
}

TEST_F(FieldValues, FolioDatesAndAmountsAtTheirLimits) {
    doc.Folio = 1234567;
    EXPECT_EQ(doc.DocumentValue(1), "1234567");
    doc.Folio = 0;
    EXPECT_EQ(doc.DocumentValue(1), "000000");

    // No date, the zero date and a date of 1900 all print dashes, and no day, month or year.
    for (const std::optional<OleDate>& date :
         {std::optional<OleDate>{}, std::optional<OleDate>{OleDate{}}, std::optional(OleDate::fromDate(1900, 6, 1)),
          std::optional(OleDate{1e12})}) {
        doc.Fecha = date;
        doc.Vencimiento = date;
        EXPECT_EQ(doc.DocumentValue(8), "--/--/--");
        EXPECT_EQ(doc.DocumentValue(13), "--/--/--");
        for (int i : {9, 10, 11, 12, 14, 15, 16, 17})
            EXPECT_EQ(doc.DocumentValue(i), "") << i;
    }
    doc.Fecha = OleDate::fromDate(1901, 1, 1);
    EXPECT_EQ(doc.DocumentValue(8), "01/Ene/1901");
    EXPECT_EQ(doc.DocumentValue(11), "Enero");

    // Amounts wider than 15 columns keep their first 15 characters; negatives keep their sign.
    doc.Totals.Total = 123456789012.34;
    EXPECT_EQ(doc.DocumentValue(36), "$123,456,789,01");
    doc.Totals.Importe = -50;
    EXPECT_EQ(doc.DocumentValue(25), "        -$50.00");
}

TEST_F(FieldValues, EveryDetailDatumOfTheCurrentLine) {
    EXPECT_EQ(doc.DetailValue(1), "") << "no current line";
    doc.CurrentLine = &line;
    doc.CurrentLineNumber = 3;
    const std::vector<std::string> expected = {
        "3", "S001", "Cuaderno profesional", "   $600.00", "   $690.00", "    $60.00", "   $120.00", "10.00",
        "   $540.00", "   $621.00", " $1,200.00", " $1,380.00", " $1,080.00", " $1,242.00", "2.00", "Forro azul",
        "e1", "", "", "e4",
    };
    ASSERT_EQ(static_cast<int>(expected.size()), FormatData::kDetailCount);
    for (int i = 0; i < FormatData::kDetailCount; ++i)
        EXPECT_EQ(doc.DetailValue(i), expected[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(doc.DetailValue(20), "");
    EXPECT_EQ(doc.DetailValue(-1), "");

    // Ten columns at most; a line without quantity has no per-unit discount.
    line.Precio = 12345678.9;
    line.Cantidad = 0;
    line.Recalculate();
    EXPECT_EQ(doc.DetailValue(3), "$12,345,67");
    EXPECT_EQ(doc.DetailValue(5), "     $0.00");
}

TEST_F(FieldValues, FieldsGiveTheirKindsValue) {
    doc.CurrentLine = &line;
    doc.CurrentLineNumber = 1;
    EXPECT_EQ(CRenglonField(std::string("Hola ")).Value(doc), "Hola ");
    EXPECT_EQ(CRenglonField(FIELD_DOC, 2).Value(doc), "José Ramírez Núñez");
    // The column width shapes the sample only: the printed value is not padded.
    EXPECT_EQ(CRenglonField(FIELD_DETAIL, 1, 16).Value(doc), "S001");
    CRenglonField other(std::string("never"));
    other.Kind = 7;
    EXPECT_EQ(other.Value(doc), "");
}

TEST(FieldSamples, SamplesCaptionsAndWidths) {
    EXPECT_EQ(CRenglonField(FIELD_DOC, 1).Text, "000523");
    EXPECT_EQ(CRenglonField(FIELD_DOC, 8).Text, "15/Abr/2004");
    EXPECT_EQ(CRenglonField(FIELD_DOC, 13).Text, "3/Sep/2004");
    EXPECT_EQ(CRenglonField(FIELD_DOC, 25).Text, "      $1,200.00");
    EXPECT_EQ(CRenglonField(FIELD_DOC, 36).Text, "      $1,242.00");
    EXPECT_EQ(CRenglonField(FIELD_DOC, 18).Text, "Observaciones");
    EXPECT_EQ(CRenglonField(FIELD_DOC, 24).Text, "Campo Extra6");
    EXPECT_EQ(CRenglonField(FIELD_DETAIL, 3).Text, "   $600.00") << "detail amounts print in 10 characters";
    EXPECT_EQ(CRenglonField(FIELD_DETAIL, 14).Text, "2.00");
    EXPECT_EQ(CRenglonField(FIELD_DETAIL, 19).Text, "Columna Extra4");
    EXPECT_EQ(CRenglonField(FIELD_DETAIL, 20).Text, "");
    EXPECT_EQ(CRenglonField(FIELD_DOC, FormatData::kFolioFiscal).Text, "04BF2854-FE7D-4377-9196-71248F060ABB");
    EXPECT_EQ(CRenglonField(FIELD_DOC, 49).Text, "G03 - Gastos en general");
    EXPECT_EQ(CRenglonField(FIELD_DOC, FormatData::kSelloCfdi).Text.size(), 344u);
    EXPECT_EQ(CRenglonField(FIELD_DOC, FormatData::kQrCode).Text.rfind("https://verificacfdi.", 0), 0u);
    EXPECT_EQ(CRenglonField(FIELD_DOC, FormatData::kDocumentCount).Text, "");

    // Widths cut or pad by characters, not bytes.
    const CRenglonField name(FIELD_DETAIL, 2, 25);
    EXPECT_EQ(name.Text, "Quintaleva versión 2     ");
    EXPECT_EQ(name.Width, 25);
    EXPECT_EQ(CRenglonField(FIELD_DETAIL, 2, 17).Text, "Quintaleva versió");
    EXPECT_EQ(CRenglonField(FIELD_DETAIL, 0, -5).Text, "1");
    EXPECT_EQ(CRenglonField(FIELD_DETAIL, 0, 1000).Text.size(), 40u);

    // The detail captions are the line's own print captions.
    for (int i = 0; i < FormatData::kDetailCount; ++i)
        EXPECT_EQ(FormatData::Caption(FIELD_DETAIL, i), CPartida::PrintCaption(i)) << i;
    EXPECT_EQ(FormatData::Caption(FIELD_DOC, 14), "Dia (Ven.)");
    EXPECT_EQ(FormatData::Caption(FIELD_DOC, 37), "Total con letra");
    EXPECT_EQ(FormatData::Caption(FIELD_TEXT, 0), "");
}

TEST_F(FieldValues, ElementTextsAndTheirKinds) {
    doc.CurrentLine = &line;
    doc.CurrentLineNumber = 2;
    CRenglonFormato header;
    header.Fields = {CRenglonField(std::string("Vence: ")), CRenglonField(FIELD_DOC, 15)};
    header.Text = "old";
    EXPECT_FALSE(header.BuildText(doc));
    EXPECT_EQ(header.Text, "Vence: Sep");
    // Document datum 15 is the due month, not the notes.
    EXPECT_FALSE(header.IsNotesElement());
    EXPECT_FALSE(header.HasDetail());

    CRenglonFormato notes;
    notes.Fields = {CRenglonField(FIELD_DETAIL, 0), CRenglonField(std::string(". ")), CRenglonField(FIELD_DETAIL, 15)};
    EXPECT_TRUE(notes.BuildText(doc));
    EXPECT_EQ(notes.Text, "2. Forro azul");
    EXPECT_TRUE(notes.IsNotesElement());

    // Lines and rectangles keep their text and are never detail elements.
    CRenglonFormato rule = notes;
    rule.IsRectangle = 1;
    rule.Text = "kept";
    EXPECT_FALSE(rule.BuildText(doc));
    EXPECT_EQ(rule.Text, "kept");
    EXPECT_FALSE(rule.HasDetail());
    EXPECT_FALSE(rule.IsNotesElement());
}

TEST_F(FieldValues, TicketRowsInHeaderAndDetailModes) {
    doc.CurrentLine = &line;
    doc.CurrentLineNumber = 1;
    CRenglonTicket folio;
    folio.Alignment = ALIGN_RIGHT;
    folio.Fields = {CRenglonField(std::string("Folio: ")), CRenglonField(FIELD_DOC, 1)};
    EXPECT_FALSE(folio.BuildText(doc, false));
    EXPECT_EQ(folio.Text, std::string(27, ' ') + "Folio: 000523");

    CRenglonTicket centred;
    centred.Alignment = ALIGN_CENTER;
    centred.Fields = {CRenglonField(std::string("GRACIAS"))};
    centred.BuildText(doc, false);
    EXPECT_EQ(centred.Text, std::string(16, ' ') + "GRACIAS");
    // Columns are characters: "Núñez" is five of them.
    centred.Fields = {CRenglonField(std::string("Núñez"))};
    centred.Alignment = ALIGN_RIGHT;
    centred.BuildText(doc, false);
    EXPECT_EQ(centred.Text, std::string(35, ' ') + "Núñez");

    CRenglonTicket detail;
    detail.Fields = {CRenglonField(FIELD_DETAIL, 0, 3), CRenglonField(std::string(" x ")),
                     CRenglonField(FIELD_DETAIL, 14, 6), CRenglonField(FIELD_DETAIL, 1)};
    detail.Alignment = ALIGN_CENTER;
    // Header mode leaves the detail data out, but still tells a detail row.
    EXPECT_TRUE(detail.BuildText(doc, false));
    EXPECT_EQ(detail.Text, std::string(18, ' ') + " x ");
    EXPECT_TRUE(detail.BuildText(doc, true));
    EXPECT_EQ(detail.Text, std::string(14, ' ') + "1 x 2.00S001");
    // A second line replaces the first one's text.
    CPartida second = line;
    second.Clave = "T300";
    doc.CurrentLine = &second;
    doc.CurrentLineNumber = 2;
    detail.BuildText(doc, true);
    EXPECT_EQ(detail.Text, std::string(14, ' ') + "2 x 2.00T300");

    // Forty characters fill the row exactly; 41 go out whole and unaligned.
    CRenglonTicket wide;
    wide.Alignment = ALIGN_RIGHT;
    wide.Fields = {CRenglonField(std::string(40, '-'))};
    wide.BuildText(doc, false);
    EXPECT_EQ(wide.Text, std::string(40, '-'));
    wide.Fields = {CRenglonField(std::string(20, '=')), CRenglonField(std::string(21, '='))};
    wide.BuildText(doc, false);
    EXPECT_EQ(wide.Text, std::string(41, '='));
    // The designer's preview keeps it whole too, as the printer gets it; at 48 columns it aligns.
    wide.BuildPreview();
    EXPECT_EQ(wide.Text, std::string(41, '='));
    wide.BuildPreview(48);
    EXPECT_EQ(wide.Text, std::string(7, ' ') + std::string(41, '='));

    // An alignment no designer writes is taken as left.
    wide.Alignment = 24;
    wide.Fields = {CRenglonField(std::string("ab"))};
    wide.BuildText(doc, false);
    EXPECT_EQ(wide.Text, "ab");
}

TEST(TicketPreview, SamplesPaddedToTheirColumns) {
    CRenglonTicket row;
    row.Fields = {CRenglonField(FIELD_DETAIL, 0, 3), CRenglonField(std::string(" ")), CRenglonField(FIELD_DETAIL, 2, 25)};
    row.BuildPreview();
    EXPECT_EQ(row.Text, "1   Quintaleva versión 2     ");
    row.Alignment = ALIGN_RIGHT;
    row.BuildPreview();
    EXPECT_EQ(row.Text, std::string(11, ' ') + "1   Quintaleva versión 2     ");
    // Alignment counts characters, not bytes: 39 characters with accents still take a blank.
    CRenglonTicket accents;
    accents.Alignment = ALIGN_RIGHT;
    accents.Fields = {CRenglonField(std::string(37, 'a') + "éé")};
    accents.BuildPreview();
    EXPECT_EQ(accents.Text, " " + std::string(37, 'a') + "éé");
}

} // namespace
