#include "printing/QrCode.h"

#include <qrencode.h>

QrCode QrCode::Encode(const std::string& text) {
    QrCode code;
    if (text.empty())
        return code;
    QRcode* q = QRcode_encodeData(static_cast<int>(text.size()), reinterpret_cast<const unsigned char*>(text.data()),
                                  0, QR_ECLEVEL_M);
    if (!q)
        return code;
    code.size = q->width;
    const auto n = static_cast<std::size_t>(q->width) * static_cast<std::size_t>(q->width);
    code.modules.resize(n);
    // Bit 0 of each of libqrencode's bytes is the module's colour.
    for (std::size_t i = 0; i < n; ++i)
        code.modules[i] = q->data[i] & 1;
    QRcode_free(q);
    return code;
}
