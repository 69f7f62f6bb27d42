#include "app/present/caption_stream.h"

#include "app/present/seconds_text.h"
#include "platform/files.h"
#include "platform/messages.h"

namespace brindle {

namespace {}

QStringList captionHeaderLines(std::int32_t totalMs) {
    // Both tags carry two blanks after their name, as the player's files
    // always have.
    return {"<window  bgcolor=" + QuoteArg("black") + " color=" + QuoteArg("white") +
                " duration=" + QuoteArg(SecondsText(totalMs)) + ">",
            "<font  color=" + QuoteArg("white") + " face=" +
                QuoteArg(LoadResString(str::CaptionFace)) + " size=" + QuoteArg("+1") + ">"};
}

QString captionSlideLine(std::int32_t startMs, const QString& caption) {
    return "<time begin=" + QuoteArg(SecondsText(startMs)) + "/><clear/><center><b>" +
           EscapeAngles(caption) + " </b></center>";
}

void CaptionStreamWriter::writeHeader(std::int32_t totalMs) {
    for (const QString& line : captionHeaderLines(totalMs)) {
        m_file.writeLine(line);
    }
}

void CaptionStreamWriter::writeSlide(std::int32_t startMs, const QString& caption) {
    m_file.writeLine(captionSlideLine(startMs, caption));
}

}  // namespace brindle
