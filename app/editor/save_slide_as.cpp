#include "app/editor/save_slide_as.h"

#include "app/editor/strip_state.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "app/model/settings.h"
#include "app/present/media_encoding.h"
#include "app/present/pass_progress.h"
#include "platform/file_dialogs.h"
#include "platform/files.h"
#include "platform/messages.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>

namespace brindle {

namespace {

bool endsWith(const QString& file, const char* extension) {
    return file.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
}

// True when target is one of the project's own files: a slide's medium,
// companion file, thumbnail or sound, or anything else in the work folder.
bool isProjectFile(const QString& target) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path to = fs::absolute(fs::path(target.toStdString()), ec).lexically_normal();
    if (!gWorkFolder.isEmpty()) {
        const fs::path work = fs::absolute(fs::path(gWorkFolder.toStdString()), ec);
        if (fs::exists(to.parent_path(), ec) && fs::equivalent(to.parent_path(), work, ec)) {
            return true;
        }
    }
    if (!fs::exists(to, ec)) {
        return false;
    }
    for (const auto& slide : gProject) {
        for (const QString& own :
             {slide->Filename, slide->InfoFilename, slide->Thumbnail, slide->Sound}) {
            if (!own.isEmpty() && fs::equivalent(to, fs::path(own.toStdString()), ec)) {
                return true;
            }
        }
    }
    return false;
}

// The clip encoded to RealMedia by the media encoder, with the progress
// dialog and its Cancel button, into a scratch file beside target that
// replaces target only when the encode ends well. The slide is left as it
// is. False on cancel or failure (the encoder reports its own failure).
bool encodeClipTo(const MediaElement& slide, const QString& target) {
    const QString scratch = target.chopped(3) + ".part.rm";
    files::deleteFile(scratch);
    MediaElement copy = slide;
    copy.setEncoded(0);
    gProgressBase = 0;
    gProgressSpan = kProgressMaximum - 1;
    CancelRequested = false;
    {
        PassProgress progress(false);
        encodeVideoClip(copy, scratch, progress);
        progress.close();
    }
    const bool ok = !CancelRequested && QFileInfo(scratch).size() > 0;
    CancelRequested = false;
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(scratch.toStdString(), target.toStdString(), ec);
    }
    if (!ok || ec) {
        files::deleteFile(scratch);
    }
    return ok && !ec;
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

// Writes the slide's medium to target as the chosen file type asks; false
// when it failed and the failure still has to be reported.
bool saveSlideTo(const MediaElement& slide, const QString& target) {
    switch (slide.mediaType) {
        case MediaVideo:
            if (slide.VideoType == VideoAvi && endsWith(target, ".rm")) {
                encodeClipTo(slide, target);
                return true;  // cancelled, or reported by the encoder
            }
            if (!files::replaceFile(slide.Filename, target)) {
                MsgBox(str::VideoSaveFailed);
            }
            return true;
        case MediaText:
            return files::replaceFile(endsWith(target, ".rt") ? slide.InfoFilename : slide.Filename,
                                      target);
        default:
            return files::replaceFile(slide.Filename, target);
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
    // The command asks about replacing a file itself, after the choice.
    FileDialogRequest request = saveFileRequest(title, filter, gImportPath);
    request.confirmOverwrite = false;
    const QString target = chooseFile(request);
    if (!target.isEmpty()) {
        gImportPath = DirPart(target);
        if (isProjectFile(target)) {
            MsgBoxText(str::ProjectFileTarget,
                       LoadResString(str::ProjectFileTarget) + QDir::toNativeSeparators(target));
        } else if (!QFileInfo::exists(target) ||
                   MsgBoxText(
                       str::ReplaceFileQuestion,
                       LoadResString(str::ReplaceFileQuestion) + QDir::toNativeSeparators(target),
                       MsgButtons::YesNo, MsgIcon::Question) == vbYes) {
            if (!saveSlideTo(*slide, target)) {
                MsgBoxText(str::SlideSaveFailed,
                           LoadResString(str::SlideSaveFailed) + QDir::toNativeSeparators(target));
            }
        }
    }
    if (view) {
        view->dimTheWindow(false);
    }
}

}  // namespace brindle
