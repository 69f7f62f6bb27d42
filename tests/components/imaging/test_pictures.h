// Pictures the imaging tests draw for themselves, and colour comparisons.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cstdlib>

namespace brindle::test {

constexpr QRgb kRed = 0xFFE02020, kGreen = 0xFF20C020, kBlue = 0xFF2020E0, kGrey = 0xFF808080;

// Four flat quadrants: red top left, green top right, blue bottom left,
// grey bottom right.
inline QImage quadrants(int width = 640, int height = 480) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, width / 2, height / 2, QColor::fromRgb(kRed));
    p.fillRect(width / 2, 0, width - width / 2, height / 2, QColor::fromRgb(kGreen));
    p.fillRect(0, height / 2, width / 2, height - height / 2, QColor::fromRgb(kBlue));
    p.fillRect(width / 2, height / 2, width - width / 2, height - height / 2,
               QColor::fromRgb(kGrey));
    return image;
}

// Fine detail that JPEG cannot keep cheaply, so file sizes follow quality.
inline QImage detailed(int width, int height, quint32 seed) {
    QImage image = quadrants(width, height);
    QRandomGenerator gen(seed);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = int(gen.bounded(60)) - 30;
            row[x] =
                qRgb(std::clamp(qRed(row[x]) + n, 0, 255), std::clamp(qGreen(row[x]) - n, 0, 255),
                     std::clamp(qBlue(row[x]) + n / 2, 0, 255));
        }
    }
    return image;
}

inline ::testing::AssertionResult colorNear(QRgb actual, QRgb expected, int tolerance) {
    const int d = std::max({std::abs(qRed(actual) - qRed(expected)),
                            std::abs(qGreen(actual) - qGreen(expected)),
                            std::abs(qBlue(actual) - qBlue(expected))});
    if (d <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << QColor::fromRgb(actual).name().toStdString() << " is not within " << tolerance
           << " of " << QColor::fromRgb(expected).name().toStdString();
}

// The four quadrant colours, sampled at the quadrants' centres.
inline void expectQuadrants(const QImage& image, int tolerance) {
    const int w = image.width(), h = image.height();
    EXPECT_TRUE(colorNear(image.pixel(w / 4, h / 4), kRed, tolerance));
    EXPECT_TRUE(colorNear(image.pixel(3 * w / 4, h / 4), kGreen, tolerance));
    EXPECT_TRUE(colorNear(image.pixel(w / 4, 3 * h / 4), kBlue, tolerance));
    EXPECT_TRUE(colorNear(image.pixel(3 * w / 4, 3 * h / 4), kGrey, tolerance));
}

}  // namespace brindle::test
