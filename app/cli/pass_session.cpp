#include "app/cli/pass_session.h"

#include "app/cli/clip_control.h"
#include "app/model/folders.h"
#include "app/model/progress.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "platform/files.h"
#include "platform/messages.h"

namespace brindle::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void onInterrupt(int) {
    gInterrupted = 1;
}

}  // namespace

InterruptWatch::InterruptWatch() {
    gInterrupted = 0;
    m_oldInt = std::signal(SIGINT, onInterrupt);
    m_oldTerm = std::signal(SIGTERM, onInterrupt);
    QObject::connect(&m_timer, &QTimer::timeout, [] {
        if (gInterrupted) {
            CancelRequested = true;
        }
    });
    m_timer.start(50);
}

InterruptWatch::~InterruptWatch() {
    m_timer.stop();
    std::signal(SIGINT, m_oldInt);
    std::signal(SIGTERM, m_oldTerm);
}

bool interrupted() {
    return gInterrupted != 0;
}

bool startUp(ScratchFolder& scratch) {
    gSettingsKey = LoadResString(str::SettingsKey);
    readSettings();
    computeFolders();
    createFolders();
    resetCounters();
    if (!scratch.isValid()) {
        complain(QStringLiteral("cannot make a work folder in %1").arg(GetTempFolder()));
        return false;
    }
    gTempFolder = scratch.filePath("Temp");
    gWorkFolder = scratch.filePath("Work");
    createTempAndWorkFolders();
    return true;
}

}  // namespace brindle::cli
