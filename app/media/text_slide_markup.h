// The look and the two files of a text slide: the three font sizes, the
// four colour schemes, the timing rule that decides how fast the text
// scrolls and how long the slide lasts, and the lines of the RealText
// markup file and of the plain-text copy. No widgets here: the text slide
// dialog and brindle-cli share these functions.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace brindle {

// Width and height of the markup's text window, in pixels.
inline constexpr int kTextWindowWidth = 320;
inline constexpr int kTextWindowHeight = 240;

struct TextFontSize {
    int points;            // the text box's font
    const char* sizeAttr;  // the markup's font size
    int scrollRate;        // pixels per second when the text scrolls
};

struct TextColourScheme {
    std::uint32_t foreColor;  // text box colours, 0x00BBGGRR
    std::uint32_t backColor;
    const char* textColour;  // colour names written into the markup
    const char* backColour;
};

inline constexpr int kTextSizeCount = 3;
inline constexpr int kTextSchemeCount = 4;

// By font size index 0..2 and colour scheme index 0..3; indexes out of
// range are clamped, so a damaged project still shows a slide.
const TextFontSize& textFontSize(int index);
const TextColourScheme& textColourScheme(int index);

// Rounds to the nearest integer, halves to the even neighbour.
int roundHalfEven(double value);

struct TextTiming {
    int scrollRate = 0;  // 0: the text fits and does not scroll
    int seconds = 0;     // the slide's duration
    bool scrolls() const { return scrollRate != 0; }
};

// The timing of a text of `characters` characters wrapped into `lines`
// lines, in a box showing `visibleLines` lines, at the font's scroll rate.
TextTiming textTiming(int lines, int characters, int visibleLines, int scrollRate);

// How many "<br/>" lines put a scrolling text below the window's bottom.
int leadingBreaks(int visibleLines);

// Replaces "<", ">" and "&" by their entities and drops the characters a
// markup reader refuses (control characters other than the tab).
QString escapeTextLine(const QString& line);

struct TextSlideLook {
    int sizeIndex = 0;
    int schemeIndex = 0;
    bool centred = false;
    QString fontName;  // the markup's face
};

// The lines of the RealText file, without line ends.
QStringList realTextLines(const QStringList& wrappedLines, const TextSlideLook& look,
                          const TextTiming& timing, int visibleLines);

// Writes lines, each ended by CR LF, as UTF-8. False when the file cannot
// be written completely; a partial file is removed.
bool writeTextLines(const QString& path, const QStringList& lines);

}  // namespace brindle
