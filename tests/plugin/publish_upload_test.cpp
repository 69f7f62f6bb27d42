// Publishing end to end: brindle-cli packs the sample project, a hosting
// service on 127.0.0.1 (a Python server whose own multipart parser reads the
// request) serves the publishing page, and brindle-upload runs the plug-in
// on it; the button is pressed through the X server as a user would.
#include "tests/plugin/x_server.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

namespace brindle {
namespace {

using test::fileContents;

const QByteArray kFields =
    "projectfile FILE\r\nContent-Type: application/octet-stream\r\n\r\n"
    "sizefiles\r\n\r\ntitle\r\nX-Note: shown as written\r\n\r\n";

// The window named `name` below `w`, depth first.
Window findNamed(Display* d, Window w, const char* name) {
    char* found = nullptr;
    if (XFetchName(d, w, &found) && found) {
        const bool match = std::strcmp(found, name) == 0;
        XFree(found);
        if (match) {
            return w;
        }
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window result = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !result; ++i) {
            result = findNamed(d, children[i], name);
        }
        if (children) {
            XFree(children);
        }
    }
    return result;
}

class PublishUploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << "no X server";
        const QString bqx = env.file("Sample.bqx");
        const test::ProgramRun made = test::makeSampleProject(bqx);
        ASSERT_EQ(made.status, 0) << made.err.toStdString();
        const test::ProgramRun r = test::runProgram("brindle-cli", {"present", "--publish", bqx});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        packed = r.out.split('\n').value(1);
        ASSERT_EQ(packed, env.file("home/uploads/project.zip"));
        ASSERT_TRUE(QFile::exists(packed));
        env.write("fields.pfp", kFields);
        QDir().mkpath(env.file("server"));

        server.start("python3", {BRINDLE_UPLOAD_SERVER, env.file("server"), "--pfp",
                                 env.file("fields.pfp"), "--param", "title=Sample show"});
        ASSERT_TRUE(server.waitForStarted());
        QByteArray line;
        while (!line.contains('\n') && server.waitForReadyRead(10000)) {
            line += server.readAllStandardOutput();
        }
        ASSERT_TRUE(line.startsWith("port ")) << line.constData();
        port = line.mid(5).trimmed().toInt();
    }

    void TearDown() override {
        server.terminate();
        server.waitForFinished();
    }

    // The publishing address as Brindle opens it: the packed file and the
    // presentation's size in the query.
    QString page(const QString& projectfile) const {
        QUrl url(QString("http://127.0.0.1:%1/publish").arg(port));
        QUrlQuery q;
        q.addQueryItem("projectfile", projectfile);
        q.addQueryItem("sizefiles", QString::number(QFileInfo(packed).size()));
        url.setQuery(q);
        return url.toString(QUrl::FullyEncoded);
    }

    void startUpload(QProcess& upload, const QStringList& extra) {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("QT_QPA_PLATFORM", "xcb");
        e.insert("DISPLAY", x.name());
        upload.setProcessEnvironment(e);
        upload.start(test::programPath("brindle-upload"), extra);
        ASSERT_TRUE(upload.waitForStarted());
    }

    QStringList requestFiles() const {
        return QDir(env.file("home/uploads")).entryList({"POSTBODY*"}, QDir::Files);
    }

    test::TempEnv env;
    test::XServer x;
    QProcess server;
    QString packed;
    int port = 0;
};

TEST_F(PublishUploadTest, ThePressedButtonPostsTheProjectByteForByte) {
    QProcess upload;
    startUpload(upload, {"--page", page(packed), "--exit-after-answer", "--chunk", "5"});
    QByteArray err;
    QElapsedTimer t;
    t.start();
    while (!err.contains("the data stream has ended") && t.elapsed() < 30000) {
        upload.waitForReadyRead(200);
        err += upload.readAllStandardError();
    }
    ASSERT_TRUE(err.contains("the data stream has ended")) << err.constData();

    // A real press: the pointer moved onto the button and its button pressed
    // and released through the XTest extension, once the button is on the
    // screen. A press that arrives before the window takes input is lost, as
    // it would be for a user, so an unanswered press is repeated.
    Display* d = XOpenDisplay(x.name().toLocal8Bit());
    ASSERT_NE(d, nullptr);
    int event, error, major, minor;
    ASSERT_TRUE(XTestQueryExtension(d, &event, &error, &major, &minor));
    bool pressed = false;
    for (int attempt = 0; attempt < 5 && !pressed; ++attempt) {
        Window button = 0;
        XWindowAttributes a{};
        for (int i = 0; i < 100; ++i) {
            button = findNamed(d, DefaultRootWindow(d), "Publish");
            if (button && XGetWindowAttributes(d, button, &a) && a.map_state == IsViewable) {
                break;
            }
            button = 0;
            QThread::msleep(100);
        }
        ASSERT_NE(button, 0u) << "the Publish button never showed";
        int cx = 0, cy = 0;
        Window child;
        XTranslateCoordinates(d, button, DefaultRootWindow(d), a.width / 2, a.height / 2, &cx, &cy,
                              &child);
        XTestFakeMotionEvent(d, -1, cx, cy, 0);
        XTestFakeButtonEvent(d, 1, True, 0);
        XTestFakeButtonEvent(d, 1, False, 50);
        XFlush(d);
        // The upload's first status line shows the press was taken.
        for (int i = 0; i < 30 && !pressed; ++i) {
            upload.waitForReadyRead(100);
            err += upload.readAllStandardError();
            pressed = err.contains("status: Preparing data to upload...") ||
                      upload.state() == QProcess::NotRunning;
        }
    }
    XCloseDisplay(d);
    ASSERT_TRUE(pressed) << err.constData();

    ASSERT_TRUE(upload.waitForFinished(60000));
    err += upload.readAllStandardError();
    EXPECT_EQ(upload.exitCode(), 0) << err.constData();
    EXPECT_TRUE(upload.readAllStandardOutput().contains("Thank you: 3 fields"));
    EXPECT_TRUE(err.contains("status: Preparing data to upload...\nstatus: Uploading..."))
        << err.constData();

    // What the service's parser received.
    const QByteArray zip = fileContents(packed);
    ASSERT_GT(zip.size(), 1000);
    EXPECT_TRUE(fileContents(env.file("server/fields/projectfile")) == zip)
        << "project.zip arrived changed";
    EXPECT_EQ(fileContents(env.file("server/fields/sizefiles")), QByteArray::number(zip.size()));
    EXPECT_EQ(fileContents(env.file("server/fields/title")), "Sample show");
    const QJsonArray parts =
        QJsonDocument::fromJson(fileContents(env.file("server/parts.json"))).array();
    ASSERT_EQ(parts.size(), 3);
    const QJsonObject file = parts[0].toObject();
    EXPECT_EQ(file["filename"].toString(), packed);
    EXPECT_EQ(parts[2].toObject()["headers"].toArray()[1].toArray()[1].toString(),
              "shown as written");
    for (const auto& p : parts) {
        EXPECT_EQ(p.toObject()["defects"].toInt(), 0);
    }
    EXPECT_TRUE(fileContents(env.file("server/request.headers"))
                    .contains("Content-Type: multipart/form-data; "
                              "boundary=---------------------------7cf8ce510"));
    EXPECT_TRUE(requestFiles().isEmpty()) << "the posted request file is deleted";
}

// Keys alone: the window given the focus (as a desktop does; this display
// has no window manager) passes it on to the plug-in's button, and Space
// through the XTest extension presses it.
TEST_F(PublishUploadTest, SpaceOnTheFocusedWindowPostsTheProject) {
    QProcess upload;
    startUpload(upload, {"--page", page(packed), "--exit-after-answer"});
    Display* d = XOpenDisplay(x.name().toLocal8Bit());
    ASSERT_NE(d, nullptr);
    Window button = 0;
    XWindowAttributes a{};
    for (int i = 0; i < 200 && !button; ++i) {
        button = findNamed(d, DefaultRootWindow(d), "Publish");
        if (!button || !XGetWindowAttributes(d, button, &a) || a.map_state != IsViewable) {
            button = 0;
            QThread::msleep(50);
        }
    }
    ASSERT_NE(button, 0u) << "the Publish button never showed";
    const Window top = findNamed(d, DefaultRootWindow(d), "Brindle upload");
    ASSERT_NE(top, 0u);
    XSetInputFocus(d, top, RevertToParent, CurrentTime);
    XSync(d, False);
    Window focus = 0;
    int revert = 0;
    for (int i = 0; i < 100 && focus != button; ++i) {
        QThread::msleep(50);
        XGetInputFocus(d, &focus, &revert);
    }
    EXPECT_EQ(focus, button) << "the button did not take the keyboard";

    // The button takes the press once the stream has ended; until then
    // Space is repeated, as a user would.
    const KeyCode space = XKeysymToKeycode(d, XK_space);
    QByteArray err;
    for (int attempt = 0; attempt < 40 && !err.contains("status: Preparing data"); ++attempt) {
        XTestFakeKeyEvent(d, space, True, 0);
        XTestFakeKeyEvent(d, space, False, 30);
        XFlush(d);
        upload.waitForReadyRead(250);
        err += upload.readAllStandardError();
    }
    XCloseDisplay(d);
    ASSERT_TRUE(upload.waitForFinished(60000));
    err += upload.readAllStandardError();
    EXPECT_EQ(upload.exitCode(), 0) << err.constData();
    EXPECT_TRUE(fileContents(env.file("server/fields/projectfile")) == fileContents(packed));
}

TEST_F(PublishUploadTest, FilesOutsideTheUploadFolderAreNeverPosted) {
    env.write("secret.zip", "secret");
    QDir().mkpath(env.file("home/uploads-evil"));
    env.write("home/uploads-evil/x.zip", "evil");
    ASSERT_EQ(::symlink(env.file("secret.zip").toLocal8Bit(),
                        env.file("home/uploads/link.zip").toLocal8Bit()),
              0);
    const struct {
        QString value;
        const char* status;
    } cases[] = {
        {"link.zip", "Plugin does not allow upload of this file"},
        {env.file("home/uploads-evil/x.zip"), "Plugin error reading file to upload"},
        {env.file("secret.zip"), "Plugin error reading file to upload"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.toStdString());
        QProcess upload;
        startUpload(upload, {"--page", page(c.value), "--press", "--exit-after-answer"});
        ASSERT_TRUE(upload.waitForFinished(60000));
        const QByteArray err = upload.readAllStandardError();
        EXPECT_EQ(upload.exitCode(), 3) << err.constData();
        EXPECT_TRUE(err.contains(QByteArray("status: ") + c.status)) << err.constData();
    }
    EXPECT_FALSE(QFile::exists(env.file("server/request.body"))) << "something was posted";
    EXPECT_TRUE(requestFiles().isEmpty());
}

}  // namespace
}  // namespace brindle
