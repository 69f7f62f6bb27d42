#include "app/model/project_view.h"

namespace brindle {

namespace {
ProjectView* gView = nullptr;
}

void setProjectView(ProjectView* view) {
    gView = view;
}

ProjectView* projectView() {
    return gView;
}

}  // namespace brindle
