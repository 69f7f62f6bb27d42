// bench-project: builds a project from a slide list, saves it as a project
// file and opens it again, with the program's own save and open (the table
// of contents, the zip component at level 6, the checks of every clip).
// Prints the seconds of each step.
//
//   bench-project [--no-sync] SLIDES WORK OUT.bqx OPENWORK
//
// SLIDES has one line per slide, "picture PATH [SOUND]" or "clip PATH
// [SOUND]", and optionally "background PATH". The project is built in WORK
// (not timed), saved to OUT.bqx ("save"), and opened into OPENWORK
// ("open"). WORK keeps the saved files, table included, so the same files
// can be packed by another tool afterwards.
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/project_view.h"
#include "app/model/project_zip.h"
#include "app/present/video_check.h"
#include "components/imaging/image_control.h"
#include "controls/clipedit/klipvane_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/files.h"
#include "platform/messages.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTextStream>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

using namespace brindle;

class BenchView : public ProjectView {
public:
    void setCaption(const QString&) override {}
    void resetStrip() override {}
    void showFromFirstSlide() override {}
    void refreshStrip() override {}
    void dimTheWindow(bool) override {}
    QWidget* dialogParent() override { return nullptr; }
    ImageControl& worker() override { return m_image; }
    dispatch::ControlHost* clipEditControl() override {
        if (!m_klipvane) {
            m_klipvane = dispatch::ControlHost::load(klipvane::kControlName, &m_window);
        }
        return m_klipvane.get();
    }

private:
    QWidget m_window;
    ImageControl m_image;
    std::unique_ptr<dispatch::ControlHost> m_klipvane;
};

class CountingSink : public MessageSink {
public:
    MsgAnswer show(const MessageRequest& request) override {
        std::fprintf(stderr, "bench-project: message %d\n", request.number);
        ++count;
        return defaultAnswer(request.buttons);
    }
    int count = 0;
};

// The process's peak resident size so far.
long peakKilobytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool buildProject(const QString& slidesPath, const QString& thumb) {
    QFile file(slidesPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList f = in.readLine().split(' ', Qt::SkipEmptyParts);
        if (f.size() < 2) {
            continue;
        }
        if (f[0] == QLatin1String("background")) {
            gBackTrack = gWorkFolder + "/backtrk.wav";
            if (!files::copyFile(f[1], gBackTrack)) {
                return false;
            }
            continue;
        }
        MediaSource s;
        s.mediaType = f[0] == QLatin1String("clip") ? MediaVideo : MediaImage;
        s.Filename = f[1];
        s.Sound = f.value(2);
        s.Caption = QStringLiteral("Slide %1 & <caption>").arg(gProject.count() + 1);
        s.Duration = 5000;
        s.AudioDuration = s.Sound.isEmpty() ? 0 : 4000;
        s.Thumbnail = thumb;
        if (!gProject.Add(s)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    bool sync = true;
    if (!args.isEmpty() && args[0] == QLatin1String("--no-sync")) {
        sync = false;
        args.removeFirst();
    }
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: bench-project [--no-sync] SLIDES WORK OUT.bqx OPENWORK\n");
        return 2;
    }
    gAppTitle = LoadResString(str::AppTitle);
    CountingSink messages;
    setMessageSink(&messages);
    BenchView view;
    setProjectView(&view);
    installVideoChecks();
    projectZip().setSyncBeforeReplace(sync);

    gWorkFolder = args[1];
    gPreviewFolder = args[1] + "-preview";
    gTempFolder = args[1] + "-temp";
    createTempAndWorkFolders();
    files::makeFolder(gPreviewFolder);
    const QString thumb = gTempFolder + "/thumb.jpg";
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    picture.save(thumb, "JPEG");

    QElapsedTimer timer;
    timer.start();
    if (!buildProject(args[0], thumb)) {
        std::fprintf(stderr, "bench-project: cannot build the project from %s\n",
                     qPrintable(args[0]));
        return 1;
    }
    std::printf("import %.3f\n", timer.nsecsElapsed() / 1e9);
    const int slides = gProject.count();

    gProjectFile = args[2];
    gProjectName = projectNameOf(gProjectFile);
    // Each timed step starts with nothing left to write back, as the other
    // tool's steps do.
    ::sync();
    timer.restart();
    const int saved = riteProject(false);
    std::printf("save %.3f\n", timer.nsecsElapsed() / 1e9);
    std::printf("rss-after-save %ld\n", peakKilobytes());
    if (saved != 0) {
        return 1;
    }

    // Open into a folder of its own, leaving WORK as saved.
    gProject.clear();
    gBackTrack.clear();
    gWorkFolder = args[3];
    files::makeFolder(gWorkFolder);
    ::sync();
    timer.restart();
    readProject(args[2]);
    std::printf("open %.3f\n", timer.nsecsElapsed() / 1e9);
    std::printf("rss-after-open %ld\n", peakKilobytes());
    std::printf("slides %d\n", gProject.count());
    if (gProject.count() != slides || messages.count != 0) {
        std::fprintf(stderr, "bench-project: %d slides saved, %d opened, %d messages\n", slides,
                     gProject.count(), messages.count);
        return 1;
    }
    gProject.clear();
    setProjectView(nullptr);
    return 0;
}
