// Brindle: turns pictures, clips, text and narration into a narrated slide
// show.
#include "app/editor/main_frame.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "platform/messages.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    using namespace brindle;

    gAppTitle = LoadResString(147);
    gSettingsKey = LoadResString(163);
    QApplication::setApplicationName(gAppTitle);
    QApplication::setApplicationDisplayName(gAppTitle);

    readSettings();
    computeFolders();
    createFolders();
    resetCounters();

    MainFrame frame;
    setMessageParent(&frame);
    if (windowStateIsNormal()) {
        frame.show();
    } else {
        frame.showMaximized();
    }
    return QApplication::exec();
}
