#include "app/present/pass_progress.h"

#include "app/model/project_view.h"
#include "platform/messages.h"

#include <QCoreApplication>

namespace brindle {

std::int16_t gProgressBase = 0;
std::int16_t gProgressSpan = 0;

namespace {
PassProgress* gCurrent = nullptr;
ProgressDisplay* gLent = nullptr;
}  // namespace

PassProgress::PassProgress(bool silent) {
    if (silent) {
        return;
    }
    if (gLent) {
        m_display = gLent;
    } else if (ProgressSink* sink = progressSink()) {
        m_owned = sink->open();
        m_display = m_owned.get();
    }
    if (!m_display) {
        return;
    }
    m_display->setText(LoadResString(str::PreparingProject));
    m_display->setMaximum(kProgressMaximum);
    m_display->setValue(0);
    gCurrent = this;
    refresh();
}

PassProgress::~PassProgress() {
    close();
}

void PassProgress::setValue(int value) {
    if (m_display) {
        m_display->setValue(value);
    }
}

void PassProgress::refresh() {
    if (m_display) {
        m_display->update();
        QCoreApplication::processEvents();
    }
}

void PassProgress::close() {
    if (!m_display) {
        return;
    }
    if (gCurrent == this) {
        gCurrent = nullptr;
    }
    const bool lent = !m_owned;
    m_display = nullptr;
    if (lent) {
        return;
    }
    m_owned.reset();
    // The command dimmed the editor before the pass; the display's end
    // brings it back.
    if (ProjectView* view = projectView()) {
        view->dimTheWindow(false);
    }
}

void lendPassProgressDisplay(ProgressDisplay* display) {
    gLent = display;
}

PassProgress* currentPassProgress() {
    return gCurrent;
}

}  // namespace brindle
