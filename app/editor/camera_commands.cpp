#include "app/editor/camera_commands.h"

#include "app/capture/camera_common.h"
#include "app/capture/capture_select.h"
#include "app/capture/record_video.h"
#include "app/capture/snapshot.h"
#include "app/editor/add_media.h"
#include "app/editor/wav_sound.h"
#include "app/model/project_view.h"
#include "controls/videocap/orvalis_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/event_wait.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace brindle {
namespace {

// The camera dialogs add slides and play sounds the editor's way.
void useEditorOperations() {
    camera::setSlideAdder([](std::int16_t mediaType, const QString& file) {
        return createSlide(mediaType, file, {}, {});
    });
    camera::setSoundPlayer([](const QString& path) { playWavFile(path); });
}

// Runs dialog D between dimming and undimming, or the notice without a
// capture driver.
template <typename D>
void runCameraDialog() {
    ProjectView* view = projectView();
    QWidget* parent = view != nullptr ? view->dialogParent() : nullptr;
    if (view != nullptr) {
        view->dimTheWindow(true);
    }
    if (gCaptureDriverCount < 1) {
        NoCamera notice(parent);
        notice.exec();
    } else {
        useEditorOperations();
        D dialog(parent);
        dialog.exec();
    }
    if (view != nullptr) {
        view->dimTheWindow(false);
        view->refreshStrip();
    }
}

}  // namespace

void Snap_Click() {
    runCameraDialog<Snapshot>();
}

void Video_Click() {
    runCameraDialog<RecordVideo>();
}

void SelectCapDev_Click() {
    runCameraDialog<CaptureSelect>();
}

int countCaptureDrivers(QWidget* window) {
    std::unique_ptr<dispatch::ControlHost> control = camera::loadCaptureControl(window);
    if (!control) {
        gCaptureDriverCount = 0;
        return 0;
    }
    control->widget()->hide();
    const int count = control->call(orvalis::DispEnumDrivers).value.toInt();
    gCaptureDriverCount = count > 0 ? count : 0;
    return gCaptureDriverCount;
}

bool takeCameraScreenshot(const QString& state, const QString& pngFile) {
    if (state != "video-live" && state != "video-recording" && state != "video-playback") {
        return false;
    }
    bool ok = false;
    QTimer::singleShot(500, [&] {
        auto* dlg = qobject_cast<RecordVideo*>(QApplication::activeModalWidget());
        if (dlg == nullptr) {
            if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                other->reject();
            }
            return;
        }
        processEventsFor(700);
        if (state != "video-live") {
            dlg->Record()->click();
            processEventsFor(2500);
        }
        if (state == "video-playback") {
            dlg->Stop1()->click();
            dlg->Play()->click();
            processEventsFor(1200);
        }
        ok = dlg->grab().save(pngFile, "PNG");
        dlg->reject();
    });
    Video_Click();
    return ok;
}

}  // namespace brindle
