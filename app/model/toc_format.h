// The table of contents, "tocName.toc": one "key:=value" line per value, in
// a fixed order (five counters, the background track, then sixteen lines per
// slide), UTF-8 with CR LF line ends. File values name files in the work
// folder by their bare names.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace brindle {

inline constexpr char kTocFileName[] = "tocName.toc";

// Lines per slide.
inline constexpr int kTocLinesPerSlide = 16;

// The value written for a file in the work folder: the part after the work
// folder ("/work" or "\work", without regard to case, and one separator);
// the bare file name for a path outside it; empty for an empty path.
QString tocRelativeName(const QString& path);

// A text value kept on its line: every line break becomes one blank.
QString tocOneLine(const QString& text);

// One slide's sixteen values as read, file values as bare names.
struct TocSlide {
    std::int32_t Index = 0;
    std::int16_t mediaType = 0;
    QString Filename;
    QString InfoFilename;
    QString Sound;
    QString Caption;
    std::int32_t Duration = 0;
    std::int32_t AudioDuration = 0;
    QString Thumbnail;
    QString FontName;
    std::int16_t Alignment = 0;
    std::int16_t PointSize = 0;
    std::int32_t ForeColor = 0;
    std::int32_t BackColor = 0;
    std::int16_t SoundType = 0;
    std::int16_t VideoType = 0;
};

struct TocContents {
    std::int32_t videosUsed = 0;
    std::int32_t snapshotsUsed = 0;
    std::int32_t imagesUsed = 0;
    std::int32_t textUsed = 0;
    std::int32_t soundsUsed = 0;
    QString backTrack;  // bare name, empty when none
    std::vector<TocSlide> slides;
};

// The file's text: UTF-8 (a byte order mark is dropped), or Windows-1252
// when the bytes are not valid UTF-8.
QString decodeTocText(const QByteArray& bytes);

// The lines of a text; CR LF, LF and CR all end a line, and the line end
// after the last line is optional.
QStringList tocLines(const QString& text);

// The value of a line: the text after the first ":=" (the key is not
// looked at); from the second character on when there is no ":=".
QString tocValue(const QString& line);

// The file a stored value names inside the work folder: only its bare name
// is taken (a folder part, from either platform, is dropped), and "." or
// ".." name nothing. So no value can reach outside the work folder.
QString tocFileValue(const QString& value);

// Reads a table of contents by line position: lines 1-5 the counters, line
// 6 the background track, then sixteen lines per slide while lines remain
// (missing lines of the last slide read as empty). Never fails.
TocContents parseToc(const QByteArray& bytes);

}  // namespace brindle
