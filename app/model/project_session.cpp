#include "app/model/project_session.h"

#include "app/model/project_file.h"
#include "app/model/project_view.h"
#include "app/model/project_zip.h"
#include "platform/files.h"
#include "platform/messages.h"

#include <QCoreApplication>

namespace brindle {

ProjectProgress::ProjectProgress(int textEntry, bool* flag) : m_flag(flag) {
    if (ProgressSink* sink = progressSink()) {
        m_display = sink->open();
    }
    if (m_display) {
        ProgressDisplay* display = m_display.get();
        display->setText(LoadResString(textEntry));
        display->setMaximum(100);
        display->setValue(1);
        m_progress = QObject::connect(&projectZip(), &ProjectZip::progress,
                                      [display](int filesTotal, int filesProcessed) {
                                          if (gOpening || gSaving) {
                                              display->setMaximum(filesTotal + 1);
                                              display->setValue(filesProcessed + 1);
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
    if (m_display) {
        QObject::disconnect(m_progress);
        m_display.reset();
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
