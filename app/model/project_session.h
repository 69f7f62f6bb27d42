// What saving and opening share: the progress display that shows the zip
// component's progress, and the window caption.
#pragma once

#include "app/model/progress.h"

#include <QMetaObject>
#include <QString>

#include <memory>

namespace brindle {

// A progress display (from the registered ProgressSink, if any) with the
// text of string-table entry `textEntry`, bar maximum 100 and value 1, and
// `flag` (gSaving or gOpening) set. While it is open the zip component's
// progress moves the bar: maximum files total + 1, value files processed +
// 1. close() (or the destructor) closes the display and clears the flag.
class ProjectProgress {
public:
    ProjectProgress(int textEntry, bool* flag);
    ~ProjectProgress();
    ProjectProgress(const ProjectProgress&) = delete;
    ProjectProgress& operator=(const ProjectProgress&) = delete;

    void close();

private:
    std::unique_ptr<ProgressDisplay> m_display;
    QMetaObject::Connection m_progress;
    bool* m_flag;
};

// Shows projectCaption() in the registered view, if there is one.
void showProjectCaption();

}  // namespace brindle
