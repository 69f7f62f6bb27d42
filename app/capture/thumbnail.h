// Slide thumbnails: the slide's medium scaled to fit a 320 x 240 box and
// written as the scratch JPEG gTempFolder + "/Thumbnail.jpg".
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace brindle {

// Makes the thumbnail of a slide medium with the registered view's Worker
// and clip edit control; answers the thumbnail file's full name.
QString MakeThumbnail(std::int16_t mediaType, const QString& file);

// Starts making the thumbnails of these pictures ahead, on worker threads
// (one per core), for files about to be added one after the other: a
// MakeThumbnail of one of them then only waits for its result, while the
// next ones are being made. A picture changed since, or never asked for,
// is made again or dropped; the results are the same bytes either way.
void prefetchThumbnails(const QStringList& pictures);
// The size at which a picture of `picture` fits its box: 320 x 240 for a
// thumbnail, else 80 x 62 (video) or 88 x 62 (others) in the strip.
QSize FitToStrip(bool thumbnail, std::int16_t mediaType, QSize picture);
// Whether a picture file decodes into a picture of a size the program can
// hold (a damaged file still counts when its start decodes). Uses a control
// of its own, so the Worker's picture stays as it is.
bool PictureDecodes(const QString& file);

}  // namespace brindle
