// The clip edit control as brindle-cli uses it: loaded through the
// dispatch layer from the program's controls folder, as the editor does.
#pragma once

#include "app/cli/cli_workspace.h"
#include "platform/dispatch/control_host.h"

#include <QString>
#include <QWidget>

#include <memory>

namespace brindle::cli {

class ClipControl {
public:
    // Loads the control; ok() is false (and the reason printed) on failure.
    ClipControl();

    bool ok() const { return m_host != nullptr; }
    dispatch::ControlHost& host() { return *m_host; }

    // Opens a clip in the control; false, with a message, when it does not
    // open.
    bool open(const QString& path);

private:
    QWidget m_window;  // the control's parent, never shown
    std::unique_ptr<dispatch::ControlHost> m_host;
};

}  // namespace brindle::cli
