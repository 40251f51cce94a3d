#include "printing/DefaultFormats.h"

#include "db/Database.h"
#include "printing/FormatData.h"
#include "printing/FormatStore.h"
#include "printing/TicketFormat.h"
#include "printing/WindowsFormat.h"

#include <cmath>
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

// Letter paper, 215.9 × 279.4 mm; content between 15 and 200 mm across.
CWindowsFormat invoice() {
    CWindowsFormat f;
    auto& e = f.Elements;
    const Style title{kSans, 8, kBold, kAccent};
    const Style small{kSans, 2.3, kRegular, kMuted};
    const Style heading{kSans, 2.7, kBold, kAccent};
    const Style headingRight{kSans, 2.7, kBold, kAccent, ALIGN_RIGHT};
    const Style value{kSans, 3.2};
    const Style valueBold{kSans, 3.5, kBold};
    const Style valueBoldRight{kSans, 3.5, kBold, kInk, ALIGN_RIGHT};
    const Style cell{kSans, 2.9};
    const Style number{kMono, 2.9, kRegular, kInk, ALIGN_RIGHT};
    const Style totalLabel{kSans, 3, kRegular, kInk, ALIGN_LEFT};
    const Style totalAmount{kMono, 3, kRegular, kInk, ALIGN_RIGHT};

    // Title and the document's identity at the top right.
    e.push_back(caption(15, 13, 125, 23, "FACTURA", title));
    e.push_back(shape(15, 26, 125, 26, false, kAccent));
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

    // The lines: heading band, column rules and the detail area.
    e.push_back(shape(15, 77, 200, 210, true, kAccent));
    e.push_back(shape(15, 84, 200, 84, false, kAccent));
    for (const double x : {42.0, 128.0, 148.0, 174.0})
        e.push_back(shape(x, 77, x, 210, false, kAccent));
    // Texts keep 1.5 mm from the rules on either side.
    e.push_back(caption(16.5, 79, 40.5, 83, "Clave", heading));
    e.push_back(caption(43.5, 79, 126.5, 83, "Descripción", heading));
    e.push_back(caption(129.5, 79, 146.5, 83, "Cantidad", headingRight));
    e.push_back(caption(149.5, 79, 172.5, 83, "Precio unitario", headingRight));
    e.push_back(caption(175.5, 79, 198.5, 83, "Importe", headingRight));

    e.push_back(text(16.5, 86, 40.5, 90, {detail(1)}, cell));
    e.push_back(text(43.5, 86, 126.5, 90, {detail(2)}, cell));
    e.push_back(text(129.5, 86, 146.5, 90, {detail(14)}, number));
    e.push_back(text(149.5, 86, 172.5, 90, {detail(3)}, number));
    e.push_back(text(175.5, 86, 198.5, 90, {detail(10)}, number));
    // The line's notes hang below its description, in as many lines as they need.
    e.push_back(text(43.7, 90.5, 126.5, 93.5, {detail(FormatData::kDetailNotes)},
                     Style{kSans, 2.5, kRegular, kMuted, ALIGN_LEFT, true}));

    // Amount in words and the document's notes, beside the totals.
    e.push_back(shape(15, 214, 135, 229, true, kAccent));
    e.push_back(caption(17, 215.5, 133, 219, "Importe con letra", small));
    e.push_back(text(17, 220.5, 133, 224.5, {doc(37)}, Style{kSans, 2.6, kBold}));
    e.push_back(shape(15, 232, 135, 250, true, kAccent));
    e.push_back(caption(17, 233.5, 133, 237, "Observaciones", small));
    e.push_back(text(17, 238.5, 133, 242.5, {doc(18)}, Style{kSans, 2.8}));

    // Totals.
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

} // namespace

CWindowsFormat DefaultInvoiceFormat() { return invoice(); }

void AddDefaultFormats(Database& db) {
    CFormatStore store(db);
    store.AddWindowsFormat(kDefaultInvoiceFormat, invoice());
    store.StoreTicketFormat(ticket());
}
