#include "app/editor/text_commands.h"

#include "app/editor/add_media.h"
#include "app/editor/strip_state.h"
#include "app/media/real_text_form.h"
#include "app/media/text_caption_form.h"
#include "app/media/text_slide.h"
#include "app/model/media_element.h"
#include "app/model/project.h"
#include "app/model/project_view.h"

namespace brindle {
namespace {

// Runs a dialog modally between dimming and undimming the editor, then
// redraws the strip.
template <class Dialog, class Prepare>
void runDimmed(Prepare prepare) {
    ProjectView* view = projectView();
    if (view != nullptr) {
        view->dimTheWindow(true);
    }
    {
        Dialog dialog(view != nullptr ? view->dialogParent() : nullptr);
        prepare(dialog);
        dialog.exec();
    }
    if (view != nullptr) {
        view->dimTheWindow(false);
        view->refreshStrip();
    }
}

void useCreateSlide() {
    setTextSlideAdder(
        [](const QString& textFile) { return createSlide(MediaText, textFile, {}, {}); });
}

}  // namespace

void Text_Click() {
    useCreateSlide();
    runDimmed<realText>([](realText& form) { form.initTheForm({}, 0, 0, 0); });
}

bool editTextSlide() {
    const MediaElement* r = gProject.Item(gSelectedSlide);
    if (r == nullptr || r->mediaType != MediaText) {
        return false;
    }
    useCreateSlide();
    const int slide = gSelectedSlide;
    runDimmed<realText>([r, slide](realText& form) {
        form.initTheForm(r->Filename, r->PointSize, r->ForeColor, r->Alignment, slide);
    });
    return true;
}

void mnuText_Click() {
    if (gProject.Item(gSelectedSlide) == nullptr) {
        return;
    }
    const int slide = gSelectedSlide;
    runDimmed<textCaption>([slide](textCaption& form) { form.initTheForm(slide); });
}

}  // namespace brindle
