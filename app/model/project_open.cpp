// Opening a project file, a new project and the unsaved-changes question.
#include "app/model/folders.h"
#include "app/model/media_check.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/project_session.h"
#include "app/model/project_view.h"
#include "app/model/settings.h"
#include "app/model/toc_format.h"
#include "platform/files.h"
#include "platform/messages.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <limits>

namespace brindle {
namespace {

// A table of contents of 200 slides is some 100 KB; anything past this is
// not read, so a hostile file cannot make the slide list eat the memory.
constexpr qint64 kMaxTocBytes = 16 << 20;

QString inWork(const QString& name) {
    return gWorkFolder + "/" + name;
}

QString inWorkOrEmpty(const QString& name) {
    return name.isEmpty() ? QString() : inWork(name);
}

std::int32_t lengthMs(const QString& path) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(checkLengthMs(path), 0, std::numeric_limits<std::int32_t>::max()));
}

// How much of the project file opening reads.
enum class OpenScope {
    Whole,      // every member, as the editor opens it
    Checked,    // the table, the clips and the background track, with checks
    TableOnly,  // the table alone: nothing checked, no length read
};

void readBackTrack(const QString& name, OpenScope scope) {
    gBackTrackType = SoundWave;
    gBackTrackEncoded = false;
    gBackTrackDuration = 0;
    if (name.isEmpty()) {
        gBackTrack.clear();
        return;
    }
    gBackTrack = inWork(name);
    const QString lower = name.toLower();
    if (!lower.endsWith(QLatin1String(".wav")) &&
        (lower.endsWith(QLatin1String(".ra")) || lower.endsWith(QLatin1String(".rm")))) {
        gBackTrackType = SoundRealAudio;
        gBackTrackEncoded = true;
    }
    // Not stored in the table: the track's own length, so the time line of
    // the opened project does not keep the length of the previous one.
    if (scope != OpenScope::TableOnly) {
        gBackTrackDuration = lengthMs(gBackTrack);
    }
}

// Checks a video slide as the editor checks a clip it adds, and takes the
// clip's length as the slide's time when it has none. The video check reads
// only AVI clips, so a RealMedia clip is judged by its length alone (the
// editor does not check those either when it adds them).
void checkVideoSlide(MediaElement& slide) {
    if (slide.VideoType != VideoRealMedia) {
        if (!checkVideo(slide.Filename)) {
            MsgBox(str::BadProjectVideo);
            return;
        }
    }
    const std::int32_t length = lengthMs(slide.Filename);
    if (length == 0) {
        MsgBox(str::BadProjectVideo);
    } else if (slide.Duration == 0) {
        slide.Duration = length;
    }
}

// Appends a blank slide and stores the values into the slide the record's
// Index names. The blank slide is taken back when the Index named another
// slide or none, so no placeholder is left in the list.
void readSlide(const TocSlide& s, OpenScope scope) {
    if (!gProject.Add(MediaSource{})) {
        return;
    }
    const int appended = gProject.count();
    const bool stored =
        gProject.Overwrite(s.Index, s.mediaType, inWork(s.Filename), inWorkOrEmpty(s.InfoFilename),
                           inWorkOrEmpty(s.Sound), s.Caption, s.Duration, s.AudioDuration,
                           inWork(s.Thumbnail), s.FontName, s.Alignment, s.PointSize, s.ForeColor,
                           s.BackColor, s.SoundType, s.VideoType, 0);
    if (s.Index != appended) {
        gProject.Remove(appended, false);
    }
    MediaElement* slide = stored ? gProject.Item(s.Index) : nullptr;
    if (!slide) {
        return;
    }
    if ((slide->mediaType == MediaSnapshot || slide->mediaType == MediaImage) &&
        slide->Duration == 0) {
        slide->Duration = gDefaultSlideDuration;
    }
    if (slide->mediaType == MediaVideo && scope != OpenScope::TableOnly) {
        checkVideoSlide(*slide);
    }
}

// The members that opening reads besides the table: the clips (checked,
// and their lengths) and the background track (its length).
QStringList membersOpeningReads(const QByteArray& tocBytes) {
    const TocContents toc = parseToc(tocBytes);
    QStringList names;
    if (!toc.backTrack.isEmpty()) {
        names << toc.backTrack;
    }
    for (const TocSlide& s : toc.slides) {
        if (s.mediaType == MediaVideo && !s.Filename.isEmpty()) {
            names << s.Filename;
        }
    }
    return names;
}

void openProject(const QString& path, OpenScope scope) {
    BusyScope hourglass;
    clearProject();
    if (IsNotPlainFile(path)) {
        MsgBox(str::OpenFailed);
        return;
    }
    ProjectProgress progress(str::OpeningProject, &gOpening);
    // A file that does not unpack is reported; whatever did unpack is read.
    bool unpacked = false;
    if (scope == OpenScope::Whole) {
        unpacked = extractZip(gWorkFolder, path);
    } else if (extractZip(gWorkFolder, path, {kTocFileName})) {
        QFile table(inWork(kTocFileName));
        const QStringList more = scope == OpenScope::Checked && table.open(QIODevice::ReadOnly)
                                     ? membersOpeningReads(table.read(kMaxTocBytes))
                                     : QStringList();
        unpacked = more.isEmpty() || extractZip(gWorkFolder, path, more);
    }
    gProjectFile = path;
    gProjectName = projectNameOf(path);
    showProjectCaption();
    gProjectChanged = false;
    PublishFileBytes = 0;

    QByteArray bytes;
    QFile file(inWork(kTocFileName));
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.read(kMaxTocBytes);
        file.close();
    } else if (unpacked) {
        // A zip archive without a table of contents is not a project file.
        MsgBox(str::NotRecognised);
    }
    const TocContents toc = parseToc(bytes);
    gVideosUsed = toc.videosUsed;
    gSnapshotsUsed = toc.snapshotsUsed;
    gImagesUsed = toc.imagesUsed;
    gTextUsed = toc.textUsed;
    gSoundsUsed = toc.soundsUsed;
    readBackTrack(toc.backTrack, scope);
    for (const TocSlide& slide : toc.slides) {
        readSlide(slide, scope);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

    ProjectView* view = projectView();
    if (view) {
        view->showFromFirstSlide();
    }
    progress.close();
    if (view) {
        view->refreshStrip();
    }
    gProjectChanged = false;
}

}  // namespace

void readProject(const QString& path) {
    openProject(path, OpenScope::Whole);
}

void readProjectTable(const QString& path) {
    openProject(path, OpenScope::Checked);
}

void readProjectTableOnly(const QString& path) {
    openProject(path, OpenScope::TableOnly);
}

void clearProject() {
    while (gProject.count() > 0) {
        gProject.Remove(1, true);
    }
    gProjectFile.clear();
    gProjectName.clear();
    gBackTrack.clear();
    gBackTrackType = SoundWave;
    gBackTrackEncoded = false;
    gBackTrackDuration = 0;
    showProjectCaption();
    resetCounters();
    PublishFileBytes = 0;
    clearWorkAndPreview();
    if (ProjectView* view = projectView()) {
        view->resetStrip();
    }
    gProjectChanged = false;
}

int checkProject(bool changed) {
    if (!changed) {
        return vbNo;
    }
    return MsgBox(str::ProjectChanged, MsgButtons::YesNoCancel, MsgIcon::Exclamation);
}

}  // namespace brindle
