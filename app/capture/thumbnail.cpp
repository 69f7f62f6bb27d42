#include "app/capture/thumbnail.h"

#include "app/capture/text_card.h"
#include "app/model/folders.h"
#include "app/model/media_element.h"
#include "app/model/project_view.h"
#include "components/imaging/image_control.h"
#include "controls/clipedit/klipvane_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/files.h"
#include "platform/made_ahead.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QWidget>

namespace brindle {
namespace {

constexpr int kJpegBits = 24;
constexpr int kBestQuality = 2;

// Without a window: a hidden image control and clip edit control of our
// own, made on first use and ended with the application.
struct OwnControls {
    ImageControl worker;
    // Made only for a clip, so that pictures need no widgets.
    std::unique_ptr<QWidget> window;
    std::unique_ptr<dispatch::ControlHost> clipEdit;
    bool clipEditTried = false;
};
OwnControls* gOwn = nullptr;

OwnControls& own() {
    if (gOwn == nullptr) {
        gOwn = new OwnControls;
        qAddPostRoutine([] {
            delete gOwn;
            gOwn = nullptr;
        });
    }
    return *gOwn;
}

ImageControl& workerControl() {
    return projectView() != nullptr ? projectView()->worker() : own().worker;
}

dispatch::ControlHost* clipEditControl() {
    if (projectView() != nullptr) {
        return projectView()->clipEditControl();
    }
    OwnControls& o = own();
    if (!o.clipEditTried) {
        o.clipEditTried = true;
        o.window = std::make_unique<QWidget>();
        o.clipEdit = dispatch::ControlHost::load(klipvane::kControlName, o.window.get());
    }
    return o.clipEdit.get();
}

// Frame 0 of an AVI clip through the clip edit control, closed afterwards.
void loadFirstFrame(ImageControl& worker, const QString& file) {
    dispatch::ControlHost* clip = clipEditControl();
    if (clip == nullptr) {
        return;
    }
    clip->put(klipvane::DispFilename, file);
    const quintptr dib = clip->call(klipvane::DispGetDIB, {0}).value.value<quintptr>();
    if (dib != 0) {
        worker.setDib(dib);
    }
    clip->put(klipvane::DispFilename, QString());
}

// The steps of a picture's thumbnail, on the given control.
void makePictureThumbnail(ImageControl& worker, const QString& file, const QString& out);

// Thumbnails made ahead, by the picture's path.
MadeAhead& ahead() {
    static MadeAhead cache(QStringLiteral("Thumbnail-ahead-"), QStringLiteral(".jpg"));
    return cache;
}

// Takes the thumbnail made ahead for file into `thumbnail`, when there is
// one for the file as it is now.
bool takeAhead(const QString& file, const QString& thumbnail) {
    return ahead().take(file, file, {}, thumbnail) == MadeAhead::Taken::Made;
}

}  // namespace

void prefetchThumbnails(const QStringList& pictures) {
    files::makeFolder(gTempFolder);
    for (const QString& picture : pictures) {
        ahead().start(picture, picture, {}, gTempFolder, [picture](const QString& out) {
            ImageControl worker;
            makePictureThumbnail(worker, picture, out);
            return QFileInfo(out).size() > 0;
        });
    }
}

QSize FitToStrip(bool thumbnail, std::int16_t mediaType, QSize picture) {
    const int bw = thumbnail ? 320 : (mediaType == MediaVideo ? 80 : 88);
    const int bh = thumbnail ? 240 : 62;
    const qint64 iw = picture.width(), ih = picture.height();
    if (iw <= 0 || ih <= 0) {
        return {};
    }
    // Dividing both sides by the larger of iw / bw and ih / bh, in whole
    // numbers so that the side that meets the box is exactly the box's.
    if (iw * bh >= ih * bw) {
        return {bw, std::max<int>(1, static_cast<int>(ih * bw / iw))};
    }
    return {std::max<int>(1, static_cast<int>(iw * bh / ih)), bh};
}

bool PictureDecodes(const QString& file) {
    ImageControl probe;
    if (probe.load(file) != ImageStatus::Ok) {
        return false;
    }
    // A JPEG is only decoded here, at thumbnail size.
    const QSize fitted = FitToStrip(true, MediaImage, {probe.width(), probe.height()});
    return fitted.isValid() &&
           probe.resize(fitted.width(), fitted.height(), 0) == ImageStatus::Ok &&
           !probe.image().isNull();
}

namespace {

void makePictureThumbnail(ImageControl& worker, const QString& file, const QString& out) {
    worker.clear();
    worker.load(file);
    if (!worker.hasImage()) {
        QImage blank(320, 240, QImage::Format_RGB32);
        blank.fill(Qt::black);
        worker.setImage(blank);
    }
    const QSize fitted = FitToStrip(true, MediaImage, {worker.width(), worker.height()});
    worker.resize(fitted.width(), fitted.height(), 0);
    worker.save(out, ImageControl::kFormatJpeg, kJpegBits, kBestQuality);
    worker.clear();
}

}  // namespace

QString MakeThumbnail(std::int16_t mediaType, const QString& file) {
    const QString thumbnail = gTempFolder + "/Thumbnail.jpg";
    if ((mediaType == MediaImage || mediaType == MediaSnapshot) && takeAhead(file, thumbnail)) {
        return thumbnail;
    }
    ImageControl& worker = workerControl();
    worker.clear();
    switch (mediaType) {
        case MediaSnapshot:
        case MediaImage:
            worker.load(file);
            break;
        case MediaVideo:
            if (file.toLower().endsWith(".avi")) {
                loadFirstFrame(worker, file);
            }
            break;
        case MediaText:
            worker.setImage(drawTextCard(file));
            break;
        default:
            break;
    }
    if (!worker.hasImage()) {
        // A medium without a picture gets a plain dark card, not the
        // previous slide's thumbnail left in the scratch file.
        QImage blank(320, 240, QImage::Format_RGB32);
        blank.fill(Qt::black);
        worker.setImage(blank);
    }
    const QSize fitted = FitToStrip(true, mediaType, {worker.width(), worker.height()});
    worker.resize(fitted.width(), fitted.height(), 0);
    files::makeFolder(gTempFolder);
    worker.save(thumbnail, ImageControl::kFormatJpeg, kJpegBits, kBestQuality);
    worker.clear();
    return thumbnail;
}

}  // namespace brindle
