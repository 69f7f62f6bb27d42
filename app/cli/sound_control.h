// The audio capture control as brindle-cli uses it: loaded through the
// dispatch layer from the program's controls folder, as the editor does.
#pragma once

#include "platform/dispatch/control_host.h"

#include <QWidget>

#include <memory>

namespace brindle::cli {

class SoundControl {
public:
    // Loads the control; ok() is false (and the reason printed) on failure.
    SoundControl();

    bool ok() const { return m_host != nullptr; }
    dispatch::ControlHost& host() { return *m_host; }
    QWidget& window() { return m_window; }

    // Prints a failed call's code as "what: error 0x8004000N"; answers r.ok().
    static bool report(const dispatch::DispResult& r, const QString& what);

private:
    QWidget m_window;  // the control's parent, never shown
    std::unique_ptr<dispatch::ControlHost> m_host;
};

}  // namespace brindle::cli
