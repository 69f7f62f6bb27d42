// One slide: its medium, companion, sound and thumbnail files in the work
// folder, its caption, timing and text-slide look.
#pragma once

#include <QString>

#include <cstdint>

namespace brindle {

// Media type codes, as the table of contents stores them.
enum MediaTypeCode : std::int16_t {
    MediaSnapshot = 0,
    MediaVideo = 1,
    MediaImage = 2,
    MediaText = 3,
    MediaRaw = 4,  // placeholder while a project is read
};

enum VideoTypeCode : std::int16_t { VideoAvi = 0, VideoRealMedia = 1 };
enum SoundTypeCode : std::int16_t { SoundWave = 0, SoundRealAudio = 1 };

class MediaElement {
public:
    std::int16_t mediaType = 0;
    QString Filename;      // main file in the work folder
    QString InfoFilename;  // ".rp" companion of pictures, ".rt" of text slides
    QString Sound;         // audio caption, empty when none
    QString Caption;
    std::int32_t Duration = 0;       // display time, ms
    std::int32_t AudioDuration = 0;  // audio caption length, ms
    QString Thumbnail;
    QString FontName;
    std::int16_t Alignment = 0;
    std::int16_t PointSize = 0;
    std::int32_t ForeColor = 0;  // 0x00BBGGRR
    std::int32_t BackColor = 0;  // 0x00BBGGRR
    std::int16_t SoundType = 0;
    std::int16_t VideoType = 0;

    // Stored as a 16-bit number; any non-zero value reads back as -1 (true).
    std::int16_t Encoded() const { return m_encoded != 0 ? -1 : 0; }
    void setEncoded(std::int16_t value) { m_encoded = value; }
    bool isEncoded() const { return m_encoded != 0; }

    // Attaches, replaces (same file name) or, with an empty name, removes the
    // audio caption. False, with message 135, when the file cannot be used.
    bool UpdateSound(const QString& newSound);

    // Copy src over the file the field already names; the field is unchanged.
    bool UpdateThumbNail(const QString& src);
    bool UpdateImage(const QString& src);
    bool UpdateTextInfoFilename(const QString& src);
    bool UpdateTextFilename(const QString& src);

private:
    std::int16_t m_encoded = 0;
};

}  // namespace brindle
