#include "app/model/project_session.h"

#include "app/media/progress_form.h"
#include "app/model/project_file.h"
#include "app/model/project_view.h"
#include "app/model/project_zip.h"
#include "platform/files.h"
#include "platform/messages.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

namespace brindle {

WaitCursor::WaitCursor() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_set = true;
    }
}

WaitCursor::~WaitCursor() {
    if (m_set) {
        QApplication::restoreOverrideCursor();
    }
}

ProjectProgress::ProjectProgress(int textEntry, bool* flag) : m_flag(flag) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QWidget* parent = projectView() ? projectView()->dialogParent() : nullptr;
        m_form = std::make_unique<progressForm>(parent);
        m_form->Label1()->setText(LoadResString(textEntry));
        m_form->masterProgress()->setMaximum(100);
        m_form->masterProgress()->setValue(1);
        m_form->show();
        QProgressBar* bar = m_form->masterProgress();
        m_progress = QObject::connect(&projectZip(), &ProjectZip::progress, bar,
                                      [bar](int filesTotal, int filesProcessed) {
                                          if (gOpening || gSaving) {
                                              bar->setMaximum(filesTotal + 1);
                                              bar->setValue(filesProcessed + 1);
                                          }
                                      });
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    *m_flag = true;
}

ProjectProgress::~ProjectProgress() {
    close();
}

void ProjectProgress::close() {
    if (m_form) {
        QObject::disconnect(m_progress);
        m_form->masterProgress()->hide();
        m_form->hide();
        m_form.reset();
    }
    *m_flag = false;
}

QString projectNameOf(const QString& projectFile) {
    const qsizetype at = projectFile.indexOf(QLatin1String(".bqx"), 0, Qt::CaseInsensitive);
    return at < 0 ? projectFile : projectFile.left(at);
}

QString projectCaption() {
    if (gProjectName.isEmpty()) {
        return gAppTitle;
    }
    return FileNamePart(gProjectName) + " - " + gAppTitle;
}

void showProjectCaption() {
    if (ProjectView* view = projectView()) {
        view->setCaption(projectCaption());
    }
}

}  // namespace brindle
