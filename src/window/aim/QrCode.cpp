#include "QrCode.h"

#include <qrencode.h>

QImage qrCode(const QString &text, int scale)
{
    QRcode *code = QRcode_encodeString(text.toUtf8().constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code)
        return {};
    // Four modules of white all round, as readers expect.
    const int quiet = 4;
    const int side = (code->width + 2 * quiet) * scale;
    QImage image(side, side, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x)
            if (code->data[y * code->width + x] & 1)
                for (int dy = 0; dy < scale; ++dy)
                    std::fill_n(image.scanLine((y + quiet) * scale + dy) + (x + quiet) * scale, scale, uchar(0));
    QRcode_free(code);
    return image;
}
