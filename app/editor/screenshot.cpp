#include "app/editor/screenshot.h"

#include "app/editor/add_media.h"
#include "app/editor/main_frame.h"
#include "app/editor/slide_strip.h"
#include "app/editor/strip_state.h"
#include "app/media/edit_video.h"
#include "app/model/project.h"
#include "controls/trimslider/vasklin_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/event_wait.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace brindle {
namespace {

// The clip edit dialog on the first AVI slide, its marks set in from both
// ends and the pointer between them.
bool grabEditVideo(MainFrame& frame, const QString& pngFile) {
    int k = 1;
    while (k <= gProject.count() && !(gProject.Item(k)->mediaType == MediaVideo &&
                                      gProject.Item(k)->VideoType == VideoAvi)) {
        ++k;
    }
    editVideo dialog(k, &frame);
    if (!dialog.load()) {
        return false;
    }
    dialog.show();
    dispatch::ControlHost* slider = dialog.TSlider21();
    const int end = slider->call(vasklin::DispGetEndPos).value.toInt();
    slider->put(vasklin::DispEndEditPos, end * 4 / 5);
    slider->put(vasklin::DispStartEditPos, end / 5);
    slider->put(vasklin::DispPointerPos, end * 2 / 5);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QCoreApplication::sendEvent(slider->widget(), &right);  // the picture follows
    processEventsFor(500);
    const bool ok = dialog.grab().save(pngFile, "PNG");
    dialog.reject();
    return ok;
}

// The trim slider at three widths, each hosted through the dispatch layer
// as a dialog hosts it: the default look, trim marks with ticks, and a wide
// one with a narrow kept range.
bool grabTrimSlider(const QString& pngFile) {
    QWidget window;
    window.setObjectName("TrimSliderSizes");
    auto* layout = new QVBoxLayout(&window);
    std::vector<std::unique_ptr<dispatch::ControlHost>> sliders;
    const struct {
        int width;
        bool trim;
        int ticks;
        int start, end, pointer;
    } looks[] = {
        {160, false, 0, 0, 100, 30}, {320, true, 10, 15, 80, 40}, {640, true, 20, 45, 60, 52}};
    for (const auto& look : looks) {
        auto caption = new QLabel(QStringLiteral("%1 pixels").arg(look.width), &window);
        layout->addWidget(caption);
        auto host = dispatch::ControlHost::load(vasklin::kControlName, &window);
        if (!host) {
            return false;
        }
        host->widget()->setFixedSize(look.width, 40);
        layout->addWidget(host->widget());
        host->put(vasklin::DispTickCount, look.ticks);
        host->put(vasklin::DispEndEditPos, look.end);
        host->put(vasklin::DispStartEditPos, look.start);
        host->put(vasklin::DispPointerPos, look.pointer);
        host->put(vasklin::DispShowTrimCtl, look.trim);
        sliders.push_back(std::move(host));
    }
    window.show();
    processEventsFor(300);
    return window.grab().save(pngFile, "PNG");
}

// The editor with the strip holding the keys and the slide menu open on
// the third slide, as the menu key opens it; the menu, a window of its own,
// is painted into the editor's picture where it lies on the screen.
bool grabSlideMenu(MainFrame& frame, const QString& pngFile) {
    gSelectedSlide = 3;
    frame.refreshStrip();
    frame.raise();
    frame.activateWindow();
    processEventsFor(300);
    frame.strip()->setFocus(Qt::TabFocusReason);
    QKeyEvent menuKey(QEvent::KeyPress, Qt::Key_Menu, Qt::NoModifier);
    QCoreApplication::sendEvent(frame.strip(), &menuKey);
    processEventsFor(500);
    QMenu* menu = frame.contextMenu();
    QPixmap shot = frame.grab();
    if (menu->isVisible()) {
        QPainter painter(&shot);
        painter.drawPixmap(frame.mapFromGlobal(menu->pos()), menu->grab());
    }
    menu->hide();
    return shot.save(pngFile, "PNG");
}

}  // namespace

bool takeScreenshot(MainFrame& frame, const QStringList& media, const QString& pngFile) {
    for (const QString& file : media) {
        dropFile({file}, gProject.count());
    }
    // BRINDLE_SCREENSHOT names a window other than the editor to picture.
    const QString subject = qEnvironmentVariable("BRINDLE_SCREENSHOT");
    if (subject == "editVideo" || subject == "Vasklin") {
        const bool ok =
            subject == "Vasklin" ? grabTrimSlider(pngFile) : grabEditVideo(frame, pngFile);
        gProjectChanged = false;
        frame.close();
        return ok;
    }
    if (gProject.count() > 0) {
        gSelectedSlide = 2 <= gProject.count() ? 2 : 1;
        gFirstVisible = 1;
        frame.refreshStrip();
    }
    if (subject == "slideMenu" && gProject.count() >= 3) {
        const bool ok = grabSlideMenu(frame, pngFile);
        gProjectChanged = false;
        frame.close();
        return ok;
    }
    frame.raise();
    frame.activateWindow();
    processEventsFor(500);
    const bool ok = frame.grab().save(pngFile, "PNG");
    gProjectChanged = false;
    frame.close();
    return ok;
}

}  // namespace brindle
