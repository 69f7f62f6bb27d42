// A presentation ready to play: the SMIL file read, its regions placed, its
// elements' streams loaded and their times resolved to milliseconds.
#pragma once

#include "player/realpix_reader.h"
#include "player/realtext_reader.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace brindle {

struct PresentationRegion {
    QString id;
    QRect rect;  // in root-layout pixels
    QString fit;
    int zIndex = 0;
    int order = 0;      // place in the layout, for equal z-index
    QColor background;  // invalid: transparent
};

struct PresentationItem {
    enum class Kind { RealPix, RealText, Video, Audio, Image, Broken };
    Kind kind = Kind::Broken;
    QString tag;
    QString path;     // full path of the element's stream
    int region = -1;  // index into regions
    std::int64_t beginMs = 0;
    std::int64_t activeEndMs = 0;   // playing until
    std::int64_t shownUntilMs = 0;  // shown (frozen after the active end) until
    std::shared_ptr<const RealPixDocument> realPix;
    std::shared_ptr<const RealTextDocument> realText;
    QImage image;
    QSize videoSize;
    bool hasAudio = false;  // an audio element, or a video element with sound

    bool isVisual() const { return kind != Kind::Audio && kind != Kind::Broken; }
};

struct Presentation {
    QString smilPath;
    QString folder;  // streams are found relative to it
    QString title;
    QSize size;  // root layout
    QColor background;
    std::vector<PresentationRegion> regions;  // in drawing order: lowest z first
    std::vector<PresentationItem> items;      // in document order
    std::int64_t durationMs = 0;
    QStringList problems;  // streams that are missing or could not be read
};

struct PresentationLoad {
    std::optional<Presentation> presentation;
    QString error;  // why nothing can be played
};

// Loads a .smi file, or a .rpm/.ram file whose first "file://" line names one.
PresentationLoad loadPresentation(const QString& path);

// The SMIL file a player reference file (.rpm, .ram) points at; the path
// itself for anything else. Empty with a reason in *error when the
// reference cannot be read.
QString resolvePlayerReference(const QString& path, QString* error);

// A colour as the presentation files write it: a name, "#rrggbb", "#rgb";
// invalid for "transparent" and for what cannot be read.
QColor parseColor(const QString& text);

}  // namespace brindle
