#include "app/editor/narration_screenshot.h"

#include "app/editor/audio_commands.h"
#include "app/editor/event_wait.h"
#include "app/editor/main_frame.h"
#include "app/media/record_audio.h"
#include "app/model/project.h"

#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace brindle {

bool takeNarrationScreenshot(MainFrame& frame, const QString& pngFile) {
    bool ok = false;
    QTimer::singleShot(500, [&ok, &pngFile] {
        auto* dialog = qobject_cast<recordAudio*>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        if (auto* record = dialog->findChild<QToolButton*>(QStringLiteral("Record"))) {
            record->click();
        }
        processEventsFor(3200);
        ok = dialog->grab().save(pngFile, "PNG");
        dialog->reject();
    });
    mnuBackTrack_Click();
    gProjectChanged = false;
    frame.close();
    return ok;
}

}  // namespace brindle
