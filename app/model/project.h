// The slide list (gProject) and the project-wide state beside it: the file
// counters that make new work file names, the background track and the
// changed flag.
#pragma once

#include "app/model/media_element.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace brindle {

// A slide position (1-based) or a key given when the slide was added.
class IndexKey {
public:
    IndexKey(int position) : m_position(position) {}  // NOLINT: implicit as in the callers
    IndexKey(const QString& key) : m_key(key) {}      // NOLINT
    IndexKey(const char* key) : m_key(QString::fromUtf8(key)) {}  // NOLINT

    bool isKey() const { return !m_key.isNull(); }
    int position() const { return m_position; }
    const QString& key() const { return m_key; }

private:
    int m_position = 0;
    QString m_key;
};

// The media arguments of Add and Modify.
struct MediaSource {
    std::int16_t mediaType = MediaRaw;
    QString Filename;  // source file, copied into the work folder
    QString Sound;     // source sound file or empty
    QString Caption;
    std::int32_t Duration = 0;
    std::int32_t AudioDuration = 0;
    QString Thumbnail;  // source picture for the thumbnail
};

class Project {
public:
    using Element = std::shared_ptr<MediaElement>;

    // Imports the media into the work folder and appends a new slide. A
    // failed import shows message 135, answers false and leaves no slide
    // behind; the counters keep their new values, so no name is reused.
    bool Add(const MediaSource& source, const QString& sKey = {});

    // Imports anew into the existing slide: new file names, files copied
    // again. False when the slide does not exist or the import fails.
    bool Modify(const IndexKey& at, const MediaSource& source);

    // Stores every value into the existing slide verbatim; copies no file.
    // False only when the slide does not exist.
    bool Overwrite(const IndexKey& at, std::int16_t mediaType, const QString& Filename,
                   const QString& InfoFilename, const QString& Sound, const QString& Caption,
                   std::int32_t Duration, std::int32_t AudioDuration, const QString& Thumbnail,
                   const QString& FontName, std::int16_t Alignment, std::int16_t PointSize,
                   std::int32_t ForeColor, std::int32_t BackColor, std::int16_t SoundType,
                   std::int16_t VideoType, std::int16_t Encoded);

    // The slide at a position or key; nullptr when there is none.
    MediaElement* Item(const IndexKey& at) const;
    Element shared(const IndexKey& at) const;

    std::int32_t count() const { return static_cast<std::int32_t>(m_items.size()); }

    // Removes the slide, first deleting its files when removeFiles is set
    // (failures to delete are ignored). False only when it does not exist.
    bool Remove(const IndexKey& at, bool removeFiles);

    // Inserts an existing slide at a 1-based position (count() + 1 appends).
    bool insert(int position, Element element, const QString& sKey = {});

    // Drops every slide without touching files.
    void clear();

    // Enumeration in order.
    auto begin() const { return m_items.cbegin(); }
    auto end() const { return m_items.cend(); }

private:
    int indexOf(const IndexKey& at) const;  // 0-based, -1 when missing
    bool import(MediaElement& r, const MediaSource& source);

    std::vector<Element> m_items;
    std::vector<QString> m_keys;  // beside m_items; empty when added without a key
};

extern Project gProject;
extern std::int32_t gVideosUsed;
extern std::int32_t gSnapshotsUsed;
extern std::int32_t gImagesUsed;
extern std::int32_t gTextUsed;
extern std::int32_t gSoundsUsed;
extern QString gBackTrack;
extern std::int16_t gBackTrackType;
extern bool gBackTrackEncoded;
extern std::int32_t gBackTrackDuration;  // ms
extern bool gProjectChanged;

// Sets the five counters to 0 (start-up and a new project).
void resetCounters();

// The thumbnail name for a slide file: its stem (dropping ".rt"/".rm",
// ".jpeg" or the last four characters) + "T.jpg".
QString thumbnailNameFor(const QString& slideFile, const QString& extension);

}  // namespace brindle
