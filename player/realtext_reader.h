// Reads a RealText stream into its window and a flat list of timed text
// pieces, breaks and clears, each with the style in force where it stands.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace brindle {

struct RealTextStyle {
    QString color;  // empty: the window's text colour
    int size = 3;   // 1..7
    QString face;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

struct RealTextItem {
    enum class Kind {
        Text,   // text with its white space collapsed to single blanks
        Break,  // ends the line; hard breaks also end an empty one
        Clear,  // removes everything shown before it
    };
    Kind kind = Kind::Text;
    QString text;
    RealTextStyle style;
    bool centered = false;
    bool hard = true;
    std::int64_t beginMs = 0;
    std::optional<std::int64_t> endMs;
};

struct RealTextDocument {
    QString type = QStringLiteral("generic");
    std::int64_t durationMs = 60000;
    QString bgcolor = QStringLiteral("white");
    QString color = QStringLiteral("black");
    std::optional<int> width, height;  // not given: the region decides
    int scrollRate = 0;                // pixels per second upward
    std::vector<RealTextItem> items;

    bool scrolls() const { return scrollRate > 0; }
};

struct RealTextReadResult {
    std::optional<RealTextDocument> document;
    QString error;
};

RealTextReadResult readRealText(const QByteArray& bytes);

// Pixel size of a RealText font size 1..7. Each is a little smaller than the
// text slide editor's bold font for the same size (12, 20 and 36 points at
// 96 dots per inch, 16, 27 and 48 pixels, for 2, 5 and 7), so the lines it
// wrapped never wrap again here.
int realTextPixelSize(int size);

}  // namespace brindle
