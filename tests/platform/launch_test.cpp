#include "platform/launch.h"

#include "platform/registry.h"
#include "platform/xdg_apps.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <sys/stat.h>
#include <csignal>

namespace brindle {
namespace {

TEST(ExecLine, TheProgramIsTheFirstWordAndTheFileOneArgument) {
    // The association's own switches stay; the file takes the code's place.
    xdg::AppCommand c = xdg::parseExec("/opt/prog/player /x %f --end");
    EXPECT_EQ(c.program, "/opt/prog/player");
    EXPECT_EQ(c.arguments("/a b/c d.smi"), QStringList({"/x", "/a b/c d.smi", "--end"}));

    c = xdg::parseExec(R"("/opt/My Player/play" --title="100%%" %U)");
    EXPECT_EQ(c.program, "/opt/My Player/play");
    EXPECT_EQ(c.arguments("x"), QStringList({"--title=100%", "x"}));

    // Without a file code the file goes at the end; dropped codes leave no word.
    c = xdg::parseExec("/bin/viewer %i %d -n", "Viewer", "viewer-icon");
    EXPECT_EQ(c.arguments("f"), QStringList({"--icon", "viewer-icon", "-n", "f"}));
    c = xdg::parseExec(R"(/bin/v "a \"quoted\" word" %k)", {}, {}, "/apps/v.desktop");
    EXPECT_EQ(c.arguments("f"), QStringList({"a \"quoted\" word", "/apps/v.desktop", "f"}));

    EXPECT_TRUE(xdg::parseExec("").isEmpty());
    EXPECT_TRUE(xdg::parseExec("\"/bin/unclosed %f").isEmpty());
    // A bare name is looked up on PATH.
    EXPECT_EQ(xdg::parseExec("sh -c true").program, "/usr/bin/sh");
}

// The system's MIME database in a folder of its own, the same for every
// test, so pointing XDG_DATA_DIRS away from /usr/share keeps file types.
QString mimeDataFolder() {
    static QTemporaryDir dir;
    static const bool linked = QFile::link("/usr/share/mime", dir.filePath("mime"));
    Q_UNUSED(linked);
    return dir.path();
}

// A desktop of our own: XDG folders in the temporary folder, and a stand-in
// program that records its arguments and process id, then sleeps.
class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        saveEnv("XDG_DATA_HOME");
        saveEnv("XDG_DATA_DIRS");
        saveEnv("XDG_CURRENT_DESKTOP");
        qputenv("XDG_DATA_HOME", env.file("data").toUtf8());
        qputenv("XDG_DATA_DIRS", (env.file("share") + ':' + mimeDataFolder()).toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP");
        QDir().mkpath(env.file("records"));
        QDir().mkpath(env.file("My Documents"));
        show = env.write("My Documents/pre View.smi", "<smil/>");
        page = env.write("My Documents/a page.htm", "<html></html>");
        launch::setTempFolder(env.file("Temp"));
    }

    void TearDown() override {
        CloseBrowser();
        for (qint64 pid : started) {
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        }
        launch::setTempFolder({});
        for (const auto& [name, value] : saved) {
            if (value.isNull()) {
                qunsetenv(name);
            } else {
                qputenv(name, value);
            }
        }
    }

    void saveEnv(const char* name) { saved.emplace_back(name, qgetenv(name)); }

    // A stand-in program in a folder with a blank in its name.
    QString program(const QString& name, bool executable = true) {
        const QString path = env.write("My Programs/" + name,
                                       "#!/bin/sh\n"
                                       "printf '%s\\n' \"$@\" > \"" +
                                           env.file("records").toUtf8() +
                                           "/$$.args\"\n"
                                           "echo $$ >> \"" +
                                           env.file("records").toUtf8() +
                                           "/pids\"\n"
                                           "exec sleep 60\n");
        ::chmod(path.toUtf8().constData(), executable ? 0755 : 0644);
        return path;
    }

    // Registers program as the default for mimeType through a desktop entry
    // in the data folder and the user's mimeapps.list.
    void associate(const QString& mimeType, const QString& programPath, const QString& id) {
        env.write("data/applications/" + id,
                  "[Desktop Entry]\nType=Application\nName=Stand-in\nExec=\"" +
                      programPath.toUtf8() + "\" --from-entry %f\n");
        QFile list(env.file("config/mimeapps.list"));
        const bool fresh = !list.exists();
        ASSERT_TRUE(list.open(QIODevice::Append));
        if (fresh) {
            list.write("[Default Applications]\n");
        }
        list.write((mimeType + "=" + id + "\n").toUtf8());
    }

    // The process ids the stand-ins recorded, waiting for count of them.
    QList<qint64> pids(int count) {
        QDeadlineTimer deadline(20000);
        QList<qint64> result;
        while (!deadline.hasExpired()) {
            result.clear();
            QFile f(env.file("records/pids"));
            if (f.open(QIODevice::ReadOnly)) {
                for (const QByteArray& line : f.readAll().split('\n')) {
                    if (!line.isEmpty()) {
                        result << line.toLongLong();
                    }
                }
            }
            if (result.size() >= count &&
                QFile::exists(env.file("records/" + QString::number(result.last()) + ".args"))) {
                break;
            }
            QThread::msleep(20);
        }
        started = result;
        return result;
    }

    QStringList argsOf(qint64 pid) {
        QFile f(env.file("records/" + QString::number(pid) + ".args"));
        if (!f.open(QIODevice::ReadOnly)) {
            return {};
        }
        QString text = QString::fromUtf8(f.readAll());
        text.chop(1);
        return text.split('\n');
    }

    static bool alive(qint64 pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0; }

    test::TempEnv env;
    test::MessageRecorder messages;
    QString show, page;
    QList<qint64> started;
    std::vector<std::pair<const char*, QByteArray>> saved;
};

TEST_F(LaunchTest, FindsTheDefaultApplicationOfTheFilesType) {
    const QString player = program("player.sh");
    associate(xdg::mimeTypeOf(show), player, "stand-in-player.desktop");
    EXPECT_EQ(FindExecutable(show), player);
    EXPECT_EQ(FindExecutable(page), "");
}

TEST_F(LaunchTest, PreferenceOrderOfTheAssociationLists) {
    const QString mime = xdg::mimeTypeOf(show);
    const QString first = program("first.sh"), second = program("second.sh");
    env.write("share/applications/first.desktop", "[Desktop Entry]\nExec=\"" + first.toUtf8() +
                                                      "\"\nMimeType=" + mime.toUtf8() + ";\n");
    env.write("share/applications/second.desktop", "[Desktop Entry]\nExec=\"" + second.toUtf8() +
                                                       "\"\nMimeType=" + mime.toUtf8() + ";\n");
    // Only listed by the entries: the first found.
    EXPECT_FALSE(FindExecutable(show).isEmpty());
    // A default in the system list wins over the entries' own lists.
    env.write("share/applications/mimeapps.list",
              "[Default Applications]\n" + mime.toUtf8() + "=second.desktop\n");
    EXPECT_EQ(FindExecutable(show), second);
    // The user's list wins; a default that is not installed is passed over.
    env.write("config/mimeapps.list",
              "[Default Applications]\n" + mime.toUtf8() + "=missing.desktop;first.desktop;\n");
    EXPECT_EQ(FindExecutable(show), first);
    // A hidden entry does not count; a removed one is not taken from the lists.
    env.write("data/applications/first.desktop", "[Desktop Entry]\nHidden=true\n");
    EXPECT_EQ(FindExecutable(show), second);
    env.write("config/mimeapps.list",
              "[Removed Associations]\n" + mime.toUtf8() + "=second.desktop\n");
    env.write("share/applications/mimeapps.list", "");
    EXPECT_EQ(FindExecutable(show), "");
}

TEST_F(LaunchTest, PlayerGetsThePathWholeAndASecondLaunchEndsTheFirst) {
    associate(xdg::mimeTypeOf(show), program("player.sh"), "stand-in-player.desktop");
    LaunchPlayer(show);
    const QList<qint64> one = pids(1);
    ASSERT_EQ(one.size(), 1);
    EXPECT_EQ(argsOf(one[0]), QStringList({"--from-entry", show}));
    EXPECT_EQ(launch::recordedChildId(), one[0]);

    LaunchPlayer(show);
    const QList<qint64> two = pids(2);
    ASSERT_EQ(two.size(), 2);
    EXPECT_FALSE(alive(two[0]));
    EXPECT_TRUE(alive(two[1]));

    CloseBrowser();
    EXPECT_FALSE(alive(two[1]));
    EXPECT_EQ(launch::recordedChildId(), 0);
    EXPECT_TRUE(messages.numbers().isEmpty());
}

// A browser may be the user's whole browser with windows of their own: it
// outlives the program's closing of its child, managed or not.
TEST_F(LaunchTest, BrowsersOutliveCloseAndLaterLaunches) {
    associate("text/html", program("browser.sh"), "stand-in-browser.desktop");
    const QString target = "file:///a folder/x y.htm?projectfile=/up loads/project.zip";
    LaunchBrowser(page, target, false);
    const QList<qint64> detached = pids(1);
    ASSERT_EQ(detached.size(), 1);
    EXPECT_EQ(launch::detachedChildId(), detached[0]);
    EXPECT_EQ(argsOf(detached[0]), QStringList({"--from-entry", target}));

    LaunchBrowser(page, "http://example.invalid/help", true);
    const QList<qint64> both = pids(2);
    ASSERT_EQ(both.size(), 2);
    EXPECT_EQ(launch::recordedChildId(), 0);
    CloseBrowser();
    EXPECT_TRUE(alive(both[1]));
    EXPECT_TRUE(alive(both[0]));
    EXPECT_TRUE(messages.numbers().isEmpty());
}

// A managed browser launch still replaces the recorded player.
TEST_F(LaunchTest, ManagedBrowserLaunchEndsThePlayer) {
    associate(xdg::mimeTypeOf(show), program("player.sh"), "stand-in-player.desktop");
    associate("text/html", program("browser.sh"), "stand-in-browser.desktop");
    LaunchPlayer(show);
    const QList<qint64> player = pids(1);
    ASSERT_EQ(player.size(), 1);
    LaunchBrowser(page, "http://example.invalid/help", true);
    const QList<qint64> both = pids(2);
    ASSERT_EQ(both.size(), 2);
    EXPECT_FALSE(alive(player[0]));
    EXPECT_TRUE(alive(both[1]));

    CloseBrowser();
    EXPECT_EQ(launch::recordedChildId(), 0);
    EXPECT_TRUE(alive(both[1])) << "the browser is never ended";
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(LaunchTest, MissingAssociationStartsNothing) {
    LaunchPlayer(show);
    LaunchBrowser(page, "http://example.invalid/", true);
    EXPECT_EQ(messages.numbers(), QList<int>({158, 107}));
    EXPECT_EQ(launch::recordedChildId(), 0);
    EXPECT_FALSE(QFile::exists(env.file("records/pids")));
}

TEST_F(LaunchTest, ProgramThatCannotStartIsReported) {
    associate(xdg::mimeTypeOf(show), program("player.sh", false), "broken-player.desktop");
    associate("text/html", env.file("My Programs/no such browser"), "gone-browser.desktop");
    LaunchPlayer(show);
    LaunchBrowser(page, "http://example.invalid/", true);
    LaunchBrowser(page, "http://example.invalid/", false);
    EXPECT_EQ(messages.numbers(), QList<int>({159, 111, 111}));
    EXPECT_EQ(launch::recordedChildId(), 0);
}

TEST_F(LaunchTest, BrowserFamiliesGetTheirOwnCommandLines) {
    // A browser that opens only files is given a page forwarding to the target.
    associate("text/html", program("AOL browser.sh"), "aol.desktop");
    LaunchBrowser(page, "http://example.invalid/a b", true);
    QList<qint64> ids = pids(1);
    ASSERT_EQ(ids.size(), 1);
    const QString forward = env.file("Temp") + "/temp.htm";
    EXPECT_EQ(argsOf(ids[0]), QStringList({"--from-entry", forward}));
    QFile f(forward);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(),
              "<META HTTP-EQUIV=\"refresh\" CONTENT=\"0;URL=http://example.invalid/a b\">\r\n");

    // The other family opens a new window when its version is known.
    QFile::remove(env.file("config/mimeapps.list"));
    associate("text/html", program("iexplore.sh"), "ie.desktop");
    LaunchBrowser(page, "http://example.invalid/", true);
    ids = pids(2);
    ASSERT_EQ(ids.size(), 2);
    EXPECT_EQ(argsOf(ids[1]), QStringList({"--from-entry", "http://example.invalid/"}));
    RegSetString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Internet Explorer", "Version", "5.5");
    LaunchBrowser(page, "http://example.invalid/", true);
    ids = pids(3);
    ASSERT_EQ(ids.size(), 3);
    EXPECT_EQ(argsOf(ids[2]), QStringList({"--from-entry", "-new", "http://example.invalid/"}));
    EXPECT_TRUE(alive(ids[1])) << "an earlier browser is not ended";
}

}  // namespace
}  // namespace brindle
