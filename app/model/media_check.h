// What the model asks about media files it cannot judge itself: whether a
// clip can be used as a slide and how long a clip or a sound lasts. The
// model owns the question; the editor and brindle-cli answer it with the
// clip edit control and the media playback code (installVideoChecks in
// app/present), tests with what they need.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace brindle {

struct MediaChecks {
    // Whether a video file opens and its first frame decodes. Unset: no
    // clip is good.
    std::function<bool(const QString& path)> isGoodVideo;
    // The length of a clip or a sound in milliseconds; 0 when it cannot be
    // read. Unset: 0 for every file.
    std::function<std::int64_t(const QString& path)> lengthMs;
};

// Replaces the checks; default-constructed checks remove them.
void setMediaChecks(MediaChecks checks);

// The installed checks, or their defaults.
bool checkVideo(const QString& path);
std::int64_t checkLengthMs(const QString& path);

}  // namespace brindle
