#include "app/present/image_stream.h"

#include "app/model/project.h"
#include "app/present/picture_prep.h"
#include "app/present/seconds_text.h"
#include "platform/files.h"

namespace brindle {

QStringList imageHeaderLines(std::int32_t totalMs) {
    return {"<imfl>",
            "<head",
            "  timeformat=" + QuoteArg("dd:hh:mm:ss.xyz"),
            "  duration=" + QuoteArg(SecondsText(totalMs)),
            "  bitrate=" + QuoteArg("10000"),
            "  width=" + QuoteArg("320"),
            "  height=" + QuoteArg("240"),
            "  aspect=" + QuoteArg("True"),
            "/>"};
}

QString imageDeclarationLine(int slide) {
    return "<image handle=" + QuoteArg(QString::number(slide)) +
           " name=" + QuoteArg(pictureFileName(slide)) + "/>";
}

QString imageFadeInLine(std::int32_t startMs, int slide) {
    return "<fadein start=" + QuoteArg(SecondsText(startMs)) + " duration=" + QuoteArg("2") +
           " target=" + QuoteArg(QString::number(slide)) + "/>";
}

QString imageClearLine(std::int32_t startMs) {
    return "<fill start=" + QuoteArg(SecondsText(startMs)) + " color=" + QuoteArg("transparent") +
           "/>";
}

bool hasStreamPicture(std::int16_t mediaType) {
    return mediaType == MediaSnapshot || mediaType == MediaImage;
}

std::optional<QString> imageEffectLine(std::int32_t startMs, int slide, std::int16_t mediaType) {
    if (hasStreamPicture(mediaType)) {
        return imageFadeInLine(startMs, slide);
    }
    if (mediaType == MediaText || mediaType == MediaVideo) {
        return imageClearLine(startMs);
    }
    return std::nullopt;
}

void ImageStreamWriter::writeHeader(std::int32_t totalMs) {
    for (const QString& line : imageHeaderLines(totalMs)) {
        m_file.writeLine(line);
    }
}

void ImageStreamWriter::writeDeclarations(const Project& project, int first, int last) {
    for (int i = first; i <= last; ++i) {
        const MediaElement* slide = project.Item(i);
        if (slide && hasStreamPicture(slide->mediaType)) {
            m_file.writeLine(imageDeclarationLine(i));
        }
    }
    m_file.writeLine(QString());
}

void ImageStreamWriter::writeSlide(std::int32_t startMs, int slide, std::int16_t mediaType) {
    if (const auto line = imageEffectLine(startMs, slide, mediaType)) {
        m_file.writeLine(*line);
    }
}

}  // namespace brindle
