#include "toolkit/JpegReader.h"

#include "toolkit/ImageBuffer.h"

#include <csetjmp>
#include <cstdio>
#include <new>
#include <vector>

#include <jpeglib.h>

namespace {

// A progressive file may hold thousands of tiny scans, each a pass over the whole picture; real
// encoders write about ten.
constexpr long kMaxScans = 1000;
// Source pictures past 2^28 pixels (16384 x 16384) are refused: even shrunk to an eighth they take
// seconds to decode, and a damaged header claims such sizes easily.
constexpr std::int64_t kMaxSourcePixels = std::int64_t(1) << 28;
// libjpeg's own working memory; a progressive file keeps every coefficient of the picture, and a
// header claiming a huge one would otherwise be believed. Past this libjpeg gives up with an error.
constexpr long kMaxWorkMemory = 256L << 20;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (a truncated file, extraneous bytes) are not shown; the picture still loads.
void silence(j_common_ptr) {}

void limitScans(j_common_ptr cinfo)
{
    const auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (cinfo->is_decompressor && d->input_scan_number > kMaxScans)
        errorExit(cinfo);
}

enum class Outcome { Ok, Failed, OutOfMemory };

// Decodes into `image`. All state the error exit must see lives in the caller, so the longjmp
// back here skips no destructor.
Outcome decode(jpeg_decompress_struct& cinfo, ErrorManager& err, jpeg_progress_mgr& progress,
               std::FILE* file, ImageBuffer& image)
{
    if (setjmp(err.jump))
        return Outcome::Failed;

    jpeg_create_decompress(&cinfo);
    cinfo.progress = &progress; // after create, which clears the struct
    cinfo.mem->max_memory_to_use = kMaxWorkMemory;
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    if (std::int64_t(cinfo.image_width) * cinfo.image_height > kMaxSourcePixels)
        return Outcome::OutOfMemory;

    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;
        break;
    default:
        cinfo.out_color_space = JCS_RGB;
        break;
    }
    cinfo.scale_num = 1;
    cinfo.scale_denom = 1;
    jpeg_calc_output_dimensions(&cinfo);
    while (std::int64_t(cinfo.output_width) * cinfo.output_height > kMaxImagePixels && cinfo.scale_denom < 8) {
        cinfo.scale_denom *= 2;
        jpeg_calc_output_dimensions(&cinfo);
    }
    const std::int64_t width = cinfo.output_width;
    const std::int64_t height = cinfo.output_height;
    if (width <= 0 || height <= 0 || width * height > kMaxImagePixels)
        return Outcome::OutOfMemory;
    try {
        image.pixels.assign(std::size_t(width * height), kOpaqueBlack);
    } catch (const std::bad_alloc&) {
        return Outcome::OutOfMemory;
    }

    jpeg_start_decompress(&cinfo);
    const int components = cinfo.output_components;
    if (components != 1 && components != 3 && components != 4)
        return Outcome::Failed;
    // Adobe writes CMYK inverted (0 = full ink); other writers store it straight.
    const bool invertedInk = cinfo.saw_Adobe_marker;
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                JDIMENSION(width * components), 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        const std::int64_t y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, row, 1) != 1)
            return Outcome::Failed;
        std::uint32_t* target = image.pixels.data() + y * width;
        const JSAMPLE* p = row[0];
        for (std::int64_t x = 0; x < width; ++x) {
            if (components == 1) {
                target[x] = opaquePixel(p[0], p[0], p[0]);
                p += 1;
            } else if (components == 3) {
                target[x] = opaquePixel(p[0], p[1], p[2]);
                p += 3;
            } else {
                unsigned c = p[0], m = p[1], ye = p[2], k = p[3];
                if (!invertedInk) {
                    c = 255 - c;
                    m = 255 - m;
                    ye = 255 - ye;
                    k = 255 - k;
                }
                target[x] = opaquePixel(c * k / 255, m * k / 255, ye * k / 255);
                p += 4;
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    image.width = int(width);
    image.height = int(height);
    return Outcome::Ok;
}

} // namespace

bool CJpegReader::read(const std::string& path, ImageBuffer& out, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "JPEG :\nCan't open " + path + "\n";
        return false;
    }
    // Zeroed, so destroying it is harmless even if creating it failed.
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.output_message = silence;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = limitScans;

    ImageBuffer image;
    const Outcome outcome = decode(cinfo, err, progress, file, image);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);

    if (outcome == Outcome::OutOfMemory) {
        error = "JpegFile :\nOut of memory";
        return false;
    }
    if (outcome != Outcome::Ok) {
        error.clear();
        return false;
    }
    image.frameCount = 1;
    image.delays.assign(1, 0);
    out = std::move(image);
    error.clear();
    return true;
}
