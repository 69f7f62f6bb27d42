// Renders a whole presentation into an MP4 file: H.264 video when an H.264
// encoder is present (MPEG-4 Part 2 otherwise) and AAC sound, frame by
// frame through the same renderer the window uses.
#pragma once

#include "player/presentation.h"

#include <QSize>
#include <QString>

#include <functional>

namespace brindle {

struct ExportOptions {
    QSize size;  // empty: the root layout's size
    int framesPerSecond = 25;
    // Sound encoders working side by side, each on its part of the time
    // line: 0 chooses two for a sound of 20 s or more on a machine with more
    // than one core, else one.
    int soundParts = 0;
    // Called now and then with the time rendered so far.
    std::function<void(std::int64_t doneMs, std::int64_t totalMs)> progress;
};

struct ExportResult {
    bool ok = false;
    QString error;
    QString videoCodec;  // the encoder used
    std::int64_t frames = 0;
    double renderSeconds = 0;  // time spent drawing frames
};

ExportResult exportPresentation(const Presentation& presentation, const QString& outPath,
                                const ExportOptions& options);

}  // namespace brindle
