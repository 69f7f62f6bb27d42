#include "app/editor/audio_commands.h"

#include "app/editor/strip_state.h"
#include "app/media/record_audio.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "platform/messages.h"

namespace brindle {
namespace {

// Dims the editor, shows the dialog modally for the slide (nullptr: the
// background track), undims and redraws the strip.
void runDialog(MediaElement* slide) {
    ProjectView* view = projectView();
    if (view) {
        view->dimTheWindow(true);
    }
    {
        recordAudio dialog(view ? view->dialogParent() : nullptr, slide);
        if (!dialog.hasControl()) {
            MsgBox(str::AudioDeviceBusy, MsgButtons::Ok);
        } else {
            dialog.loadAudioFile(slide ? slide->Sound : gBackTrack, slide == nullptr);
            dialog.exec();
        }
    }
    if (view) {
        view->dimTheWindow(false);
        view->refreshStrip();
    }
}

}  // namespace

void mnuAudio_Click() {
    MediaElement* slide = gProject.Item(gSelectedSlide);
    if (!slide || slide->mediaType == MediaVideo) {
        return;
    }
    runDialog(slide);
}

void mnuBackTrack_Click() {
    runDialog(nullptr);
}

}  // namespace brindle
