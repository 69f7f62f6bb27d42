#include "app/editor/dialog_screenshot.h"

#include "app/editor/audio_commands.h"
#include "app/editor/camera_commands.h"
#include "app/editor/export_command.h"
#include "app/editor/main_frame.h"
#include "app/editor/strip_state.h"
#include "app/editor/text_commands.h"
#include "app/media/real_text_form.h"
#include "app/media/record_audio.h"
#include "app/media/text_box_layout.h"
#include "app/media/text_caption_form.h"
#include "app/media/text_slide.h"
#include "app/model/project.h"
#include "platform/event_wait.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPixmap>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

namespace brindle {
namespace {

const char* const kSampleText =
    "Our summer at the lake\n\nTwo weeks of sun, one week of rain, and the best pancakes "
    "anyone has ever made on a camping stove.";

}  // namespace

bool takeDialogScreenshot(MainFrame& frame, const QString& dialog, const QString& pngFile) {
    if (dialog.startsWith("video-")) {
        countCaptureDrivers(&frame);
        const bool taken = takeCameraScreenshot(dialog, pngFile);
        frame.close();
        return taken;
    }
    bool ok = false;
    QTimer::singleShot(500, [&ok, &pngFile] {
        QWidget* shown = QApplication::activeModalWidget();
        if (auto* form = qobject_cast<realText*>(shown)) {
            form->Text1()->setPlainText(QString::fromUtf8(kSampleText));
            form->Combo1()->setCurrentIndex(1);
        } else if (auto* caption = qobject_cast<textCaption*>(shown)) {
            caption->Text1()->setText(QStringLiteral("Day one: the tent goes up"));
        } else if (auto* audio = qobject_cast<recordAudio*>(shown)) {
            // A few seconds of whatever the default source hears.
            if (auto* record = audio->findChild<QToolButton*>(QStringLiteral("Record"))) {
                record->click();
            }
            processEventsFor(2900);
        }
        processEventsFor(300);
        ok = shown != nullptr && shown->grab().save(pngFile, "PNG");
        if (auto* d = qobject_cast<QDialog*>(shown)) {
            d->reject();
        }
    });
    if (dialog == QLatin1String("caption")) {
        TextSlideRequest slide;
        const QFont font = textBoxFont(0);
        slide.wrapped = wrapLikeTextBox(QString::fromUtf8(kSampleText), font);
        slide.visibleLines = visibleLineCount(font, kTextWindowHeight);
        slide.look.fontName = font.family();
        gSelectedSlide = saveTextSlide(slide);
        gFirstVisible = 1;
        gSelectedCell = 0;
        frame.refreshStrip();
        mnuText_Click();
    } else if (dialog == QLatin1String("narration")) {
        mnuBackTrack_Click();
    } else if (dialog == QLatin1String("export")) {
        ExportSizeDialog sizes(&frame);
        sizes.exec();
    } else {
        Text_Click();
    }
    gProjectChanged = false;
    frame.close();
    return ok;
}

}  // namespace brindle
