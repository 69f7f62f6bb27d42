#include "app/editor/screenshot.h"

#include "app/editor/add_media.h"
#include "app/editor/main_frame.h"
#include "app/editor/strip_state.h"
#include "app/model/project.h"
#include "platform/event_wait.h"

#include <QPixmap>

namespace brindle {

bool takeScreenshot(MainFrame& frame, const QStringList& media, const QString& pngFile) {
    for (const QString& file : media) {
        dropFile({file}, gProject.count());
    }
    if (gProject.count() > 0) {
        gSelectedSlide = 2 <= gProject.count() ? 2 : 1;
        gFirstVisible = 1;
        frame.refreshStrip();
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
