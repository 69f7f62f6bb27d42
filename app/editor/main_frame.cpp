#include "app/editor/main_frame.h"

#include "app/model/folders.h"
#include "app/model/settings.h"
#include "platform/messages.h"

#include <QCloseEvent>

namespace brindle {

MainFrame::MainFrame(QWidget* parent) : QMainWindow(parent) {
    setObjectName("MainFrame");
    setWindowTitle(gAppTitle);
    setMinimumSize(800, 600);
}

void MainFrame::closeEvent(QCloseEvent* event) {
    writeSettingsAtExit(!isMaximized());
    emptyFoldersAtExit();
    event->accept();
}

}  // namespace brindle
