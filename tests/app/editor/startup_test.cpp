// Start-up: the checks that refuse to start, one running copy (in this
// process and as two programs), and the project named on the command line.
#include "app/editor/startup.h"
#include "app/editor/add_media.h"
#include "app/editor/main_frame.h"
#include "app/editor/strip_state.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "components/imaging/scan_job.h"
#include "platform/event_wait.h"
#include "platform/instance.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/temporaries.h"
#include "player/registration.h"
#include "tests/support/file_dialog_recorder.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <csignal>
#include <future>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace brindle::test {
namespace {

TEST(StartupChecks, TheScreenMustBeAtLeastAbout800By600) {
    EXPECT_TRUE(screenIsLargeEnough({800, 600}));
    EXPECT_TRUE(screenIsLargeEnough({799, 599}));
    EXPECT_FALSE(screenIsLargeEnough({798, 600}));
    EXPECT_FALSE(screenIsLargeEnough({1024, 598}));
}

TEST(StartupChecks, OnlyAQuotedOrPlainProjectFileCountsOnTheCommandLine) {
    EXPECT_EQ(projectFromCommandLine("\"/home/u/My Documents/trip.bqx\""),
              "/home/u/My Documents/trip.bqx");
    EXPECT_EQ(projectFromCommandLine("/home/u/TRIP.BQX"), "/home/u/TRIP.BQX");
    EXPECT_EQ(projectFromCommandLine("/home/u/photo.jpg"), "");
    EXPECT_EQ(projectFromCommandLine("\"/home/u/photo.jpg\""), "");
    EXPECT_EQ(projectFromCommandLine(""), "");
}

TEST(StartupChecks, ThePlayerMustHaveRegisteredVersion6) {
    TempEnv env;
    const QString key = LoadResString(174);
    for (const char* good : {"6.0.7.380", "6.1"}) {
        RegSetString(HKEY_CLASSES_ROOT, key, "", good);
        EXPECT_TRUE(playerIsInstalled()) << good;
    }
    for (const char* bad : {"5.0", "", "16.0", "6"}) {
        RegSetString(HKEY_CLASSES_ROOT, key, "", bad);
        EXPECT_FALSE(playerIsInstalled()) << bad;
    }
    EXPECT_TRUE(registry::deleteValue(HKEY_CLASSES_ROOT, key, ""));
    EXPECT_FALSE(playerIsInstalled());
}

// What the set-up does for the player is what the start-up check accepts.
TEST(StartupChecks, ThePlayersOwnRegistrationPassesTheCheck) {
    TempEnv env;
    EXPECT_FALSE(playerIsInstalled());
    const RegistrationResult r =
        registerPlayer(QCoreApplication::applicationDirPath() + "/brindle-player", false);
    EXPECT_TRUE(r.failed.isEmpty()) << r.failed.join('\n').toStdString();
    EXPECT_TRUE(playerIsInstalled());
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_RUNTIME_DIR", env.file("run").toUtf8());
        QDir(env.path()).mkpath("run");
        RegSetString(HKEY_CLASSES_ROOT, LoadResString(174), "", "6.0.7.380");
        gProject.clear();
        gProjectChanged = false;
    }
    void TearDown() override {
        gProjectChanged = false;
        gProject.clear();
    }
    QString instanceFolder() const { return env.file("run"); }

    TempEnv env;
    MessageRecorder messages;
};

TEST_F(StartupTest, WithoutThePlayerTheProgramEndsWith151) {
    registry::deleteValue(HKEY_CLASSES_ROOT, LoadResString(174), "");
    StartupResult started = startBrindle({}, instanceFolder());
    EXPECT_EQ(started.frame, nullptr);
    EXPECT_NE(started.exitCode, 0);
    EXPECT_EQ(messages.numbers(), QList<int>({151}));
    // The message names the command that registers the player; what that
    // command does lets the next start-up through.
    EXPECT_TRUE(LoadResString(151).endsWith("  brindle-player --register"));
    EXPECT_FALSE(LoadResString(151).contains("http")) << "no address to visit";
    const RegistrationResult r =
        registerPlayer(QCoreApplication::applicationDirPath() + "/brindle-player", false);
    ASSERT_TRUE(r.failed.isEmpty()) << r.failed.join('\n').toStdString();
    started = StartupResult();
    messages.clear();
    StartupResult again = startBrindle({}, instanceFolder());
    EXPECT_NE(again.frame, nullptr);
    EXPECT_TRUE(messages.numbers().isEmpty()) << messages.numbers().value(0);
}

TEST_F(StartupTest, TheEditorRemovesTheTemporariesOfAKilledRun) {
    // A run killed while saving: its temporary beside the project stays
    // until the next start; the user's own files are never touched.
    QDir().mkpath(env.file("docs"));
    env.write("docs/Show.bqx", "the project");
    env.write("docs/.Show.bqx.Ab12Cd.tmp", "a user's file that looks like ours");
    std::string temp = QFile::encodeName(env.file("docs/.Show.bqx.XXXXXX.tmp")).toStdString();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int fd = temporaries::makeFile(temp, 4, 0666);
        [[maybe_unused]] const auto n = ::write(fd, "half a project", 14);
        ::raise(SIGKILL);
    }
    ::waitpid(pid, nullptr, 0);
    ASSERT_EQ(QDir(env.file("docs")).entryList(QDir::Files | QDir::Hidden).size(), 3);

    StartupResult started = startBrindle({}, instanceFolder());
    ASSERT_NE(started.frame, nullptr);
    QStringList left = QDir(env.file("docs")).entryList(QDir::Files | QDir::Hidden);
    left.sort();
    EXPECT_EQ(left, QStringList({".Show.bqx.Ab12Cd.tmp", "Show.bqx"}));
}

TEST_F(StartupTest, TheEditorComesUpWithFoldersAndAnEmptyStrip) {
    StartupResult started = startBrindle({}, instanceFolder());
    ASSERT_NE(started.frame, nullptr);
    EXPECT_TRUE(messages.numbers().isEmpty());
    EXPECT_TRUE(started.frame->isVisible());
    EXPECT_EQ(started.frame->windowTitle(), "Velmora");
    EXPECT_EQ(gAppTitle, "Velmora");
    for (const QString& folder : {gTempFolder, gWorkFolder, gPreviewFolder, gUploadFolder}) {
        EXPECT_TRUE(QDir(folder).exists()) << folder.toStdString();
    }
    EXPECT_EQ(gSelectedSlide, 0);
    EXPECT_EQ(projectView(), started.frame.get());
    EXPECT_NE(started.frame->clipEditControl(), nullptr);
    EXPECT_EQ(started.frame->worker().objectName(), "Worker");
}

TEST_F(StartupTest, ASecondCopyShows162AndBringsTheFirstForward) {
    StartupResult first = startBrindle({}, instanceFolder());
    ASSERT_NE(first.frame, nullptr);
    bool broughtForward = false;
    QObject::connect(first.instance.get(), &SingleInstance::activated,
                     [&broughtForward] { broughtForward = true; });

    const QString project = env.file("trip.bqx");
    StartupResult second = startBrindle("\"" + project + "\"", instanceFolder());
    EXPECT_EQ(second.frame, nullptr);
    EXPECT_NE(second.exitCode, 0);
    EXPECT_EQ(messages.numbers(), QList<int>({162}));
    EXPECT_EQ(messages.requests().first().buttons, MsgButtons::Ok);
    processEventsFor(3000, &broughtForward);
    EXPECT_TRUE(broughtForward);
    EXPECT_EQ(gProject.count(), 0) << "the second copy opens nothing";
}

TEST_F(StartupTest, TheProjectOnTheCommandLineIsOpened) {
    QString project;
    {
        StartupResult started = startBrindle({}, instanceFolder());
        ASSERT_NE(started.frame, nullptr);
        for (int i = 1; i <= 2; ++i) {
            QImage image(32, 24, QImage::Format_RGB32);
            image.fill(Qt::yellow);
            const QString path = env.file(QStringLiteral("pic%1.jpg").arg(i));
            ASSERT_TRUE(image.save(path));
            dropFile({path}, gProject.count());
        }
        ASSERT_EQ(gProject.count(), 2);
        project = env.file("My Trip.bqx");
        FileDialogRecorder dialogs;
        dialogs.answer(QStringList{project});
        ASSERT_EQ(riteProject(true), 0);
        clearProject();
        started.frame->close();
    }
    ASSERT_TRUE(QFile::exists(project));
    StartupResult started = startBrindle("\"" + project + "\"", instanceFolder());
    ASSERT_NE(started.frame, nullptr);
    EXPECT_EQ(gProject.count(), 2);
    EXPECT_EQ(gSelectedSlide, 1);
    EXPECT_EQ(started.frame->windowTitle(), "My Trip - Velmora");
    EXPECT_FALSE(gProjectChanged);
    started.frame->close();
    started = StartupResult();  // ends this copy: its claim goes
    gProject.clear();           // as in a new process

    StartupResult picture = startBrindle(env.file("pic1.jpg"), instanceFolder());
    ASSERT_NE(picture.frame, nullptr);
    EXPECT_EQ(gProject.count(), 0) << "a picture on the command line opens nothing";
}

// Two programs: the first runs until the test ends it; the second finds it
// and ends with message 162.
TEST_F(StartupTest, QuittingDoesNotWaitForTheScannerSearch) {
    // A stand-in search that holds until it is released (30 s at most, so
    // that a quit which waits for it still ends, and fails below).
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> entered{false};
    std::atomic<bool> ended{false};
    setSourceListerForTests([&entered, &ended, released] {
        entered = true;
        released.wait_for(std::chrono::seconds(30));
        ended = true;
        return std::vector<ScanSource>{{"test:0", "Stand-in scanner"}};
    });
    StartupResult started = startBrindle({}, instanceFolder());
    ASSERT_NE(started.frame, nullptr);
    ASSERT_TRUE(processEventsUntil([&] { return entered.load(); }, QDeadlineTimer(20000), 10));

    // The user quits: the window closes and goes, and the scanner threads
    // are let go of while the search is still inside its listing.
    QPointer<QWidget> window = started.frame.get();
    started.frame->close();
    EXPECT_FALSE(window->isVisible());
    started.frame.reset();
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(joinScannerThreads());
    EXPECT_FALSE(ended.load());

    // Let go, the search ends; its answer reaches no window.
    release.set_value();
    EXPECT_TRUE(joinScannerThreads(true));
    EXPECT_TRUE(ended.load());
    QCoreApplication::processEvents();
    setSourceListerForTests({});
}

TEST_F(StartupTest, TwoProgramsOnlyOneRuns) {
    const QString program = QCoreApplication::applicationDirPath() + "/brindle";
    ASSERT_TRUE(QFile::exists(program)) << program.toStdString();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("BRINDLE_MESSAGES", "stderr");
    environment.insert("QT_QPA_PLATFORM", "offscreen");

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted());
    // The first copy holds its lock once its window is up.
    bool locked = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        locked = !QDir(instanceFolder()).entryList({"*brindle*"}, QDir::Files).isEmpty();
    });
    poll.start(20);
    processEventsFor(20000, &locked);
    ASSERT_TRUE(locked) << first.readAllStandardError().toStdString();
    processEventsFor(300);

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(program, {env.file("trip.bqx")});
    ASSERT_TRUE(second.waitForFinished(20000));
    const QString err = QString::fromLocal8Bit(second.readAllStandardError());
    EXPECT_NE(second.exitCode(), 0);
    EXPECT_TRUE(err.contains("message 162")) << err.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    if (!first.waitForFinished(5000)) {
        first.kill();
        first.waitForFinished(5000);
    }
}

}  // namespace
}  // namespace brindle::test
