#include "app/editor/add_media.h"

#include "app/capture/thumbnail.h"
#include "app/editor/strip_state.h"
#include "app/model/folders.h"
#include "app/model/project_view.h"
#include "app/model/settings.h"
#include "app/present/video_check.h"
#include "components/imaging/image_control.h"
#include "components/mediaplayer/media_length.h"
#include "platform/file_dialogs.h"
#include "platform/files.h"
#include "platform/messages.h"

#include <QDir>

#include <algorithm>
#include <limits>

namespace brindle {

namespace {

constexpr int kJpegQualityBest = 2;

QString lastFour(const QString& path) {
    return path.right(4).toLower();
}

// A GIF becomes the fixed scratch JPEG before anything else sees it.
QString withoutGif(const QString& file) {
    if (lastFour(file) != ".gif") {
        return file;
    }
    ProjectView* view = projectView();
    ImageControl own;
    ImageControl& worker = view ? view->worker() : own;
    const QString jpeg = gTempFolder + "/gifSupport.jpg";
    worker.clear();
    // A conversion that fails must not leave the previous GIF's picture.
    files::deleteFile(jpeg);
    worker.loadForConversion(file);
    worker.save(jpeg, ImageControl::kFormatJpeg, 24, kJpegQualityBest);
    worker.clear();
    return jpeg;
}

bool passesVideoCheck(const QString& path) {
    ProjectView* view = projectView();
    dispatch::ControlHost* klipvane = view ? view->clipEditControl() : nullptr;
    return klipvane != nullptr && isGoodVideo(*klipvane, path);
}

void refresh() {
    if (ProjectView* view = projectView()) {
        view->refreshStrip();
    }
}

// A picture or a clip becomes a slide; the messages name the failure.
// refusedEntry is the message for a file of another type.
void addMediaFile(const QString& path, int refusedEntry) {
    const int type = acceptedMediaType(path);
    if (type == MediaImage) {
        if (!PictureDecodes(path)) {
            MsgBoxText(str::PictureRefused,
                       LoadResString(str::PictureRefused) + QDir::toNativeSeparators(path));
            return;
        }
        const int slide = createSlide(MediaImage, path, {}, {});
        if (slide < 1) {
            MsgBox(str::AddFailed);
            return;
        }
        gProject.Item(slide)->Duration = gDefaultSlideDuration;
    } else if (type == MediaVideo) {
        if (!passesVideoCheck(path)) {
            MsgBox(str::BadVideo);
            return;
        }
        const int slide = createSlide(MediaVideo, path, {}, {});
        if (slide < 1) {
            MsgBox(str::AddFailed);
            return;
        }
        MediaElement* r = gProject.Item(slide);
        const std::int64_t length = mediaLengthMs(r->Filename);
        r->Duration = static_cast<std::int32_t>(
            std::min<std::int64_t>(length, std::numeric_limits<std::int32_t>::max()));
    } else {
        MsgBox(refusedEntry);
    }
}

}  // namespace

int acceptedMediaType(const QString& path) {
    const QString e = lastFour(path);
    if (e == ".bmp" || e == ".jpg" || e == "jpeg" || e == ".gif") {
        return MediaImage;
    }
    if (e == ".avi") {
        return MediaVideo;
    }
    return -1;
}

bool insertSlide(int p, const MediaSource& source) {
    // The slide is imported at the end and then moved into place, so a
    // failed import leaves no blank or doubled record behind.
    if (p < 1 || p > gProject.count() + 1 || !gProject.Add(source)) {
        return false;
    }
    const int last = gProject.count();
    if (p == last) {
        return true;
    }
    Project::Element added = gProject.shared(last);
    gProject.Remove(last, false);
    return gProject.insert(p, std::move(added));
}

int createSlide(std::int16_t mediaType, const QString& file, const QString& sound,
                const QString& caption) {
    const QString medium = withoutGif(file);
    MediaSource source;
    source.mediaType = mediaType;
    source.Filename = medium;
    source.Sound = sound;
    source.Caption = caption;
    source.Thumbnail = MakeThumbnail(mediaType, medium);

    const bool append = gSelectedSlide >= gProject.count() || gProject.count() == 0;
    const int position = append ? gProject.count() + 1 : std::max(gSelectedSlide, 0) + 1;
    if (!(append ? gProject.Add(source) : insertSlide(position, source))) {
        return 0;
    }
    gSelectedSlide = position;
    if (gSelectedSlide > gFirstVisible + 4) {
        gFirstVisible += 1;
    }
    // A selection scrolled out of sight would put the new slide out of
    // sight too; show it.
    if (gSelectedSlide < gFirstVisible || gSelectedSlide > gFirstVisible + 4) {
        gFirstVisible = std::max(1, gSelectedSlide - 4);
    }
    gSelectedCell = gSelectedSlide - gFirstVisible;
    gProjectChanged = true;
    refresh();
    return gSelectedSlide;
}

void dropFile(const QStringList& paths, int afterSlide) {
    if (paths.isEmpty()) {
        return;
    }
    if (gProject.count() == 0) {
        gSelectedSlide = 0;
        gSelectedCell = -1;
        gFirstVisible = 1;
    } else {
        gSelectedSlide = std::clamp(afterSlide, 0, gProject.count());
        const int cell = gSelectedSlide - gFirstVisible;
        gSelectedCell = (cell >= 0 && cell <= 4) ? cell : -1;
    }
    addMediaFile(paths.constFirst(), str::DroppedTypeRefused);
    refresh();
}

void Files_Click() {
    ProjectView* view = projectView();
    if (view) {
        view->dimTheWindow(true);
    }
    const QString title = LoadResString(str::SelectMediaTitle);
    const QString filter = LoadResString(str::MediaFilter);
    const QStringList chosen = chooseFiles(openFileRequest(title, filter, gImportPath, true));
    // Thumbnails of the pictures among them are made ahead on every core.
    QStringList pictures;
    for (const QString& path : chosen) {
        if (acceptedMediaType(path) == MediaImage && lastFour(path) != ".gif") {
            pictures << path;
        }
    }
    prefetchThumbnails(pictures);
    for (const QString& path : chosen) {
        gImportPath = DirPart(path);
        addMediaFile(path, str::ChosenTypeRefused);
    }
    if (view) {
        view->dimTheWindow(false);
    }
    refresh();
}

}  // namespace brindle
