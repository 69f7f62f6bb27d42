#include "app/model/project.h"

#include "app/model/folders.h"
#include "platform/files.h"
#include "platform/messages.h"

namespace brindle {

Project gProject;
std::int32_t gVideosUsed = 0;
std::int32_t gSnapshotsUsed = 0;
std::int32_t gImagesUsed = 0;
std::int32_t gTextUsed = 0;
std::int32_t gSoundsUsed = 0;
QString gBackTrack;
std::int16_t gBackTrackType = SoundWave;
bool gBackTrackEncoded = false;
std::int32_t gBackTrackDuration = 0;
bool gProjectChanged = false;

namespace {

QString workName(const char* stem, std::int32_t n, const QString& extension) {
    return gWorkFolder + "/" + QLatin1String(stem) + QString::number(n) + extension;
}

bool copyInto(const QString& src, const QString& dst) {
    if (files::copyFile(src, dst)) {
        return true;
    }
    MsgBox(str::ProjectUpdateFailed);
    return false;
}

bool createCompanion(const QString& path) {
    if (files::createEmptyFile(path)) {
        return true;
    }
    MsgBox(str::ProjectUpdateFailed);
    return false;
}

}  // namespace

void resetCounters() {
    gVideosUsed = gSnapshotsUsed = gImagesUsed = gTextUsed = gSoundsUsed = 0;
}

QString thumbnailNameFor(const QString& slideFile, const QString& extension) {
    qsizetype drop = 4;
    if (extension == QLatin1String(".rt") || extension == QLatin1String(".rm")) {
        drop = 3;
    } else if (extension == QLatin1String(".jpeg")) {
        drop = 5;
    }
    return slideFile.left(std::max<qsizetype>(0, slideFile.size() - drop)) + "T.jpg";
}

// Copies the media into the work folder under new counter-based names and
// sets the record's fields. On failure the steps already done stay done.
bool Project::import(MediaElement& r, const MediaSource& source) {
    r.mediaType = source.mediaType;
    QString e;
    switch (source.mediaType) {
        case MediaSnapshot: {
            ++gSnapshotsUsed;
            const QString name = workName("shot", gSnapshotsUsed, ".jpg");
            if (!copyInto(source.Filename, name)) {
                return false;
            }
            r.Filename = name;
            const QString info = workName("shot", gSnapshotsUsed, ".rp");
            if (!createCompanion(info)) {
                return false;
            }
            r.InfoFilename = info;
            break;
        }
        case MediaImage: {
            ++gImagesUsed;
            e = source.Filename.right(4).toLower();
            if (e == QLatin1String("jpeg")) {
                e = QStringLiteral(".jpg");
            }
            const QString name = workName("image", gImagesUsed, e);
            if (!copyInto(source.Filename, name)) {
                return false;
            }
            r.Filename = name;
            const QString info = workName("image", gImagesUsed, ".rp");
            if (!createCompanion(info)) {
                return false;
            }
            r.InfoFilename = info;
            break;
        }
        case MediaVideo: {
            ++gVideosUsed;
            e = source.Filename.right(3).toLower();
            if (e == QLatin1String("avi")) {
                r.VideoType = VideoAvi;
                e = QStringLiteral(".avi");
            } else if (e == QLatin1String(".rm")) {
                r.VideoType = VideoRealMedia;
            } else {
                MsgBox(str::ProjectUpdateFailed);
                return false;
            }
            const QString name = workName("video", gVideosUsed, e);
            if (!copyInto(source.Filename, name)) {
                return false;
            }
            r.setEncoded(0);
            r.Filename = name;
            r.InfoFilename.clear();
            break;
        }
        case MediaText: {
            ++gTextUsed;
            const QString name = workName("text", gTextUsed, ".txt");
            if (!copyInto(source.Filename, name)) {
                return false;
            }
            r.Filename = name;
            const QString info = workName("text", gTextUsed, ".rt");
            if (!createCompanion(info)) {
                return false;
            }
            r.InfoFilename = info;
            break;
        }
        default:
            break;
    }

    if (!source.Sound.isEmpty()) {
        if (!r.UpdateSound(source.Sound)) {
            return false;
        }
    } else {
        r.Sound.clear();
    }

    r.Caption = source.Caption;
    r.Duration = source.Duration;
    r.AudioDuration = source.AudioDuration;

    if (!r.Filename.isEmpty()) {
        const QString thumb = thumbnailNameFor(r.Filename, e);
        if (!copyInto(source.Thumbnail, thumb)) {
            return false;
        }
        r.Thumbnail = thumb;
    }
    return true;
}

bool Project::Add(const MediaSource& source, const QString& sKey) {
    auto record = std::make_shared<MediaElement>();
    if (!import(*record, source)) {
        // No half-made slide: drop the record and the files it already got.
        for (const QString* file :
             {&record->Filename, &record->InfoFilename, &record->Sound, &record->Thumbnail}) {
            if (!file->isEmpty()) {
                files::deleteFile(*file);
            }
        }
        return false;
    }
    m_items.push_back(std::move(record));
    m_keys.push_back(sKey);
    return true;
}

bool Project::Modify(const IndexKey& at, const MediaSource& source) {
    MediaElement* r = Item(at);
    return r && import(*r, source);
}

bool Project::Overwrite(const IndexKey& at, std::int16_t mediaType, const QString& Filename,
                        const QString& InfoFilename, const QString& Sound, const QString& Caption,
                        std::int32_t Duration, std::int32_t AudioDuration, const QString& Thumbnail,
                        const QString& FontName, std::int16_t Alignment, std::int16_t PointSize,
                        std::int32_t ForeColor, std::int32_t BackColor, std::int16_t SoundType,
                        std::int16_t VideoType, std::int16_t Encoded) {
    MediaElement* r = Item(at);
    if (!r) {
        return false;
    }
    r->mediaType = mediaType;
    r->Filename = Filename;
    r->InfoFilename = InfoFilename;
    r->Sound = Sound;
    r->Caption = Caption;
    r->Duration = Duration;
    r->AudioDuration = AudioDuration;
    r->Thumbnail = Thumbnail;
    r->FontName = FontName;
    r->Alignment = Alignment;
    r->PointSize = PointSize;
    r->ForeColor = ForeColor;
    r->BackColor = BackColor;
    r->SoundType = SoundType;
    r->VideoType = VideoType;
    r->setEncoded(Encoded);
    return true;
}

int Project::indexOf(const IndexKey& at) const {
    if (at.isKey()) {
        for (size_t i = 0; i < m_keys.size(); ++i) {
            if (!at.key().isEmpty() && m_keys[i] == at.key()) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    return at.position() >= 1 && at.position() <= count() ? at.position() - 1 : -1;
}

MediaElement* Project::Item(const IndexKey& at) const {
    const int i = indexOf(at);
    return i < 0 ? nullptr : m_items[static_cast<size_t>(i)].get();
}

Project::Element Project::shared(const IndexKey& at) const {
    const int i = indexOf(at);
    return i < 0 ? nullptr : m_items[static_cast<size_t>(i)];
}

bool Project::Remove(const IndexKey& at, bool removeFiles) {
    const int i = indexOf(at);
    if (i < 0) {
        return false;
    }
    const MediaElement& r = *m_items[static_cast<size_t>(i)];
    if (removeFiles) {
        for (const QString* file : {&r.Filename, &r.InfoFilename, &r.Thumbnail, &r.Sound}) {
            if (!file->isEmpty()) {
                files::deleteFile(*file);
            }
        }
    }
    m_items.erase(m_items.begin() + i);
    m_keys.erase(m_keys.begin() + i);
    return true;
}

bool Project::insert(int position, Element element, const QString& sKey) {
    if (!element || position < 1 || position > count() + 1) {
        return false;
    }
    m_items.insert(m_items.begin() + (position - 1), std::move(element));
    m_keys.insert(m_keys.begin() + (position - 1), sKey);
    return true;
}

void Project::clear() {
    m_items.clear();
    m_keys.clear();
}

}  // namespace brindle
