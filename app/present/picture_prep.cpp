#include "app/present/picture_prep.h"

#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <cmath>

namespace brindle {

namespace {

PicturePrepareStep& currentStep() {
    static PicturePrepareStep step;
    return step;
}

}  // namespace

QString pictureFileName(int slide) {
    return "pix" + QString::number(slide) + ".jpg";
}

QSize fitPictureSize(QSize picture, QSize box) {
    const int w = picture.width();
    const int h = picture.height();
    if (w <= box.width() && h <= box.height()) {
        return picture;
    }
    const double factor = w >= h ? double(w) / box.width() : double(h) / box.height();
    return {static_cast<int>((w + 0.5) / factor), static_cast<int>((h + 0.5) / factor)};
}

int jpegQualityForFactor(int qualityFactor) {
    const int factor = std::clamp(qualityFactor, 2, 255);
    return std::clamp(static_cast<int>(std::lround(100.0 - (factor - 2) * 99.0 / 253.0)), 1, 100);
}

bool preparePictureWithQImage(const QString& source, const QString& output, QSize box,
                              int qualityFactor) {
    QImageReader reader(source);
    // First page only; the pictures are loaded as stored, without turning
    // them by any orientation tag, like the rest of the program.
    reader.setAutoTransform(false);
    QSize size = reader.size();
    QImage image;
    if (size.isValid()) {
        const QSize target = fitPictureSize(size, box);
        if (target != size) {
            reader.setScaledSize(target);
        }
        image = reader.read();
    } else {
        // A format that cannot tell its size before it is read.
        image = reader.read();
        if (!image.isNull()) {
            const QSize target = fitPictureSize(image.size(), box);
            if (target != image.size()) {
                image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            }
        }
    }
    if (image.isNull()) {
        return false;
    }
    // 24 bits per pixel: transparency and palettes do not survive.
    image = image.convertToFormat(QImage::Format_RGB888);
    QImageWriter writer(output, "jpeg");
    writer.setQuality(jpegQualityForFactor(qualityFactor));
    return writer.write(image);
}

bool preparePicture(const QString& source, const QString& output, QSize box, int qualityFactor) {
    const PicturePrepareStep& step = currentStep();
    if (step) {
        return step(source, output, box, qualityFactor);
    }
    return preparePictureWithQImage(source, output, box, qualityFactor);
}

void setPicturePrepareStep(PicturePrepareStep step) {
    currentStep() = std::move(step);
}

}  // namespace brindle
