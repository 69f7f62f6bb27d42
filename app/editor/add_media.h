// Slides made from existing picture and video files: the Files button's
// dialog, files dropped on the strip, and createSlide, which the capture,
// scan and text dialogs call as well when they finish a new slide.
#pragma once

#include "app/model/project.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace brindle {

// Makes the thumbnail, imports the files into the project after the
// selected slide (or at the end), selects the new slide and refreshes the
// strip. Answers the new slide's number, 0 on failure (callers show 65).
int createSlide(std::int16_t mediaType, const QString& file, const QString& sound,
                const QString& caption);

// Puts a new slide at position p (1-based). A failed import leaves the list
// as it was.
bool insertSlide(int p, const MediaSource& source);

// Files dropped on the strip; the new slide follows slide afterSlide (0 puts
// it first). Only the first file is used.
void dropFile(const QStringList& paths, int afterSlide);

// The Files button and its menu item.
void Files_Click();

// The media type a file is accepted as, by the last four characters of its
// name: MediaImage, MediaVideo, or -1 when refused.
int acceptedMediaType(const QString& path);

}  // namespace brindle
