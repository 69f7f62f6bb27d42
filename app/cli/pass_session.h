// What the command-line passes share: the editor's start-up steps with
// private folders, and interrupts turned into the progress window's cancel.
#pragma once

#include <QTimer>
#include "app/cli/scratch_folder.h"

#include <csignal>

namespace brindle::cli {

// Turns an interrupt (Ctrl-C, SIGTERM) into a cancel request while a pass
// runs; the pass lets the event loop run between its steps, so the timer
// is seen.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    QTimer m_timer;
    void (*m_oldInt)(int) = SIG_DFL;
    void (*m_oldTerm)(int) = SIG_DFL;
};

// True once an interrupt arrived under the last InterruptWatch.
bool interrupted();

// The start-up steps the editor takes before a project can be opened, with
// private temporary and work folders in scratch: opening a project empties
// the work folder, which holds the unsaved media of an editor that may be
// running. The presentation goes into the program's preview folder.
bool startUp(ScratchFolder& scratch);

}  // namespace brindle::cli
