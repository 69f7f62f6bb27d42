#include "app/present/smil_layout.h"

#include "app/model/media_element.h"
#include "app/present/seconds_text.h"
#include "platform/files.h"

namespace brindle {

namespace {

QString meta(const QString& name, const QString& value) {
    return "<meta name=" + QuoteArg(name) + " content=" + QuoteArg(value) + " />";
}

QString region(const char* id, int top, int left, int width, int height,
               std::initializer_list<std::pair<const char*, const char*>> further) {
    QString line = "  <region id=" + QuoteArg(QString::fromLatin1(id)) +
                   " top=" + QuoteArg(QString::number(top)) +
                   " left=" + QuoteArg(QString::number(left)) +
                   " width=" + QuoteArg(QString::number(width)) +
                   " height=" + QuoteArg(QString::number(height));
    for (const auto& [name, value] : further) {
        line += " " + QString::fromLatin1(name) + "=" + QuoteArg(QString::fromLatin1(value));
    }
    return line + " />";
}

QString beginAt(std::int32_t startMs) {
    return QuoteArg(SecondsText(startMs) + "s");
}

}  // namespace

QString generatorText() {
    return QStringLiteral(BRINDLE_PROGRAM_NAME " " BRINDLE_PROGRAM_VERSION);
}

QStringList smilHeadLines(const QString& generator) {
    return {
        "<smil>",
        "<head>",
        meta("generator", generator),
        meta("author", "no author"),
        meta("title", "no title"),
        " <layout>",
        "  <root-layout background-color=" + QuoteArg("black") + " width=" + QuoteArg("330") +
            " height=" + QuoteArg("270") + " />",
        // The picture area is 320 x 240 at (5, 5), the video region 176 x 132
        // centred in it, the caption strip 20 high below it; the sound plays
        // in a 1 x 1 region behind everything.
        region("videoregion", 59, 77, 176, 132, {{"fit", "meet"}, {"z-index", "2"}}),
        region("titlesregion", 5, 5, 320, 240, {{"fit", "meet"}, {"z-index", "1"}}),
        region("imageregion", 5, 5, 320, 240, {{"fit", "meet"}, {"z-index", "0"}}),
        region("capsregion", 245, 5, 320, 20, {{"center", "1"}}),
        region("avcaption", 265, 5, 1, 1, {{"center", "1"}, {"z-index", "-1"}}),
        " </layout>",
        "</head>",
        "<body>",
        "<par>",
    };
}

QString smilAudioLine() {
    return "<audio id=" + QuoteArg("audioTrack") + " src=" + QuoteArg(kAudioTrackFileName) +
           " region=" + QuoteArg("avcaption") + " />";
}

QString smilCaptionStreamLine() {
    return "<textstream id=" + QuoteArg("txtCaptions") + " src=" + QuoteArg("captions.rt") +
           " region=" + QuoteArg("capsregion") + " fill=" + QuoteArg("freeze") + " />";
}

QString smilImageStreamLine() {
    return "<ref id=" + QuoteArg("images") + " src=" + QuoteArg("allpix.rp") +
           " region=" + QuoteArg("imageregion") + " fill=" + QuoteArg("freeze") + " />";
}

QString smilTextStreamLine(std::int32_t startMs, int slide, bool lastOfRange) {
    return "<textstream begin=" + beginAt(startMs) +
           " id=" + QuoteArg("mainDisplay" + QString::number(slide)) +
           " src=" + QuoteArg(mainTextFileName(slide)) + " region=" + QuoteArg("titlesregion") +
           (lastOfRange ? " fill=" + QuoteArg("freeze") : QString()) + " />";
}

QString smilVideoLine(std::int32_t startMs, int slide, const QString& number, bool lastOfRange) {
    return "<video begin=" + beginAt(startMs) +
           " id=" + QuoteArg("mainDisplay" + QString::number(slide)) +
           " src=" + QuoteArg(videoFileName(number)) + " region=" + QuoteArg("videoregion") +
           " fill=" + QuoteArg(lastOfRange ? "freeze" : "remove") + " />";
}

QString videoNumber(const QString& videoPath, std::int16_t videoType) {
    // Only the file name is searched: a folder whose name holds "video"
    // (~/Videos/...) must not decide the number.
    const QString name = FileNamePart(videoPath);
    const QString stem =
        name.chopped(std::min<qsizetype>(name.size(), videoType == VideoRealMedia ? 3 : 4));
    const qsizetype at = stem.indexOf(QLatin1String("video"), 0, Qt::CaseInsensitive);
    return at < 0 ? stem : stem.mid(at + 5);
}

QString mainTextFileName(int slide) {
    return "maintext" + QString::number(slide) + ".rt";
}

QString videoFileName(const QString& number) {
    return "video" + number + ".rm";
}

}  // namespace brindle
