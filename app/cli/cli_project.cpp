#include "app/cli/cli_project.h"

#include "app/model/project.h"

namespace brindle::cli {

CliProject::CliProject() {
    if (ok()) {
        setProjectView(&m_view);
    }
}

CliProject::~CliProject() {
    // The slides go while the view they were shown in is still registered.
    gProject.clear();
    setProjectView(nullptr);
}

}  // namespace brindle::cli
