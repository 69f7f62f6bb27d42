#include "app/present/picture_prep.h"

#include "app/model/project_view.h"
#include "components/imaging/image_control.h"
#include "components/imaging/image_ops.h"

#include <algorithm>

namespace brindle {

namespace {

PicturePrepareStep& currentStep() {
    static PicturePrepareStep step;
    return step;
}

// The image control the built-in step works on.
ImageControl& preparationControl() {
    if (ProjectView* view = projectView()) {
        return view->worker();
    }
    static ImageControl own;
    return own;
}

constexpr int kResizeFlag = 1;

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
    return imageops::jpegQuality(std::clamp(qualityFactor, 2, 255));
}

bool preparePictureWithImageControl(ImageControl& control, const QString& source,
                                    const QString& output, QSize box, int qualityFactor) {
    if (control.load(source, 24, 0, 1) != ImageStatus::Ok) {
        return false;
    }
    const QSize size(control.width(), control.height());
    const QSize target = fitPictureSize(size, box);
    if (target != size &&
        control.resize(target.width(), target.height(), kResizeFlag) != ImageStatus::Ok) {
        return false;
    }
    return control.save(output, ImageControl::kFormatJpeg, 24, qualityFactor) == ImageStatus::Ok;
}

bool preparePicture(const QString& source, const QString& output, QSize box, int qualityFactor) {
    const PicturePrepareStep& step = currentStep();
    if (step) {
        return step(source, output, box, qualityFactor);
    }
    return preparePictureWithImageControl(preparationControl(), source, output, box, qualityFactor);
}

void setPicturePrepareStep(PicturePrepareStep step) {
    currentStep() = std::move(step);
}

}  // namespace brindle
