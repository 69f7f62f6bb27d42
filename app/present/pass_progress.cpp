#include "app/present/pass_progress.h"

#include "app/media/progress_form.h"
#include "app/model/project_view.h"
#include "platform/messages.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

namespace brindle {

std::int16_t gProgressBase = 0;
std::int16_t gProgressSpan = 0;

namespace {
PassProgress* gCurrent = nullptr;
QPointer<progressForm> gLent;
constexpr int kPreparingEntry = 54;  // "Preparing your project..."
}  // namespace

PassProgress::PassProgress(bool silent) {
    if (silent) {
        return;
    }
    if (gLent) {
        m_form = gLent;
        m_lent = true;
    } else {
        ProjectView* view = projectView();
        m_form = new progressForm(view ? view->dialogParent() : nullptr);
        m_form->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    m_form->Label1()->setText(LoadResString(kPreparingEntry));
    m_form->masterProgress()->setRange(0, kProgressMaximum);
    m_form->masterProgress()->setValue(0);
    m_form->show();
    gCurrent = this;
    refresh();
}

PassProgress::~PassProgress() {
    close();
}

void PassProgress::setValue(int value) {
    if (m_form) {
        m_form->masterProgress()->setValue(value);
    }
}

void PassProgress::refresh() {
    if (m_form) {
        m_form->repaint();
        QCoreApplication::processEvents();
    }
}

void PassProgress::close() {
    if (!m_form) {
        return;
    }
    if (gCurrent == this) {
        gCurrent = nullptr;
    }
    if (m_lent) {
        m_form = nullptr;
        return;
    }
    m_form->hide();
    delete m_form.data();
    m_form = nullptr;
    // The command dimmed the editor before the pass; the dialog's end
    // brings it back.
    if (ProjectView* view = projectView()) {
        view->dimTheWindow(false);
    }
}

void lendPassProgressForm(progressForm* form) {
    gLent = form;
}

PassProgress* currentPassProgress() {
    return gCurrent;
}

}  // namespace brindle
