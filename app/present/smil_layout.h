// The lines of the SMIL master file "preView.smi": its head with the
// generator and the five regions, and the media lines of the body.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace brindle {

inline const QString kSmilFileName = QStringLiteral("preView.smi");
inline const QString kAudioTrackFileName = QStringLiteral("audios.rm");

// The program's name and version, "Brindle 0.1.0", for the generator line.
QString generatorText();

// From "<smil>" to "<par>": the meta lines, the layout and its regions.
QStringList smilHeadLines(const QString& generator);

QString smilAudioLine();
QString smilCaptionStreamLine();
QString smilImageStreamLine();

// The text slide i's own RealText file from startMs on; the last slide of
// the range stays on screen (fill freeze).
QString smilTextStreamLine(std::int32_t startMs, int slide, bool lastOfRange);
// The video slide i's clip "video" + n + ".rm"; every clip but the last is
// removed when it ends, the last one freezes.
QString smilVideoLine(std::int32_t startMs, int slide, const QString& videoNumber,
                      bool lastOfRange);

// The closing lines after the streams: "</par>" first, then, once the
// other files are closed, "</body>" and "</smil>".
inline const QString kSmilParEndLine = QStringLiteral("</par>");
inline const QStringList kSmilEndLines{QStringLiteral("</body>"), QStringLiteral("</smil>")};

// The number n of a video slide's file, "video" + n + ".avi" or ".rm": the
// file name without its extension (4 characters for an AVI, 3 for
// RealMedia), after the first "video" in it, whatever the case; the whole
// stem when it holds no "video".
QString videoNumber(const QString& videoPath, std::int16_t videoType);
// "maintext" + i + ".rt" and "video" + n + ".rm".
QString mainTextFileName(int slide);
QString videoFileName(const QString& videoNumber);

}  // namespace brindle
