#include "components/imaging/image_ops.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>

namespace brindle::imageops {
namespace {

std::array<uchar, 256> brightnessTable(int amount) {
    const int delta = static_cast<int>(std::lround(amount * 255.0 / 1000.0));
    std::array<uchar, 256> table;
    for (int c = 0; c < 256; ++c) {
        table[c] = static_cast<uchar>(std::clamp(c + delta, 0, 255));
    }
    return table;
}

}  // namespace

int jpegQuality(int qualityFactor) {
    if (qualityFactor < 2 || qualityFactor > 255) {
        return -1;
    }
    return 100 - static_cast<int>(std::lround((qualityFactor - 2) * 99.0 / 253.0));
}

QImage brightened(const QImage& image, int amount) {
    const std::array<uchar, 256> table = brightnessTable(amount);
    if (image.format() == QImage::Format_Indexed8) {
        QImage result = image;
        QList<QRgb> colors = result.colorTable();
        for (QRgb& c : colors) {
            c = qRgba(table[qRed(c)], table[qGreen(c)], table[qBlue(c)], qAlpha(c));
        }
        result.setColorTable(colors);
        return result;
    }
    if (image.format() == QImage::Format_RGB888 || image.format() == QImage::Format_Grayscale8) {
        QImage result = image;
        const qsizetype rowBytes =
            qsizetype(result.width()) * (image.format() == QImage::Format_RGB888 ? 3 : 1);
        for (int y = 0; y < result.height(); ++y) {
            uchar* p = result.scanLine(y);
            for (qsizetype i = 0; i < rowBytes; ++i) {
                p[i] = table[p[i]];
            }
        }
        return result;
    }
    QImage result = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                  : QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* p = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            p[x] = qRgba(table[qRed(p[x])], table[qGreen(p[x])], table[qBlue(p[x])], qAlpha(p[x]));
        }
    }
    return result;
}

QImage rotated(const QImage& image, int hundredths, bool grow, QRgb fill) {
    const int angle = ((hundredths % 36000) + 36000) % 36000;
    if (angle == 0) {
        return image;
    }
    QTransform turn;
    turn.rotate(angle / 100.0);
    if (grow && angle % 9000 == 0) {
        return image.transformed(turn);
    }
    const QRectF turnedBounds = turn.mapRect(QRectF(image.rect()));
    const QSize canvasSize = grow ? QSize(static_cast<int>(std::ceil(turnedBounds.width() - 1e-6)),
                                          static_cast<int>(std::ceil(turnedBounds.height() - 1e-6)))
                                  : image.size();
    QImage canvas(canvasSize, image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                      : QImage::Format_RGB32);
    canvas.fill(fill);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(canvasSize.width() / 2.0, canvasSize.height() / 2.0);
    painter.rotate(angle / 100.0);
    painter.drawImage(QPointF(-image.width() / 2.0, -image.height() / 2.0), image);
    painter.end();
    return canvas;
}

QImage flattened(const QImage& image, bool gray) {
    const QImage::Format target = gray ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
    if (!image.hasAlphaChannel()) {
        return image.convertToFormat(target);
    }
    QImage white(image.size(), QImage::Format_RGB32);
    white.fill(Qt::white);
    QPainter painter(&white);
    painter.drawImage(0, 0, image);
    painter.end();
    return white.convertToFormat(target);
}

}  // namespace brindle::imageops
