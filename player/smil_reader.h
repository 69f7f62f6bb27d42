// Reads a SMIL master file into its layout and its tree of timed elements.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace brindle {

struct SmilRegion {
    QString id;
    QString left, top, width, height;  // pixels or percentages, as written
    QString fit = QStringLiteral("hidden");
    int zIndex = 0;
    QString backgroundColor;  // empty: transparent
};

struct SmilNode {
    enum class Kind { Par, Seq, Media };
    Kind kind = Kind::Seq;
    QString tag;  // media element name: audio, video, textstream, ref, img, ...
    QString id, src, region;
    std::optional<std::int64_t> beginMs, endMs, durMs;
    QString fill;  // "freeze", "remove" or empty
    int line = 0;
    std::vector<SmilNode> children;
};

struct SmilDocument {
    int width = 0;  // root layout; 0 when not given
    int height = 0;
    QString backgroundColor;
    QString title;
    std::vector<SmilRegion> regions;
    SmilNode body;  // a sequence, as the body is
};

struct SmilReadResult {
    std::optional<SmilDocument> document;
    QString error;  // why there is no document, with the line
};

SmilReadResult readSmil(const QByteArray& bytes);

}  // namespace brindle
