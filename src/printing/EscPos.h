#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CTolBitmap;
struct QrCode;

// Pictures for ESC/POS receipt printers, sent as raster bit images (GS v 0), which nearly every
// such printer takes, unlike its QR or stored-logo commands.
namespace EscPos {

// Dots a printed line is wide: `columns` characters of the 12-dot standard font (384 dots for 32
// columns on 58 mm paper, 576 for 48 on 80 mm).
int DotsForColumns(int columns);

// A 1-bit picture: `width` × `height` dots, row by row from the top, true is black.
struct Dots {
    int width = 0;
    int height = 0;
    std::vector<bool> black;
};

// GS v 0 commands that print `dots` centred in a line `lineDots` wide, in bands of at most
// kBandRows rows (printers with small buffers refuse a tall image in one command). Empty for an
// empty picture.
inline constexpr int kBandRows = 128;
std::string Raster(const Dots& dots, int lineDots);

// The picture's first frame on white (transparency shows the paper), made smaller to fit
// `maxWidth` when wider, never larger, with error diffusion so that greys and photos keep their
// shading. Empty when nothing is loaded.
Dots FromPicture(const CTolBitmap& picture, int maxWidth);

// The QR with its quiet zone, each module a square of dots as large as fits `maxWidth`, at most
// kMaxModuleDots. Empty for an empty code.
inline constexpr int kMaxModuleDots = 6;
Dots FromQr(const QrCode& qr, int maxWidth);

} // namespace EscPos
