// The caption stream "captions.rt": a RealText window in the caption strip
// that shows each slide's text caption from the slide's start until the
// next slide's. The pass writes its header when it declares the stream, one
// line per slide in its slide loop, and the end when it closes its files.
#pragma once

#include "app/present/text_line_file.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace brindle {

inline const QString kCaptionsFileName = QStringLiteral("captions.rt");

// The two header lines; the window lasts totalMs.
QStringList captionHeaderLines(std::int32_t totalMs);

// The line of one slide: the caption shown (escaped, followed by one blank)
// from startMs on, clearing the one before. An empty caption clears it.
QString captionSlideLine(std::int32_t startMs, const QString& caption);

inline const QString kCaptionEndLine = QStringLiteral("</window>");

class CaptionStreamWriter {
public:
    // Creates or truncates the file.
    bool open(const QString& path) { return m_file.open(path); }
    bool isOpen() const { return m_file.isOpen(); }

    void writeHeader(std::int32_t totalMs);
    void writeSlide(std::int32_t startMs, const QString& caption);
    void writeEnd() { m_file.writeLine(kCaptionEndLine); }

    // Closes the file with or without its end line (a cancelled pass leaves
    // it unfinished); true when everything written reached the disk.
    bool close() { return m_file.close(); }

private:
    TextLineFile m_file;
};

}  // namespace brindle
