#include "app/editor/save_slide_as.h"

#include "app/editor/strip_state.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "app/model/settings.h"
#include "app/present/media_encoding.h"
#include "app/present/pass_progress.h"
#include "platform/file_dialogs.h"
#include "platform/files.h"
#include "platform/messages.h"

namespace brindle {

namespace {

bool endsWith(const QString& file, const char* extension) {
    return file.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
}

// The clip encoded to RealMedia at target by the media encoder, with the
// progress dialog; the slide itself is left as it is.
void encodeClipTo(const MediaElement& slide, const QString& target) {
    MediaElement copy = slide;
    copy.setEncoded(0);
    gProgressBase = 0;
    gProgressSpan = kProgressMaximum - 1;
    CancelRequested = false;
    PassProgress progress(false);
    encodeVideoClip(copy, target, progress);
    progress.close();
    CancelRequested = false;
}

int filterFor(const MediaElement& slide) {
    switch (slide.mediaType) {
        case MediaSnapshot:
        case MediaImage:
            return str::ImageFilter;
        case MediaVideo:
            return slide.VideoType == VideoAvi ? str::VideoFilter : str::RealMediaFilter;
        case MediaText:
            return str::TextFilter;
        default:
            return 0;
    }
}

}  // namespace

void mnuContextSaveAs_Click() {
    const MediaElement* slide = gProject.Item(gSelectedSlide);
    const int filterEntry = slide ? filterFor(*slide) : 0;
    if (filterEntry == 0) {
        return;
    }
    ProjectView* view = projectView();
    if (view) {
        view->dimTheWindow(true);
    }
    const QString title = LoadResString(str::SaveFileAsTitle);
    const QString filter = LoadResString(filterEntry);
    const QString target = chooseFile(saveFileRequest(title, filter, gImportPath));
    if (!target.isEmpty()) {
        gImportPath = DirPart(target);
        switch (slide->mediaType) {
            case MediaVideo:
                if (slide->VideoType == VideoAvi && endsWith(target, ".rm")) {
                    encodeClipTo(*slide, target);
                } else if (!files::copyFile(slide->Filename, target)) {
                    MsgBox(str::VideoSaveFailed);
                }
                break;
            case MediaText:
                files::copyFile(endsWith(target, ".rt") ? slide->InfoFilename : slide->Filename,
                                target);
                break;
            default:
                files::copyFile(slide->Filename, target);
                break;
        }
    }
    if (view) {
        view->dimTheWindow(false);
    }
}

}  // namespace brindle
