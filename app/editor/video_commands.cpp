#include "app/editor/video_commands.h"

#include "app/editor/strip_state.h"
#include "app/media/edit_video.h"
#include "app/model/media_element.h"
#include "app/model/project.h"
#include "app/model/project_view.h"

namespace brindle {

bool editVideoSlideCommand() {
    const MediaElement* r = gProject.Item(gSelectedSlide);
    if (r == nullptr || r->mediaType != MediaVideo || r->VideoType != VideoAvi) {
        return false;
    }
    ProjectView* view = projectView();
    if (view != nullptr) {
        view->dimTheWindow(true);
    }
    editVideoSlide(gSelectedSlide);
    if (view != nullptr) {
        view->dimTheWindow(false);
        view->refreshStrip();
    }
    return true;
}

}  // namespace brindle
