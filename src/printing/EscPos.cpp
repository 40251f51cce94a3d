#include "printing/EscPos.h"

#include "printing/QrCode.h"
#include "toolkit/TolBitmap.h"

#include <algorithm>

namespace EscPos {

namespace {
constexpr int kDotsPerColumn = 12;
}

int DotsForColumns(int columns) { return std::max(columns, 1) * kDotsPerColumn; }

std::string Raster(const Dots& dots, int lineDots) {
    if (dots.width <= 0 || dots.height <= 0)
        return {};
    const int width = std::max(dots.width, lineDots);
    const int left = (width - dots.width) / 2;
    const int rowBytes = (width + 7) / 8;
    std::string out;
    for (int top = 0; top < dots.height; top += kBandRows) {
        const int rows = std::min(kBandRows, dots.height - top);
        out += std::string("\x1D\x76\x30\x00", 4);
        out += static_cast<char>(rowBytes & 0xFF);
        out += static_cast<char>((rowBytes >> 8) & 0xFF);
        out += static_cast<char>(rows & 0xFF);
        out += static_cast<char>((rows >> 8) & 0xFF);
        for (int y = top; y < top + rows; ++y) {
            std::string row(static_cast<std::size_t>(rowBytes), '\0');
            for (int x = 0; x < dots.width; ++x)
                if (dots.black[static_cast<std::size_t>(y) * static_cast<std::size_t>(dots.width) +
                               static_cast<std::size_t>(x)]) {
                    const int column = left + x;
                    row[static_cast<std::size_t>(column / 8)] |= static_cast<char>(0x80 >> (column % 8));
                }
            out += row;
        }
    }
    return out;
}

Dots FromPicture(const CTolBitmap& picture, int maxWidth) {
    Dots dots;
    if (!picture.isLoaded() || picture.width() <= 0 || picture.height() <= 0 || maxWidth <= 0)
        return dots;
    const int sw = picture.width(), sh = picture.height();
    const int dw = std::min(sw, maxWidth);
    const int dh = std::max(1, static_cast<int>(static_cast<long long>(sh) * dw / sw));
    // Grey levels (0 black … 255 white) of the scaled picture, each dot the mean of the source
    // pixels it covers; a premultiplied pixel over white adds the uncovered part as white.
    std::vector<float> grey(static_cast<std::size_t>(dw) * static_cast<std::size_t>(dh));
    const std::vector<std::uint32_t>& px = picture.pixels();
    for (int y = 0; y < dh; ++y) {
        const int y0 = static_cast<int>(static_cast<long long>(y) * sh / dh);
        const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<long long>(y + 1) * sh / dh));
        for (int x = 0; x < dw; ++x) {
            const int x0 = static_cast<int>(static_cast<long long>(x) * sw / dw);
            const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<long long>(x + 1) * sw / dw));
            double sum = 0;
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx) {
                    const std::uint32_t p = px[static_cast<std::size_t>(sy) * static_cast<std::size_t>(sw) +
                                               static_cast<std::size_t>(sx)];
                    const double white = 255.0 - (p >> 24);
                    const double r = ((p >> 16) & 0xFF) + white, g = ((p >> 8) & 0xFF) + white, b = (p & 0xFF) + white;
                    sum += 0.299 * r + 0.587 * g + 0.114 * b;
                }
            grey[static_cast<std::size_t>(y) * static_cast<std::size_t>(dw) + static_cast<std::size_t>(x)] =
                static_cast<float>(sum / ((y1 - y0) * (x1 - x0)));
        }
    }
    // Floyd–Steinberg: the error of each dot moves on to the dots not yet decided.
    dots.width = dw;
    dots.height = dh;
    dots.black.assign(grey.size(), false);
    auto at = [&](int x, int y) -> float& {
        return grey[static_cast<std::size_t>(y) * static_cast<std::size_t>(dw) + static_cast<std::size_t>(x)];
    };
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x) {
            const float old = at(x, y);
            const bool black = old < 128.0f;
            dots.black[static_cast<std::size_t>(y) * static_cast<std::size_t>(dw) + static_cast<std::size_t>(x)] = black;
            const float error = old - (black ? 0.0f : 255.0f);
            if (x + 1 < dw)
                at(x + 1, y) += error * 7 / 16;
            if (y + 1 < dh) {
                if (x > 0)
                    at(x - 1, y + 1) += error * 3 / 16;
                at(x, y + 1) += error * 5 / 16;
                if (x + 1 < dw)
                    at(x + 1, y + 1) += error * 1 / 16;
            }
        }
    return dots;
}

Dots FromQr(const QrCode& qr, int maxWidth) {
    Dots dots;
    if (qr.size <= 0)
        return dots;
    const int modules = qr.size + 2 * QrCode::kQuietZone;
    const int scale = std::clamp(maxWidth / modules, 1, kMaxModuleDots);
    dots.width = dots.height = modules * scale;
    dots.black.assign(static_cast<std::size_t>(dots.width) * static_cast<std::size_t>(dots.height), false);
    for (int y = 0; y < dots.height; ++y)
        for (int x = 0; x < dots.width; ++x) {
            const int row = y / scale - QrCode::kQuietZone, column = x / scale - QrCode::kQuietZone;
            if (row >= 0 && row < qr.size && column >= 0 && column < qr.size && qr.Dark(row, column))
                dots.black[static_cast<std::size_t>(y) * static_cast<std::size_t>(dots.width) +
                           static_cast<std::size_t>(x)] = true;
        }
    return dots;
}

} // namespace EscPos
