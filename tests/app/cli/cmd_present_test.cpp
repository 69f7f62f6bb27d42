// brindle-cli present run as a program on a project file the test saves.
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "tests/app/present/present_fixture.h"
#include "tests/support/message_recorder.h"
#include "tests/support/program_run.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QThread>

#include <csignal>

namespace brindle {
namespace {

using CliRun = test::ProgramRun;

QString cliPath() {
    return test::programPath("brindle-cli");
}

CliRun finish(QProcess& p) {
    return test::finishProgram(p);
}

CliRun cli(const QStringList& args) {
    return test::runProgram("brindle-cli", args);
}

class CmdPresentTest : public ::testing::Test {
protected:
    // Saves a project of a narrated picture and a text slide as trip.bqx.
    void saveProject(int extraPictures = 0) {
        ASSERT_TRUE(present.addPicture(MediaImage, "The harbour", 1.0));
        ASSERT_TRUE(present.addText("The end", 2000));
        for (int i = 0; i < extraPictures; ++i) {
            ASSERT_TRUE(present.addPicture(MediaSnapshot, QString("Shot %1").arg(i)));
        }
        gProjectFile = project;
        ASSERT_EQ(riteProject(false), 0);
        ASSERT_TRUE(QFile::exists(project));
    }

    test::PresentEnv present;
    test::MessageRecorder messages;
    QString project = present.env().file("trip.bqx");
};

TEST_F(CmdPresentTest, WritesThePresentationAndPrintsTheFolder) {
    saveProject();
    // An editor's unsaved media in the program's work folder stay there.
    const QString unsaved = present.env().write("unsaved.jpg", "picture");
    ASSERT_TRUE(QFile::copy(unsaved, gWorkFolder + "/image99.jpg"));
    const CliRun r = cli({"present", project});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, gPreviewFolder + "\n");
    for (const char* name : {"preView.smi", "allpix.rp", "captions.rt", "audios.rm", "pix1.jpg",
                             "maintext2.rt", "preView.htm", "preView.rpm"}) {
        EXPECT_TRUE(QFile::exists(gPreviewFolder + "/" + name)) << name;
    }
    EXPECT_FALSE(QFile::exists(gUploadFolder + "/project.zip"));
    EXPECT_TRUE(present.player().launches().isEmpty()) << "no player without a window";
    EXPECT_TRUE(QFile::exists(gWorkFolder + "/image99.jpg"));
}

TEST_F(CmdPresentTest, PublishPacksTheUploadArchive) {
    saveProject();
    const CliRun r = cli({"present", "--publish", project});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString packed = gUploadFolder + "/project.zip";
    EXPECT_EQ(r.out, gPreviewFolder + "\n" + packed + "\n");
    QSet<QString> names;
    for (const auto& m : test::zipMembers(packed)) {
        names << m.name;
    }
    EXPECT_EQ(names, (QSet<QString>{"audios.rm", "pix1.jpg", "maintext2.rt", "thumbnail.jpg",
                                    "preView.smi", "captions.rt", "allpix.rp"}));
    EXPECT_FALSE(QFile::exists(gPreviewFolder + "/preView.htm"))
        << "no preview page when publishing";
    EXPECT_TRUE(present.browser().launches().isEmpty());
}

TEST_F(CmdPresentTest, BadArgumentsAndUnreadableProjectsFail) {
    EXPECT_EQ(cli({"present"}).status, 2);
    EXPECT_EQ(cli({"present", "a.bqx", "b.bqx"}).status, 2);
    EXPECT_EQ(cli({"present", "--frobnicate", "a.bqx"}).status, 2);

    CliRun r = cli({"present", present.env().file("missing.bqx")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("message 83")) << r.err.toStdString();

    const QString junk = present.env().write("junk.bqx", "this is no zip archive");
    r = cli({"present", "--publish", junk});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("message 117")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(gUploadFolder + "/project.zip"));
}

TEST_F(CmdPresentTest, AClipThatCannotBeEncodedFailsThePass) {
    ASSERT_TRUE(present.addPicture(MediaImage, "The harbour"));
    ASSERT_TRUE(present.addVideo("On the boat", 30));
    // The clip in the project file is damaged past its first bytes.
    const QString clip = gProject.Item(2)->Filename;
    QFile f(clip);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(64);
    f.write(QByteArray(int(f.size()) - 64, '\x5a'));
    f.close();
    gProjectFile = project;
    ASSERT_EQ(riteProject(false), 0);

    const CliRun r = cli({"present", "--publish", project});
    EXPECT_EQ(r.status, 1) << "a failure, not a cancel: " << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("message 161")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_FALSE(QFile::exists(gUploadFolder + "/project.zip"));
}

TEST_F(CmdPresentTest, AnInterruptCancelsThePass) {
    // Enough slides that the pass is still running when the signal comes:
    // it pauses to the next half second at every slide.
    saveProject(8);
    QProcess p;
    p.start(cliPath(), {"present", "--publish", project});
    ASSERT_TRUE(p.waitForStarted());
    // The SMIL file is opened at the start of the pass, after the project
    // was read (which empties the preview folder).
    const QString smil = gPreviewFolder + "/preView.smi";
    QDeadlineTimer deadline(60000);
    while (!QFile::exists(smil) && !deadline.hasExpired() && p.state() == QProcess::Running) {
        QThread::msleep(10);
    }
    ASSERT_TRUE(QFile::exists(smil));
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    const CliRun r = finish(p);
    EXPECT_EQ(r.status, 3) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_FALSE(QFile::exists(gUploadFolder + "/project.zip")) << "nothing packed";
}

}  // namespace
}  // namespace brindle
