// The image stream "allpix.rp": a RealPix presentation in the picture
// region that fades in each snapshot and image slide at its start and
// clears the region (a transparent fill) for text and video slides. The
// pass writes the header and the image declarations when it declares the
// stream, one effect per slide in its slide loop, and the end last.
#pragma once

#include "app/present/text_line_file.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace brindle {

class Project;

inline const QString kImagesFileName = QStringLiteral("allpix.rp");

// The nine header lines; the stream lasts totalMs.
QStringList imageHeaderLines(std::int32_t totalMs);

// The declaration of slide i's picture, handle i, file "pix" + i + ".jpg".
QString imageDeclarationLine(int slide);

// A two-second fade-in of handle i at startMs.
QString imageFadeInLine(std::int32_t startMs, int slide);

// Clears the picture region at startMs, so the region behind it shows.
QString imageClearLine(std::int32_t startMs);

// The effect a slide of the media type gets: a fade-in for snapshots and
// images, a clear for text and video, none for anything else.
std::optional<QString> imageEffectLine(std::int32_t startMs, int slide, std::int16_t mediaType);

// True for the media types whose slides bring a picture to the stream.
bool hasStreamPicture(std::int16_t mediaType);

inline const QString kImagesEndLine = QStringLiteral("</imfl>");

class ImageStreamWriter {
public:
    bool open(const QString& path) { return m_file.open(path); }
    bool isOpen() const { return m_file.isOpen(); }

    void writeHeader(std::int32_t totalMs);

    // One declaration per snapshot or image slide of first..last (1-based
    // positions in the project), then the empty line that ends the list.
    void writeDeclarations(const Project& project, int first, int last);

    void writeSlide(std::int32_t startMs, int slide, std::int16_t mediaType);
    void writeEnd() { m_file.writeLine(kImagesEndLine); }

    bool close() { return m_file.close(); }

private:
    TextLineFile m_file;
};

}  // namespace brindle
