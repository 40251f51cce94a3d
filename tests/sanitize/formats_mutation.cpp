// A seeded mutation run over the print-format readers: valid streams with bits flipped, cut short,
// lengths and counts set huge, bytes inserted and removed. Each input goes to every reader; what
// a reader accepts must write back to a stream that reads again to the same bytes. The sanitizers
// report any overread, overflow or leak; the allocator limit set by the test catches huge
// allocations. Usage: formats_mutation [inputs per seed stream].
#include "printing/FieldValueProvider.h"
#include "printing/OldFormat.h"
#include "printing/TicketFormat.h"
#include "printing/WindowsFormat.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

class FixedValues final : public CFieldValueProvider {
public:
    std::string DocumentValue(std::int32_t index) const override {
        return index >= 0 && index < 38 ? "doc" + std::to_string(index) : "";
    }
    std::string DetailValue(std::int32_t index) const override {
        return index >= 0 && index < 20 ? "línea " + std::to_string(index) : "";
    }
};

Bytes windowsSeed() {
    CWindowsFormat f;
    f.DetailTop = -950;
    f.DetailBottom = -2100;
    f.Pitch = 50;
    for (int k = 0; k < 6; ++k) {
        CRenglonFormato e;
        e.Alignment = k % 3 == 0 ? ALIGN_LEFT : k % 3 == 1 ? ALIGN_RIGHT : ALIGN_CENTER;
        e.Fields.emplace_back(std::string(k == 2 ? 300 : 8, static_cast<char>('A' + k)));
        e.Fields.emplace_back(FIELD_DOC, 5 * k);
        e.Fields.emplace_back(FIELD_DETAIL, 3 * k, k);
        e.Fields.emplace_back(std::string("Teléfono ñ €"));
        e.Position = {100 * k, -100 * k, 100 * k + 500, -100 * k - 40};
        e.IsLine = k == 4;
        e.IsRectangle = k == 5;
        e.Font.FaceName = k % 2 ? "Courier New" : "Arial";
        f.Elements.push_back(e);
    }
    return f.WriteStream();
}

Bytes ticketSeed() {
    CTicketFormat t;
    for (int k = 0; k < 8; ++k) {
        CRenglonTicket row;
        row.Alignment = k % 2 ? ALIGN_CENTER : ALIGN_RIGHT;
        row.Fields.emplace_back(std::string("Gracias por su compra, vuelva pronto ").substr(0, 5 + 4 * k));
        if (k % 3 == 0)
            row.Fields.emplace_back(FIELD_DETAIL, k, 10);
        row.Fields.emplace_back(FIELD_DOC, 36);
        row.BuildPreview();
        t.Rows.push_back(row);
    }
    Bytes bytes = t.WriteStream();
    // One text in the wide form, which only other writers produce: row 0's text becomes "Ñé".
    const Bytes wide = {0xFF, 0xFE, 0xFF, 2, 0xD1, 0x00, 0xE9, 0x00};
    const std::size_t textLength = bytes[4];
    bytes.erase(bytes.begin() + 4, bytes.begin() + 5 + static_cast<long>(textLength));
    bytes.insert(bytes.begin() + 4, wide.begin(), wide.end());
    return bytes;
}

Bytes oldSeed() {
    COldFormat old;
    old.Top = 9.5;
    old.Bottom = 21.0;
    old.Pitch = 0.5;
    const int data[] = {0, 1, 5, 15, 16, 22, 25, 30, 33, 36, 37, 0};
    for (const int datum : data) {
        COldFormat::Element e;
        e.Datum = datum;
        e.X = 10 * datum;
        e.Y = 950;
        e.Width = 400;
        e.Text = datum == 0 ? "NOTA DE REMISIÓN" : "";
        e.Font.Height = datum % 2 ? 40 : -35;
        old.Elements.push_back(e);
    }
    return old.WriteStream();
}

void putLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4 && at + k < b.size(); ++k)
        b[at + k] = static_cast<unsigned char>(v >> (8 * k));
}

Bytes mutate(const Bytes& seed, std::mt19937& rng) {
    Bytes b = seed;
    auto pick = [&](std::size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    const int rounds = 1 + static_cast<int>(pick(3));
    for (int r = 0; r < rounds && !b.empty(); ++r) {
        switch (pick(6)) {
        case 0: // bit flips
            for (std::size_t k = 1 + pick(8); k > 0; --k)
                b[pick(b.size())] ^= static_cast<unsigned char>(1u << pick(8));
            break;
        case 1: // cut short
            b.resize(pick(b.size()));
            break;
        case 2: { // a count or an integer set huge or negative
            static const std::uint32_t huge[] = {0x7FFFFFFF, 0xFFFFFFFF, 0x80000000, 0x0000FFFF, 0x00FFFFFF, 0x10000};
            putLe32(b, pick(b.size()), huge[pick(6)]);
            break;
        }
        case 3: { // a string length prefix in one of its long forms
            static const Bytes prefixes[] = {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},
                                             {0xFF, 0xFE, 0xFF},
                                             {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                                             {0xFF, 0xFD, 0xFF},
                                             {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},
                                             {0xFE}};
            const Bytes& p = prefixes[pick(6)];
            const std::size_t at = pick(b.size());
            for (std::size_t k = 0; k < p.size() && at + k < b.size(); ++k)
                b[at + k] = p[k];
            break;
        }
        case 4: { // bytes inserted
            const std::size_t at = pick(b.size() + 1);
            Bytes extra(1 + pick(16));
            for (auto& x : extra)
                x = static_cast<unsigned char>(pick(256));
            b.insert(b.begin() + static_cast<long>(at), extra.begin(), extra.end());
            break;
        }
        default: { // bytes removed
            const std::size_t at = pick(b.size());
            const std::size_t n = 1 + pick(std::min<std::size_t>(16, b.size() - at));
            b.erase(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n));
            break;
        }
        }
    }
    return b;
}

int failures = 0;

void check(bool condition, const char* what, std::size_t input) {
    if (!condition) {
        ++failures;
        std::fprintf(stderr, "formats_mutation: input %zu: %s\n", input, what);
    }
}

// Feeds one input to every reader; counts the readers that accepted it.
int feed(const Bytes& b, std::size_t input) {
    static const FixedValues values;
    int accepted = 0;
    CWindowsFormat w;
    if (w.ReadStream(b)) {
        ++accepted;
        for (CRenglonFormato& e : w.Elements) {
            e.BuildText(values);
            e.IsNotesElement();
        }
        const Bytes again = w.WriteStream();
        CWindowsFormat back;
        check(back.ReadStream(again) && back.WriteStream() == again, "Windows format does not read back", input);
    }
    CTicketFormat t;
    if (t.ReadStream(b)) {
        ++accepted;
        for (CRenglonTicket& row : t.Rows) {
            row.BuildPreview();
            row.BuildText(values, true);
            row.BuildText(values, false);
            for (const CRenglonField& f : row.Fields)
                CRenglonField(f.Kind, f.Index, f.Width);
        }
        const Bytes again = t.WriteStream();
        CTicketFormat back;
        check(back.ReadStream(again) && back.WriteStream() == again, "ticket format does not read back", input);
    }
    COldFormat o;
    if (o.ReadStream(b)) {
        ++accepted;
        const CWindowsFormat converted = o.Convert();
        CWindowsFormat back;
        check(back.ReadStream(converted.WriteStream()), "converted format does not read back", input);
    }
    return accepted;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t perSeed = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 20000;
    const auto start = std::chrono::steady_clock::now();
    std::mt19937 rng(20040415u);
    const Bytes seeds[] = {windowsSeed(), ticketSeed(), oldSeed()};

    // The seeds themselves must read whole, each by its own reader.
    CWindowsFormat w;
    CTicketFormat t;
    COldFormat o;
    check(w.ReadStream(seeds[0]) && w.Elements.size() == 6, "Windows seed", 0);
    check(t.ReadStream(seeds[1]) && t.Rows.size() == 8 && t.Rows[0].Text == "Ñé", "ticket seed", 0);
    check(o.ReadStream(seeds[2]) && o.Elements.size() == 12, "old seed", 0);

    std::size_t inputs = 0, accepted = 0;
    for (const Bytes& seed : seeds) {
        for (std::size_t n = 0; n < seed.size(); ++n) // every truncation, then random mutations
            accepted += feed(Bytes(seed.begin(), seed.begin() + static_cast<long>(n)), inputs++) > 0;
        for (std::size_t k = 0; k < perSeed; ++k)
            accepted += feed(mutate(seed, rng), inputs++) > 0;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("formats_mutation: %zu inputs, %zu read by at least one reader, %.1f s, %d failures\n", inputs,
                accepted, seconds, failures);
    return failures == 0 ? 0 : 1;
}
