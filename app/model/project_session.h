// What saving and opening share: the hourglass, the progress window that
// shows the zip component's progress, and the window caption.
#pragma once

#include <QMetaObject>
#include <QString>

#include <memory>

namespace brindle {

class progressForm;

// The hourglass cursor for the life of the object (when there is a screen).
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_set = false;
};

// The progress window with the text of string-table entry `textEntry`, bar
// maximum 100 and value 1, and `flag` (gSaving or gOpening) set. While it is
// open the zip component's progress moves the bar: maximum files total + 1,
// value files processed + 1. close() (or the destructor) unloads the window
// and clears the flag.
class ProjectProgress {
public:
    ProjectProgress(int textEntry, bool* flag);
    ~ProjectProgress();
    ProjectProgress(const ProjectProgress&) = delete;
    ProjectProgress& operator=(const ProjectProgress&) = delete;

    void close();

private:
    std::unique_ptr<progressForm> m_form;
    QMetaObject::Connection m_progress;
    bool* m_flag;
};

// Shows projectCaption() in the registered view, if there is one.
void showProjectCaption();

}  // namespace brindle
