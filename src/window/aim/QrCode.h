#pragma once

#include <QImage>
#include <QString>

// The text as a QR code for a phone's camera: black modules on white with
// the quiet zone around, each module `scale` pixels; a null image when the
// text does not fit one.
QImage qrCode(const QString &text, int scale);
