// Picture operations of the image control, as plain functions on QImage.
#pragma once

#include <QImage>

namespace brindle::imageops {

// JPEG quality (1..100) for a quality factor from 2 (best) to 255
// (smallest file): quality = 100 - round((factor - 2) * 99 / 253), so 2
// gives 100, 45 gives 83, 128 gives 51 and 255 gives 1, falling steadily in
// between. -1 for a factor outside 2..255.
int jpegQuality(int qualityFactor);

// Brightness change by `amount` thousandths of full scale (-1000..1000):
// every colour channel moves by round(amount * 255 / 1000) levels, clamped
// to 0..255, so the steps of 25 the dialogs use move about 6 levels each.
// Palette pictures change their palette; alpha is kept.
QImage brightened(const QImage& image, int amount);

// Turns the picture clockwise by `hundredths` of a degree (negative:
// counter-clockwise). With `grow` the picture becomes large enough to hold
// the whole turned picture, otherwise it keeps its size and the corners
// are cut off. Uncovered areas get `fill`. Quarter turns with `grow` are
// exact pixel moves.
QImage rotated(const QImage& image, int hundredths, bool grow, QRgb fill);

// The picture as 24-bit RGB (or 8-bit grey with `gray`), transparent parts
// laid over white, ready for a JPEG writer.
QImage flattened(const QImage& image, bool gray);

// A colour given as 0x00BBGGRR.
inline QRgb fromBgr(quint32 color) {
    return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

}  // namespace brindle::imageops
