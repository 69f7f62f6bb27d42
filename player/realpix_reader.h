// Reads a RealPix image stream: its head, its pictures by handle and its
// timed effects.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace brindle {

struct RealPixEffect {
    enum class Kind { Fill, FadeIn, FadeOut, CrossFade, Wipe };
    Kind kind = Kind::Fill;
    std::int64_t startMs = 0;
    std::int64_t durationMs = 0;
    int target = 0;              // picture handle (fadein, crossfade, wipe)
    QString color;               // fill and fadeout colour; "transparent" allowed
    QRect dst;                   // empty: the whole display
    QRect src;                   // empty: the whole picture
    std::optional<bool> aspect;  // the head's rule unless given
    QString direction;           // wipe: left, right, up, down
};

struct RealPixDocument {
    std::int64_t durationMs = 0;
    int width = 320;
    int height = 240;
    bool aspect = true;
    QString background;                  // head "background-color"; empty: black
    QHash<int, QString> images;          // handle -> file name, as written
    std::vector<RealPixEffect> effects;  // in start order (stable)
};

struct RealPixReadResult {
    std::optional<RealPixDocument> document;
    QString error;
};

RealPixReadResult readRealPix(const QByteArray& bytes);

}  // namespace brindle
