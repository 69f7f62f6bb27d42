#include "app/capture/thumbnail.h"

#include "app/capture/text_card.h"
#include "app/model/folders.h"
#include "app/model/media_element.h"
#include "app/model/project_view.h"
#include "components/imaging/image_control.h"
#include "controls/clipedit/klipvane_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/files.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QThread>
#include <QThreadPool>
#include <QWidget>

#include <future>
#include <map>

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

// Thumbnails made ahead, by the picture's path; used on the GUI thread only.
struct Ahead {
    qint64 size = -1;
    QDateTime modified;
    std::shared_future<bool> made;
    QString file;  // where the worker writes it
};
std::map<QString, Ahead>& aheadByPath() {
    static std::map<QString, Ahead> ahead;
    return ahead;
}

QThreadPool& aheadPool() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
        // Ends with the application, after the last thumbnail is written.
        qAddPostRoutine([] {
            aheadPool().waitForDone();
            for (auto& [path, ahead] : aheadByPath()) {
                QFile::remove(ahead.file);
            }
            aheadByPath().clear();
        });
        return p;
    }();
    return *pool;
}

// Takes the thumbnail made ahead for file into `thumbnail`, when there is
// one for the file as it is now.
bool takeAhead(const QString& file, const QString& thumbnail) {
    auto& ahead = aheadByPath();
    const auto found = ahead.find(file);
    if (found == ahead.end()) {
        return false;
    }
    const Ahead entry = found->second;
    ahead.erase(found);
    const bool made = entry.made.get();
    const QFileInfo now(file);
    if (!made || now.size() != entry.size || now.lastModified() != entry.modified) {
        QFile::remove(entry.file);
        return false;
    }
    QFile::remove(thumbnail);
    return QFile::rename(entry.file, thumbnail);
}

}  // namespace

void prefetchThumbnails(const QStringList& pictures) {
    files::makeFolder(gTempFolder);
    auto& ahead = aheadByPath();
    static int serial = 0;
    for (const QString& picture : pictures) {
        const QFileInfo info(picture);
        if (!info.isFile() || ahead.count(picture) > 0) {
            continue;
        }
        auto done = std::make_shared<std::promise<bool>>();
        Ahead entry;
        entry.size = info.size();
        entry.modified = info.lastModified();
        entry.made = done->get_future().share();
        entry.file = gTempFolder + "/Thumbnail-ahead-" + QString::number(++serial) + ".jpg";
        const QString out = entry.file;
        ahead.emplace(picture, std::move(entry));
        aheadPool().start([picture, out, done] {
            ImageControl worker;
            makePictureThumbnail(worker, picture, out);
            done->set_value(QFileInfo(out).size() > 0);
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
