// The Preview command: the whole project written into the preview folder,
// then the presentation player started on it.
#include "app/present/preview.h"

#include "app/model/folders.h"
#include "app/model/progress.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "app/present/smil_master.h"
#include "platform/launch.h"
#include "platform/messages.h"

namespace brindle {

namespace {}

void showPreview(const QString& /*htmPath*/) {
    LaunchPlayer(gPreviewFolder + "/preView.smi");
}

void PlayPreview_Click() {
    if (gProject.count() == 0) {
        MsgBox(str::NothingToPreview);
        return;
    }
    // Dimming also ends the player a previous preview started; closing the
    // pass's progress window undims the editor again.
    ProjectView* view = projectView();
    if (view) {
        view->dimTheWindow(true);
    }
    CancelRequested = false;
    riteSmilMasterFile(1, gProject.count(), false, false);
    if (!CancelRequested) {
        showPreview(gPreviewFolder + "/preView.htm");
    }
}

}  // namespace brindle
