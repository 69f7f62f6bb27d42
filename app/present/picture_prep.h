// Pictures of the image stream: every snapshot or image slide i becomes
// "pix" + i + ".jpg" in the preview folder, at most the picture region's
// size, saved at the image control's quality factor 45.
#pragma once

#include <QSize>
#include <QString>

#include <functional>

namespace brindle {

class ImageControl;

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

// Runs the current step: by default the image control's, on the editor's
// Worker when a view is registered, else on a hidden instance of its own.
bool preparePicture(const QString& source, const QString& output, QSize box = kPictureBox,
                    int qualityFactor = kPictureQualityFactor);

// Replaces the step; an empty step restores the image control's.
void setPicturePrepareStep(PicturePrepareStep step);

// The built-in step as preparePicture runs it: when output is the picture
// of slide i of gProject ("pix" + i + ".jpg"), the pictures of the next
// picture slides are prepared ahead on worker threads (one per core) into
// the temporary folder, and a later call for one of them only waits for it
// and moves it into place. The bytes are those preparePictureWithImageControl
// writes; a source changed since it was started is prepared again.
bool preparePictureBuiltIn(const QString& source, const QString& output, QSize box = kPictureBox,
                           int qualityFactor = kPictureQualityFactor);

// The built-in step on an image control: load at 24 bits per pixel (first
// page), resize when the picture exceeds the box, save as JPEG at 24 bits.
// The control's current image is replaced.
bool preparePictureWithImageControl(ImageControl& control, const QString& source,
                                    const QString& output, QSize box, int qualityFactor);

// JPEG quality (1..100) the image control writes for a quality factor: 2
// gives 100, 255 gives 1, straight in between.
int jpegQualityForFactor(int qualityFactor);

}  // namespace brindle
