#include "app/present/picture_prep.h"

#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "components/imaging/image_control.h"
#include "components/imaging/image_ops.h"
#include "platform/files.h"
#include "platform/made_ahead.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <optional>

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

// Pictures prepared ahead, by their output path.
MadeAhead& ahead() {
    static MadeAhead cache(QStringLiteral("pix-ahead-"), QStringLiteral(".jpg"));
    return cache;
}

// What besides the source decides a prepared picture's bytes.
QString settingsTag(QSize box, int quality) {
    return QStringLiteral("%1x%2 q%3").arg(box.width()).arg(box.height()).arg(quality);
}

// Pictures started ahead and not yet taken, at most.
int aheadLimit() {
    return 2 * std::max(1, QThread::idealThreadCount());
}

// The result made ahead for this output, moved into place; nullopt when
// there is none for the source as it is now.
std::optional<bool> takeAhead(const QString& source, const QString& output, QSize box,
                              int quality) {
    switch (ahead().take(output, source, settingsTag(box, quality), output)) {
        case MadeAhead::Taken::None:
            return std::nullopt;
        case MadeAhead::Taken::Failed:
            return false;
        case MadeAhead::Taken::Made:
            break;
    }
    return true;
}

// Starts the pictures of the picture slides after the one whose picture is
// output, up to the limit.
void startAhead(const QString& output, QSize box, int quality) {
    static const QRegularExpression pictureName(QStringLiteral("^pix(\\d+)\\.jpg$"));
    const QFileInfo out(output);
    const QRegularExpressionMatch m = pictureName.match(out.fileName());
    if (!m.hasMatch()) {
        return;
    }
    files::makeFolder(gTempFolder);
    for (int j = m.captured(1).toInt() + 1; j <= gProject.count() && ahead().size() < aheadLimit();
         ++j) {
        const MediaElement* slide = gProject.Item(j);
        if (!slide || (slide->mediaType != MediaImage && slide->mediaType != MediaSnapshot)) {
            continue;
        }
        const QString source = slide->Filename;
        ahead().start(
            out.absolutePath() + "/" + pictureFileName(j), source, settingsTag(box, quality),
            gTempFolder, [source, box, quality](const QString& file) {
                ImageControl control;
                return preparePictureWithImageControl(control, source, file, box, quality);
            });
    }
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

bool preparePictureBuiltIn(const QString& source, const QString& output, QSize box,
                           int qualityFactor) {
    const std::optional<bool> taken = takeAhead(source, output, box, qualityFactor);
    startAhead(output, box, qualityFactor);
    if (taken) {
        return *taken;
    }
    return preparePictureWithImageControl(preparationControl(), source, output, box, qualityFactor);
}

bool preparePicture(const QString& source, const QString& output, QSize box, int qualityFactor) {
    const PicturePrepareStep& step = currentStep();
    if (step) {
        return step(source, output, box, qualityFactor);
    }
    return preparePictureBuiltIn(source, output, box, qualityFactor);
}

void setPicturePrepareStep(PicturePrepareStep step) {
    currentStep() = std::move(step);
}

}  // namespace brindle
