#include "app/editor/scan_screenshot.h"

#include "app/capture/scan_result.h"
#include "app/capture/scan_state.h"
#include "app/editor/editor_window.h"
#include "app/editor/main_frame.h"
#include "app/editor/scan_commands.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "components/imaging/image_view.h"
#include "components/imaging/scanner.h"
#include "platform/event_wait.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace brindle {
namespace {

void mouse(QWidget* w, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

}  // namespace

bool takeScanScreenshot(MainFrame& frame, const QString& pngFile) {
    processEventsUntil([&frame] { return frame.editor()->button("Scan")->isEnabled(); },
                       QDeadlineTimer(30000), 50);
    if (gScanner.isEmpty()) {
        const std::vector<ScanSource> sources = listScanSources();
        gScanner = sources.empty() ? QString() : sources.front().device;
    }
    bool written = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &frame, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) {
                continue;
            }
            if (w->objectName() == "ScanOptions") {
                w->findChild<QPushButton*>("OK")->click();
            } else if (auto* result = qobject_cast<ScanResult*>(w)) {
                poll.stop();
                result->HScroll1()->setValue(2);
                ImageView* view = result->LEAD1();
                const QRect shown = view->displayRect();
                const QPoint from = shown.topLeft() + QPoint(shown.width() / 5, shown.height() / 6);
                const QPoint to =
                    shown.topLeft() + QPoint(shown.width() * 4 / 5, shown.height() / 2);
                mouse(view, QEvent::MouseButtonPress, from);
                mouse(view, QEvent::MouseMove, to);
                mouse(view, QEvent::MouseButtonRelease, to);
                processEventsFor(300);
                written = result->grab().save(pngFile, "PNG");
                result->Cancel_Click();
            }
        }
    });
    poll.start(100);
    Scan_Click();
    poll.stop();
    gProjectChanged = false;
    frame.close();
    return written;
}

}  // namespace brindle
