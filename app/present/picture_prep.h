// Pictures of the image stream: every snapshot or image slide i becomes
// "pix" + i + ".jpg" in the preview folder, at most the picture region's
// size, saved at the image control's quality factor 45.
#pragma once

#include <QSize>
#include <QString>

#include <functional>

namespace brindle {

inline constexpr QSize kPictureBox{320, 240};
inline constexpr int kPictureQualityFactor = 45;

QString pictureFileName(int slide);

// The size a picture of the given size is saved at. One within the box is
// unchanged; a larger one is divided by one factor taken from its
// orientation: width / box width when it is at least as wide as tall, else
// height / box height. So a picture wider than tall may keep a height above
// the box's (400 by 380 becomes 320 by 304).
QSize fitPictureSize(QSize picture, QSize box = kPictureBox);

// The preparation step: load source, scale it to fitPictureSize(its size,
// box), save it to output as a JPEG at qualityFactor (the image control's
// scale, 2 best .. 255 smallest). False when the picture cannot be loaded or
// saved.
using PicturePrepareStep =
    std::function<bool(const QString& source, const QString& output, QSize box, int qualityFactor)>;

// Runs the current step.
bool preparePicture(const QString& source, const QString& output, QSize box = kPictureBox,
                    int qualityFactor = kPictureQualityFactor);

// Replaces the step (the image control's, once the program hosts it); an
// empty step restores preparePictureWithQImage.
void setPicturePrepareStep(PicturePrepareStep step);

// The built-in step, straight on QImage: a scaled load and a JPEG save.
bool preparePictureWithQImage(const QString& source, const QString& output, QSize box,
                              int qualityFactor);

// JPEG quality (1..100) for the image control's quality factor, as the
// built-in step uses it: 2 gives 100, 255 gives 1, straight in between.
int jpegQualityForFactor(int qualityFactor);

}  // namespace brindle
