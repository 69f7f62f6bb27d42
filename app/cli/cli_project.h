// A project opened by brindle-cli: private work and preview folders, so the
// tool never touches the files of an editor that is running, and the
// window-less project view.
#pragma once

#include "app/cli/cli_view.h"
#include "app/cli/cli_workspace.h"

namespace brindle::cli {

class CliProject : public CliWorkspace {
public:
    CliProject();
    ~CliProject();
    CliProject(const CliProject&) = delete;
    CliProject& operator=(const CliProject&) = delete;

    CliView& view() { return m_view; }

private:
    CliView m_view;
};

}  // namespace brindle::cli
