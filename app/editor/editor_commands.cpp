#include "app/editor/editor_commands.h"

#include "app/editor/scan_commands.h"
#include "app/editor/strip_state.h"
#include "app/editor/text_commands.h"
#include "app/editor/video_commands.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/project_view.h"
#include "app/model/settings.h"
#include "platform/file_dialogs.h"
#include "platform/files.h"
#include "platform/launch.h"
#include "platform/messages.h"
#include "platform/resources.h"

namespace brindle {

namespace {

void dim(bool on) {
    if (ProjectView* view = projectView()) {
        view->dimTheWindow(on);
    }
}

void refresh() {
    if (ProjectView* view = projectView()) {
        view->refreshStrip();
    }
}

}  // namespace

bool mayDiscardChanges(SaveAsk ask) {
    const int answer = checkProject(gProjectChanged);
    if (answer == vbCancel) {
        return false;
    }
    if (answer != vbYes) {
        return true;
    }
    const int result = riteProject(ask == SaveAsk::Always);
    if (result == 1) {
        return true;  // nothing that could be saved
    }
    // A cancelled dialog or a failed save: the changes exist only in the
    // work folder, which the command would empty.
    return result == 0 && !gProjectChanged;
}

void mnuNew_Click() {
    CloseBrowser();
    dim(true);
    if (mayDiscardChanges(SaveAsk::Always)) {
        clearProject();
    }
    dim(false);
}

void mnuOpen_Click() {
    dim(true);
    if (gProjectChanged) {
        CloseBrowser();
        if (!mayDiscardChanges(SaveAsk::Always)) {
            dim(false);
            return;
        }
    }
    createTempAndWorkFolders();
    const QString file = chooseFile(openFileRequest(
        LoadResString(str::OpenProjectTitle), LoadResString(str::ProjectFilter), gProjectPath));
    if (!file.isEmpty()) {
        readProject(file);
        gProjectPath = DirPart(file);
    }
    dim(false);
}

void mnuSave_Click() {
    CloseBrowser();
    dim(true);
    if (gProjectChanged) {
        riteProject(false);
    }
    dim(false);
}

void mnuSaveAs_Click() {
    CloseBrowser();
    dim(true);
    riteProject(true);
    dim(false);
}

void mnuRemove_Click() {
    if (gSelectedSlide < 1 || gSelectedSlide > gProject.count()) {
        return;
    }
    CloseBrowser();
    gProject.Remove(gSelectedSlide, true);
    const int count = gProject.count();
    if (count > 0) {
        gProjectChanged = true;
        if (gSelectedCell < 0) {
            gSelectedSlide = 1;
            gSelectedCell = 0;
            gFirstVisible = 1;
        } else if (gSelectedSlide > count) {
            gSelectedSlide -= 1;
            gSelectedCell -= 1;
        }
        if (gFirstVisible + 4 > count && gFirstVisible > 1) {
            gFirstVisible -= 1;
        }
    } else {
        gSelectedSlide = 0;
        gSelectedCell = -1;
        gFirstVisible = 1;
        gProjectChanged = false;
    }
    refresh();
}

void mnuEdit_Click() {
    const MediaElement* r = gProject.Item(gSelectedSlide);
    if (r == nullptr) {
        return;
    }
    switch (r->mediaType) {
        case MediaSnapshot:
        case MediaImage:
            editPictureSlide(gSelectedSlide);
            break;
        case MediaVideo:
            editVideoSlideCommand();
            break;
        case MediaText:
            editTextSlide();
            break;
        default:
            break;
    }
}

QString helpPagePath() {
    return resourcePath(kHelpPageName);
}

void mnuYourHelp_Click() {
    LaunchBrowser({}, helpPagePath(), true);
}

void mnuOnlineResources_Click() {
    LaunchBrowser({}, gResourcesURL, true);
}

void Identity_Click() {
    if (gHomeURL.isEmpty()) {
        MsgBox(str::NoHomeUrl);
        return;
    }
    LaunchBrowser({}, gHomeURL, true);
}

}  // namespace brindle
