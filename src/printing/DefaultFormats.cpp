#include "printing/DefaultFormats.h"

#include "db/Database.h"
#include "db/RetryConflicts.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "printing/FormatData.h"
#include "printing/FormatStore.h"
#include "printing/TicketFormat.h"
#include "printing/WindowsFormat.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

namespace {

// The invoice is drawn here in millimetres from the top-left corner, y downwards, as one reads a
// ruler on the sheet; elements store 0.1 mm with y upwards.
std::int32_t units(double mm) { return static_cast<std::int32_t>(std::lround(mm * 10)); }

constexpr std::int32_t kInk = 0x00000000;
constexpr std::int32_t kAccent = 0x0064381F; // navy, RGB(31, 56, 100)
constexpr std::int32_t kMuted = 0x00595959;  // captions and remarks

constexpr const char* kSans = "Arial";
constexpr const char* kMono = "Courier New";
constexpr std::int32_t kRegular = 400;
constexpr std::int32_t kBold = 700;

struct Style {
    const char* face = kSans;
    double heightMm = 3;
    std::int32_t weight = kRegular;
    std::int32_t colour = kInk;
    std::int32_t alignment = ALIGN_LEFT;
    bool italic = false;
};

FormatRect box(double x1, double y1, double x2, double y2) {
    return {units(x1), -units(y1), units(x2), -units(y2)};
}

CRenglonFormato text(double x1, double y1, double x2, double y2, std::initializer_list<CRenglonField> fields,
                     const Style& style) {
    // Text stands on the bottom of its character cell, and Courier New's cell reaches 0.088 em
    // further below the baseline than Arial's: its boxes go that much lower, so numbers share the
    // baseline of the words beside them.
    if (std::string(style.face) == kMono) {
        y1 += 0.088 * style.heightMm;
        y2 += 0.088 * style.heightMm;
    }
    CRenglonFormato e;
    e.Fields.assign(fields);
    e.Position = box(x1, y1, x2, y2);
    e.Alignment = style.alignment;
    e.Colour = style.colour;
    e.Font.FaceName = style.face;
    e.Font.Height = -units(style.heightMm);
    e.Font.Weight = style.weight;
    e.Font.Italic = style.italic ? 1 : 0;
    return e;
}

CRenglonFormato caption(double x1, double y1, double x2, double y2, const char* words, const Style& style) {
    return text(x1, y1, x2, y2, {CRenglonField(words)}, style);
}

CRenglonFormato shape(double x1, double y1, double x2, double y2, bool rectangle, std::int32_t colour) {
    CRenglonFormato e;
    e.Position = box(x1, y1, x2, y2);
    e.Colour = colour;
    (rectangle ? e.IsRectangle : e.IsLine) = 1;
    return e;
}

CRenglonField doc(int index) { return CRenglonField(FIELD_DOC, index); }
CRenglonField detail(int index) { return CRenglonField(FIELD_DETAIL, index); }

// The lines' table between `left` and `right`, from `top` to `bottom`: frame, heading band and the
// four column rules; the headings, one row of the detail data and the line's notes hanging below its
// description. Texts keep 1.5 mm from the rules on either side.
void linesTable(std::vector<CRenglonFormato>& e, double left, const double (&rules)[4], double right, double top,
                double bottom, double headingMm, double cellMm, double notesMm) {
    const Style heading{kSans, headingMm, kBold, kAccent};
    const Style headingRight{kSans, headingMm, kBold, kAccent, ALIGN_RIGHT};
    const Style cell{kSans, cellMm};
    const Style number{kMono, cellMm, kRegular, kInk, ALIGN_RIGHT};
    e.push_back(shape(left, top, right, bottom, true, kAccent));
    e.push_back(shape(left, top + 7, right, top + 7, false, kAccent));
    for (const double x : rules)
        e.push_back(shape(x, top, x, bottom, false, kAccent));
    const double from[5] = {left + 1.5, rules[0] + 1.5, rules[1] + 1.5, rules[2] + 1.5, rules[3] + 1.5};
    const double to[5] = {rules[0] - 1.5, rules[1] - 1.5, rules[2] - 1.5, rules[3] - 1.5, right - 1.5};
    e.push_back(caption(from[0], top + 2, to[0], top + 6, "Clave", heading));
    e.push_back(caption(from[1], top + 2, to[1], top + 6, "Descripción", heading));
    e.push_back(caption(from[2], top + 2, to[2], top + 6, "Cantidad", headingRight));
    e.push_back(caption(from[3], top + 2, to[3], top + 6, "Precio unitario", headingRight));
    e.push_back(caption(from[4], top + 2, to[4], top + 6, "Importe", headingRight));
    e.push_back(text(from[0], top + 9, to[0], top + 13, {detail(1)}, cell));
    e.push_back(text(from[1], top + 9, to[1], top + 13, {detail(2)}, cell));
    e.push_back(text(from[2], top + 9, to[2], top + 13, {detail(14)}, number));
    e.push_back(text(from[3], top + 9, to[3], top + 13, {detail(3)}, number));
    e.push_back(text(from[4], top + 9, to[4], top + 13, {detail(10)}, number));
    e.push_back(text(rules[0] + 1.7, top + 13.5, to[1], top + 16.5, {detail(FormatData::kDetailNotes)},
                     Style{kSans, notesMm, kRegular, kMuted, ALIGN_LEFT, true}));
}

// The letter formats' common body: the document's identity at the top right, the customer and
// the lines' table.
void identityCustomerAndLines(std::vector<CRenglonFormato>& e) {
    const Style small{kSans, 2.3, kRegular, kMuted};
    const Style value{kSans, 3.2};
    const Style valueBold{kSans, 3.5, kBold};
    const Style valueBoldRight{kSans, 3.5, kBold, kInk, ALIGN_RIGHT};
    e.push_back(shape(135, 10, 200, 34, true, kAccent));
    e.push_back(shape(135, 18, 200, 18, false, kAccent));
    e.push_back(shape(135, 26, 200, 26, false, kAccent));
    e.push_back(caption(137, 12.5, 170, 16, "Serie y folio", small));
    e.push_back(text(160, 12, 198, 16.5, {doc(0), CRenglonField(" "), doc(1)}, valueBoldRight));
    e.push_back(caption(137, 20.5, 170, 24, "Fecha", small));
    e.push_back(text(160, 20, 198, 24.5, {doc(8)}, valueBoldRight));
    e.push_back(caption(137, 28.5, 170, 32, "Vencimiento", small));
    e.push_back(text(160, 28, 198, 32.5, {doc(13)}, valueBoldRight));

    // Customer.
    e.push_back(shape(15, 40, 200, 69, true, kAccent));
    e.push_back(shape(135, 40, 135, 69, false, kAccent));
    e.push_back(caption(17, 41.5, 130, 45, "Cliente", small));
    e.push_back(text(17, 46, 133, 51, {doc(2)}, Style{kSans, 3.8, kBold}));
    e.push_back(text(17, 51.5, 133, 55.5, {doc(3)}, value));
    e.push_back(text(17, 56, 133, 60, {doc(4)}, value));
    e.push_back(text(17, 60.5, 133, 64.5, {doc(5)}, value));
    e.push_back(caption(137, 41.5, 198, 45, "RFC", small));
    e.push_back(text(137, 46, 198, 50.5, {doc(6)}, valueBold));
    e.push_back(caption(137, 53.5, 198, 57, "Teléfono", small));
    e.push_back(text(137, 58, 198, 62, {doc(7)}, value));

    linesTable(e, 15, {42, 128, 148, 174}, 200, 77, 210, 2.7, 2.9, 2.5);
}

// Under the lines: the amount in words and the notes, beside the totals.
void wordsNotesAndTotals(std::vector<CRenglonFormato>& e) {
    const Style small{kSans, 2.3, kRegular, kMuted};
    const Style totalLabel{kSans, 3, kRegular, kInk, ALIGN_LEFT};
    const Style totalAmount{kMono, 3, kRegular, kInk, ALIGN_RIGHT};
    e.push_back(shape(15, 214, 135, 229, true, kAccent));
    e.push_back(caption(17, 215.5, 133, 219, "Importe con letra", small));
    e.push_back(text(17, 220.5, 133, 224.5, {doc(37)}, Style{kSans, 2.6, kBold}));
    e.push_back(shape(15, 232, 135, 250, true, kAccent));
    e.push_back(caption(17, 233.5, 133, 237, "Observaciones", small));
    e.push_back(text(17, 238.5, 133, 242.5, {doc(18)}, Style{kSans, 2.8}));

    e.push_back(shape(140, 214, 200, 250, true, kAccent));
    const std::pair<const char*, int> rows[] = {
        {"Importe", 25}, {"Descuento", 27}, {"Subtotal", 29}, {"Impuestos", 32}, {"Retenciones", 35}};
    double y = 215.5;
    for (const auto& [label, index] : rows) {
        e.push_back(caption(142, y, 170, y + 4, label, totalLabel));
        e.push_back(text(160, y, 198, y + 4, {doc(index)}, totalAmount));
        y += 5.2;
    }
    e.push_back(shape(140, 242, 200, 242, false, kAccent));
    e.push_back(caption(142, 243.5, 165, 248.5, "TOTAL", Style{kSans, 3.6, kBold, kAccent}));
    e.push_back(text(158, 243.5, 198, 248.5, {doc(36)}, Style{kMono, 3.6, kBold, kInk, ALIGN_RIGHT}));
}

// Letter paper, 215.9 × 279.4 mm; content between 15 and 200 mm across.
CWindowsFormat invoice() {
    CWindowsFormat f;
    auto& e = f.Elements;
    // Title, then the document's identity, the customer, the lines and the totals.
    e.push_back(caption(15, 13, 125, 23, "FACTURA", Style{kSans, 8, kBold, kAccent}));
    e.push_back(shape(15, 26, 125, 26, false, kAccent));
    identityCustomerAndLines(e);
    wordsNotesAndTotals(e);

    // Foot.
    e.push_back(shape(15, 256, 200, 256, false, kAccent));
    e.push_back(caption(15, 257.5, 200, 261, "Gracias por su preferencia", Style{kSans, 2.5, kRegular, kMuted,
                                                                                 ALIGN_CENTER, true}));

    f.DetailTop = -units(86);
    f.DetailBottom = -units(210);
    f.Pitch = units(5);
    // 20 lines leave room under the last one for the notes of a few lines.
    f.Caben = 20;
    f.Repetir = 0;
    return f;
}

// For shops without pre-printed forms: letter paper, the business's logo, name, address, RFC and
// telephone at the head, then the customer, the lines and the totals.
CWindowsFormat blankSaleNote() {
    CWindowsFormat f;
    auto& e = f.Elements;
    const Style business{kSans, 2.9, kRegular, kMuted};

    // The business: its logo, and beside it its name and data.
    e.push_back(text(15, 10, 45, 34, {doc(FormatData::kLogoNegocio)}, Style{}));
    e.push_back(text(49, 11, 130, 17.5, {doc(FormatData::kFirstNegocio)}, Style{kSans, 5, kBold, kAccent}));
    e.push_back(text(49, 18.5, 130, 22, {doc(69)}, business));
    e.push_back(text(49, 22.5, 130, 26, {doc(70)}, business));
    e.push_back(text(49, 26.5, 130, 30, {doc(71)}, business));
    e.push_back(text(49, 30.5, 130, 34, {CRenglonField("RFC: "), doc(72), CRenglonField("   Tel. "), doc(73)}, business));

    // The note's identity at the top right, the customer, the lines and the totals.
    e.push_back(caption(135, 4, 200, 9, "NOTA DE VENTA", Style{kSans, 4, kBold, kAccent, ALIGN_RIGHT}));
    identityCustomerAndLines(e);
    wordsNotesAndTotals(e);

    // Foot: not a fiscal document.
    e.push_back(shape(15, 256, 200, 256, false, kAccent));
    e.push_back(caption(15, 257.5, 200, 261, "Este documento no es un comprobante fiscal. Gracias por su preferencia",
                        Style{kSans, 2.5, kRegular, kMuted, ALIGN_CENTER, true}));

    f.DetailTop = -units(86);
    f.DetailBottom = -units(210);
    f.Pitch = units(5);
    f.Caben = 20;
    f.Repetir = 0;
    return f;
}

// A row of the fiscal identity box: its caption at the left, its value flush right from `split`.
struct IdentityRow {
    const char* label;
    std::initializer_list<CRenglonField> fields;
    double split;
};

// The top of a printed CFDI: the issuer, from its CFDI, at the left; at the right a box titled
// `title` with the rows of its fiscal identity.
void cfdiHeader(std::vector<CRenglonFormato>& e, const char* title, std::initializer_list<IdentityRow> rows) {
    const Style small{kSans, 2.2, kRegular, kMuted};
    const Style value{kSans, 2.8};
    const Style valueRight{kSans, 2.7, kRegular, kInk, ALIGN_RIGHT};
    e.push_back(caption(12, 10.5, 118, 14, "Emisor", small));
    e.push_back(text(12, 14.5, 118, 20.5, {doc(42)}, Style{kSans, 4.4, kBold, kAccent}));
    e.push_back(text(12, 22, 118, 26, {CRenglonField("RFC: "), doc(41)}, Style{kSans, 3, kBold}));
    e.push_back(text(12, 26.5, 118, 30.5, {CRenglonField("Régimen fiscal: "), doc(43)}, value));
    e.push_back(text(12, 31, 118, 35, {CRenglonField("Lugar de expedición (C.P.): "), doc(44)}, value));
    e.push_back(text(12, 35.5, 118, 39.5, {CRenglonField("Tipo de comprobante: "), doc(52)}, value));

    e.push_back(shape(122, 10, 204, 20.4 + 5.1 * static_cast<double>(rows.size()), true, kAccent));
    e.push_back(caption(122, 11.5, 204, 17, title, Style{kSans, 4.6, kBold, kAccent, ALIGN_CENTER}));
    e.push_back(shape(122, 18.5, 204, 18.5, false, kAccent));
    double y = 20;
    for (const IdentityRow& row : rows) {
        e.push_back(caption(124, y + 0.6, row.split, y + 4, row.label, small));
        e.push_back(text(row.split, y, 202, y + 4.2, row.fields, valueRight));
        y += 5.1;
    }
}

// The foot of a printed CFDI from `top`: the QR code at the left, the seals and the cadena original
// of the stamp beside it in small type, and the legend under them.
void cfdiStamp(std::vector<CRenglonFormato>& e, double top) {
    const Style smallBold{kSans, 2.2, kBold, kAccent};
    const Style seal{kSans, 1.9};
    e.push_back(text(12, top, 48, top + 36, {doc(FormatData::kQrCode)}, Style{kSans, 2.8}));
    e.push_back(caption(51, top - 0.2, 204, top + 2.6, "Sello digital del CFDI", smallBold));
    e.push_back(text(51, top + 2.8, 204, top + 10.8, {doc(FormatData::kSelloCfdi)}, seal));
    e.push_back(caption(51, top + 11.3, 204, top + 14.1, "Sello del SAT", smallBold));
    e.push_back(text(51, top + 14.3, 204, top + 22.3, {doc(FormatData::kSelloSat)}, seal));
    e.push_back(caption(51, top + 22.8, 204, top + 25.6,
                        "Cadena original del complemento de certificación digital del SAT", smallBold));
    e.push_back(text(51, top + 25.8, 204, top + 36.5, {doc(FormatData::kCadenaTfd)}, seal));
    e.push_back(shape(12, top + 39, 204, top + 39, false, kAccent));
    e.push_back(caption(12, top + 40.5, 204, top + 44, "Este documento es una representación impresa de un CFDI",
                        Style{kSans, 2.6, kRegular, kMuted, ALIGN_CENTER, true}));
}

// The printed CFDI on letter paper, content between 12 and 204 mm across: the issuer and the
// document's fiscal identity at the top, the receiver and the payment keys, the lines, the
// amounts, and at the foot the QR code at the left with the seals and the cadena original of the
// stamp beside it in small type.
CWindowsFormat electronicInvoice() {
    CWindowsFormat f;
    auto& e = f.Elements;
    const Style small{kSans, 2.2, kRegular, kMuted};
    const Style value{kSans, 2.8};
    const Style valueRight{kSans, 2.7, kRegular, kInk, ALIGN_RIGHT};

    cfdiHeader(e, "FACTURA",
               {{"Serie y folio", {doc(0), CRenglonField(" "), doc(1)}, 150},
                {"Folio fiscal", {doc(FormatData::kFolioFiscal)}, 139},
                {"Fecha de emisión", {doc(39)}, 150},
                {"Fecha de certificación", {doc(40)}, 150},
                {"No. de certificado del emisor", {doc(53)}, 158},
                {"No. de certificado del SAT", {doc(54)}, 158}});

    // The receiver: the CFDI's name and RFC with the document's address; its fiscal data at the right.
    e.push_back(shape(12, 55, 204, 82, true, kAccent));
    e.push_back(shape(122, 55, 122, 82, false, kAccent));
    e.push_back(caption(14, 56.5, 118, 60, "Receptor", small));
    e.push_back(text(14, 60.5, 120, 66, {doc(46)}, Style{kSans, 3.6, kBold}));
    e.push_back(text(14, 67, 120, 71, {CRenglonField("RFC: "), doc(45)}, Style{kSans, 3, kBold}));
    e.push_back(text(14, 71.5, 120, 75.5, {doc(3)}, value));
    e.push_back(text(14, 76, 120, 80, {doc(4), CRenglonField(" "), doc(5)}, value));
    e.push_back(caption(124, 56.5, 202, 60, "Régimen fiscal", small));
    e.push_back(text(124, 60.5, 202, 64.5, {doc(48)}, Style{kSans, 2.6}));
    e.push_back(caption(124, 66, 202, 69.5, "Uso del CFDI", small));
    e.push_back(text(124, 70, 202, 74, {doc(49)}, Style{kSans, 2.6}));
    e.push_back(caption(124, 76.3, 160, 79.7, "Domicilio fiscal (C.P.)", small));
    e.push_back(text(160, 75.8, 202, 80, {doc(47)}, valueRight));

    // Payment.
    e.push_back(shape(12, 85, 204, 96, true, kAccent));
    e.push_back(caption(14, 86.5, 100, 90, "Forma de pago", small));
    e.push_back(text(14, 90.5, 100, 94.5, {doc(50)}, value));
    e.push_back(caption(104, 86.5, 170, 90, "Método de pago", small));
    e.push_back(text(104, 90.5, 172, 94.5, {doc(51)}, value));
    e.push_back(caption(174, 86.5, 202, 90, "Moneda", small));
    e.push_back(caption(174, 90.5, 202, 94.5, "MXN - Peso Mexicano", value));

    linesTable(e, 12, {36, 132, 150, 176}, 204, 99, 180, 2.6, 2.8, 2.4);

    // Amount in words, taxes by rate and notes beside the totals.
    e.push_back(shape(12, 183, 136, 213.5, true, kAccent));
    e.push_back(caption(14, 184.5, 134, 188, "Importe con letra", small));
    e.push_back(text(14, 188.5, 134, 192.5, {doc(37)}, Style{kSans, 2.6, kBold}));
    e.push_back(caption(14, 194.5, 134, 198, "Impuestos por tasa", small));
    e.push_back(text(14, 198.5, 134, 202.5, {doc(58)}, Style{kSans, 2.6}));
    e.push_back(caption(14, 204.5, 134, 208, "Observaciones", small));
    e.push_back(text(14, 208.5, 134, 212.5, {doc(18)}, Style{kSans, 2.6}));

    e.push_back(shape(140, 183, 204, 213.5, true, kAccent));
    const std::pair<const char*, int> rows[] = {{"Importe", 25},
                                                {"Descuento", 27},
                                                {"Subtotal", 29},
                                                {"Impuestos trasladados", 32},
                                                {"Impuestos retenidos", 35}};
    double y = 184.5;
    for (const auto& [label, index] : rows) {
        e.push_back(caption(142, y, 170, y + 3.8, label, Style{kSans, 2.7}));
        e.push_back(text(170, y, 202, y + 3.8, {doc(index)}, Style{kMono, 2.8, kRegular, kInk, ALIGN_RIGHT}));
        y += 4.6;
    }
    e.push_back(shape(140, 207.6, 204, 207.6, false, kAccent));
    e.push_back(caption(142, 208.5, 165, 212.8, "TOTAL", Style{kSans, 3.4, kBold, kAccent}));
    e.push_back(text(165, 208.5, 202, 212.8, {doc(36)}, Style{kMono, 3.4, kBold, kInk, ALIGN_RIGHT}));

    // The stamp: QR code at the lower left, the seals and the cadena original beside it.
    cfdiStamp(e, 217);

    f.DetailTop = -units(108);
    f.DetailBottom = -units(180);
    f.Pitch = units(5);
    // 11 lines leave room under the last one for two or three notes of two lines each.
    f.Caben = 11;
    f.Repetir = 0;
    return f;
}

// The printed payment complement on letter paper: the issuer and the receipt's fiscal identity,
// the receiver, the payment and the invoice it pays with the balances before and after, and the
// stamp at the foot as on the printed invoice.
CWindowsFormat paymentReceipt() {
    CWindowsFormat f;
    auto& e = f.Elements;
    const Style small{kSans, 2.2, kRegular, kMuted};
    const Style smallBold{kSans, 2.2, kBold, kAccent};
    const Style value{kSans, 2.8};
    const Style amount{kMono, 3.2, kBold, kInk, ALIGN_RIGHT};

    cfdiHeader(e, "RECIBO DE PAGO",
               {{"Folio fiscal", {doc(FormatData::kFolioFiscal)}, 139},
                {"Fecha de emisión", {doc(39)}, 150},
                {"Fecha de certificación", {doc(40)}, 150},
                {"No. de certificado del emisor", {doc(53)}, 158},
                {"No. de certificado del SAT", {doc(54)}, 158}});

    e.push_back(shape(12, 50, 204, 72, true, kAccent));
    e.push_back(caption(14, 51.5, 118, 55, "Receptor", small));
    e.push_back(text(14, 55.5, 120, 61, {doc(46)}, Style{kSans, 3.6, kBold}));
    e.push_back(text(14, 62, 120, 66, {CRenglonField("RFC: "), doc(45)}, Style{kSans, 3, kBold}));
    e.push_back(caption(124, 51.5, 202, 55, "Régimen fiscal", small));
    e.push_back(text(124, 55.5, 202, 59.5, {doc(48)}, Style{kSans, 2.6}));
    e.push_back(caption(124, 61, 202, 64.5, "Uso del CFDI", small));
    e.push_back(text(124, 65, 202, 69, {doc(49)}, Style{kSans, 2.6}));

    // The payment.
    e.push_back(shape(12, 76, 204, 100, true, kAccent));
    e.push_back(caption(14, 77.5, 200, 81, "Pago recibido", smallBold));
    const struct {
        const char* label;
        int index;
        double x, width;
    } pago[] = {{"Fecha de pago", 61, 14, 46}, {"Forma de pago", 62, 64, 82}, {"Parcialidad", 60, 150, 50}};
    for (const auto& p : pago) {
        e.push_back(caption(p.x, 83, p.x + p.width, 86.5, p.label, small));
        e.push_back(text(p.x, 87, p.x + p.width, 91, {doc(p.index)}, value));
    }
    e.push_back(caption(14, 93.5, 60, 97.5, "Importe pagado (MXN)", small));
    e.push_back(text(60, 92.8, 110, 97.8, {doc(63)}, amount));

    // The invoice it pays.
    e.push_back(shape(12, 104, 204, 136, true, kAccent));
    e.push_back(caption(14, 105.5, 200, 109, "Factura que se paga (documento relacionado)", smallBold));
    e.push_back(caption(14, 111, 60, 114.5, "Serie y folio", small));
    e.push_back(text(60, 110.5, 120, 114.7, {doc(67)}, value));
    e.push_back(caption(14, 116, 60, 119.5, "Folio fiscal", small));
    e.push_back(text(60, 115.5, 160, 119.7, {doc(66)}, value));
    const std::pair<const char*, int> balances[] = {{"Saldo anterior", 64}, {"Importe pagado", 63}, {"Saldo insoluto", 65}};
    double x = 14;
    for (const auto& [label, index] : balances) {
        e.push_back(caption(x, 122, x + 60, 125.5, label, small));
        e.push_back(text(x, 126.5, x + 56, 131.5, {doc(index)}, Style{kMono, 3.2, kBold, kInk, ALIGN_LEFT}));
        x += 63;
    }

    cfdiStamp(e, 150);
    // No lines: a receipt shows the payment, not the invoice's lines.
    f.DetailTop = -units(140);
    f.DetailBottom = -units(145);
    f.Pitch = units(5);
    f.Caben = 1;
    f.Repetir = 0;
    return f;
}

CRenglonTicket row(std::int32_t alignment, std::initializer_list<CRenglonField> fields) {
    CRenglonTicket r;
    r.Alignment = alignment;
    r.Fields.assign(fields);
    return r;
}

// 40 columns. Receipt printers differ in their code pages, so the fixed texts avoid accents.
CTicketFormat ticket() {
    const std::string rule(FormatData::kTicketColumns, '-');
    CTicketFormat t;
    auto& r = t.Rows;
    r.push_back(row(ALIGN_CENTER, {CRenglonField("NOTA DE VENTA")}));
    r.push_back(row(ALIGN_LEFT, {CRenglonField("Folio: "), doc(0), CRenglonField(" "), doc(1)}));
    r.push_back(row(ALIGN_LEFT, {CRenglonField("Fecha: "), doc(8)}));
    r.push_back(row(ALIGN_LEFT, {CRenglonField("Cliente: "), doc(2)}));
    r.push_back(row(ALIGN_LEFT, {CRenglonField(rule)}));
    // Each line: its description, then quantity, unit price and amount flush right.
    r.push_back(row(ALIGN_LEFT, {detail(2)}));
    r.push_back(row(ALIGN_RIGHT, {detail(14), CRenglonField(" x"), detail(3), CRenglonField(" "), detail(10)}));
    r.push_back(row(ALIGN_LEFT, {CRenglonField(rule)}));
    r.push_back(row(ALIGN_RIGHT, {CRenglonField("Subtotal:"), doc(29)}));
    r.push_back(row(ALIGN_RIGHT, {CRenglonField("Impuestos:"), doc(32)}));
    r.push_back(row(ALIGN_RIGHT, {CRenglonField("TOTAL:"), doc(36)}));
    r.push_back(row(ALIGN_LEFT, {doc(37)}));
    r.push_back(row(ALIGN_LEFT, {}));
    r.push_back(row(ALIGN_CENTER, {CRenglonField("GRACIAS POR SU COMPRA")}));
    return t;
}

constexpr const char* kAddedTable = kAddedFormatsTable;

bool wasAdded(Database& db, const char* name) {
    Statement s = db.prepare(std::string("SELECT 1 FROM ") + kAddedTable + " WHERE Nombre = ?");
    s.bind(1, std::string(name));
    return s.step();
}

void markAdded(Database& db, const char* name) {
    CreateAddedFormatsTable(db);
    db.execute(std::string("INSERT INTO ") + kAddedTable + " (Nombre) VALUES (?)", {std::string(name)});
}

// The ready layouts that came after the first ones: each added once to every database.
const std::pair<const char*, CWindowsFormat (*)()> kAddedLater[] = {
    {kElectronicInvoiceFormat, electronicInvoice},
    {kPaymentReceiptFormat, paymentReceipt},
    {kBlankSaleNoteFormat, blankSaleNote},
};

} // namespace

void CreateAddedFormatsTable(Database& db) {
    db.execute(std::string("CREATE TABLE IF NOT EXISTS ") + kAddedTable + " (Nombre TEXT PRIMARY KEY)");
}

CWindowsFormat DefaultInvoiceFormat() { return invoice(); }

CWindowsFormat ElectronicInvoiceFormat() { return electronicInvoice(); }

CWindowsFormat PaymentReceiptFormat() { return paymentReceipt(); }

CWindowsFormat BlankSaleNoteFormat() { return blankSaleNote(); }

void AddDefaultFormats(Database& db) {
    CFormatStore store(db);
    store.AddWindowsFormat(kDefaultInvoiceFormat, invoice());
    store.StoreTicketFormat(ticket());
    for (const auto& [name, make] : kAddedLater) {
        store.AddWindowsFormat(name, make());
        markAdded(db, name);
    }
}

bool AddMissingDefaultFormats(Database& db) {
    // Asked first without writing, so that a reader never takes the write lock for nothing.
    if (db.hasTable(kAddedTable) &&
        std::all_of(std::begin(kAddedLater), std::end(kAddedLater), [&db](const auto& f) { return wasAdded(db, f.first); }))
        return false;
    bool added = false;
    RetryConflicts([&db, &added] {
        added = false;
        Transaction tx(db);
        CreateAddedFormatsTable(db);
        for (const auto& [name, make] : kAddedLater) {
            if (wasAdded(db, name))
                continue;
            // A copy of a database that had it (the copy leaves this table behind) keeps its own.
            Statement named = db.prepare("SELECT 1 FROM Formatos WHERE Nombre = ? AND Ticket = 0");
            named.bind(1, std::string(name));
            if (!named.step()) {
                CFormatStore(db).AddWindowsFormat(name, make());
                added = true;
            }
            markAdded(db, name);
        }
        tx.commit();
    });
    return added;
}
