#include "app/capture/camera_common.h"

#include "app/capture/thumbnail.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "controls/videocap/orvalis_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace brindle::camera {
namespace {

SlideAdder& adder() {
    static SlideAdder a;
    return a;
}

SoundPlayer& player() {
    static SoundPlayer p;
    return p;
}

int appendSlide(std::int16_t mediaType, const QString& file) {
    MediaSource source;
    source.mediaType = mediaType;
    source.Filename = file;
    source.Thumbnail = MakeThumbnail(mediaType, file);
    if (!gProject.Add(source)) {
        return 0;
    }
    return gProject.count();
}

}  // namespace

int driverNumber(const QString& setting) {
    return nearestInt(leadingNumber(setting));
}

QFont dialogFont() {
    QFont font(LoadResString(str::DialogFace));
    const int points = LoadResString(str::DialogPointSize).toInt();
    if (points > 0) {
        font.setPointSize(points);
    }
    return font;
}

std::unique_ptr<dispatch::ControlHost> loadCaptureControl(QWidget* parent) {
    QString why;
    std::unique_ptr<dispatch::ControlHost> host =
        dispatch::ControlHost::load(orvalis::kControlName, parent, &why);
    if (!host) {
        qWarning("video capture control: %s", qPrintable(why));
        return host;
    }
    // Stored before the first call, which creates the capture window and
    // would otherwise connect to the first camera.
    dispatch::PropertyBag bag;
    bag.write("Connect", false);
    host->loadProperties(bag);
    return host;
}

QSize chooseFrameSize(dispatch::ControlHost& control, std::initializer_list<QSize> sizes) {
    for (const QSize& s : sizes) {
        if (control.call(orvalis::DispIsSizeAvailable, {s.width(), s.height()}).value.toBool()) {
            control.call(orvalis::DispSetVideoResolution, {s.width(), s.height()});
            return s;
        }
    }
    return {};
}

QString scratchFolder() {
    if (gTempFolder.isEmpty()) {
        return {};
    }
    if (!QDir().mkpath(gTempFolder)) {
        return {};
    }
    const auto owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser |
                       QFile::WriteUser | QFile::ExeUser;
    if (!QFile::setPermissions(gTempFolder, owner)) {
        return {};
    }
    return gTempFolder;
}

void setSlideAdder(SlideAdder a) {
    adder() = std::move(a);
}

int addSlide(std::int16_t mediaType, const QString& file) {
    return adder() ? adder()(mediaType, file) : appendSlide(mediaType, file);
}

void setSoundPlayer(SoundPlayer p) {
    player() = std::move(p);
}

void playSound(const QString& path) {
    if (player()) {
        player()(path);
    }
}

}  // namespace brindle::camera
