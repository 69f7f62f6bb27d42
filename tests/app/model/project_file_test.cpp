// Saving and opening the project file: the round trip, the save dialog,
// failures that must keep the previous file, naming and the caption.
#include "app/model/project_file.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_zip.h"
#include "app/model/settings.h"
#include "tests/app/model/project_fixture.h"

#include <sys/resource.h>

#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>

#include <csignal>

namespace brindle::test {
namespace {

// The members of an archive as the unzip tool lists them.
QStringList unzipNames(const QString& archive) {
    QProcess p;
    p.start("unzip", {"-Z1", archive});
    p.waitForFinished(30000);
    QStringList names = QString::fromUtf8(p.readAllStandardOutput()).split('\n');
    names.removeAll(QString());
    names.sort();
    return names;
}

TEST_F(ProjectFileTest, SaveAndReopenGiveBackEveryFieldCounterAndFile) {
    buildProject();
    const QString path = env.file("Trip.bqx");
    answerSaveDialog(path);
    // While the archive is written the progress window shows the zip
    // component's progress.
    QStringList seen;
    const auto watch = QObject::connect(&projectZip(), &ProjectZip::progress, [&](int total, int) {
        if (const RecordingProgress::Shown* shown = progress.shown()) {
            seen << QString("%1 %2 %3").arg(shown->text).arg(shown->maximum).arg(total + 1);
        }
        EXPECT_EQ(progress.busyDepth, 1) << "the hourglass shows while the archive is written";
    });
    ASSERT_EQ(riteProject(false), 0);
    QObject::disconnect(watch);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last().toStdString(), "Saving Project Contents... 16 16")
        << "the table and 14 files";
    EXPECT_EQ(dialogTitles, QStringList{"Save Project"}) << "a project never saved asks";
    EXPECT_FALSE(gProjectChanged);
    EXPECT_FALSE(gSaving);
    EXPECT_EQ(gProjectFile, path);
    EXPECT_EQ(gProjectName, env.file("Trip"));
    EXPECT_EQ(gProjectPath, env.path() + "/");
    EXPECT_EQ(view.captions.last(), "Trip - Velmora");
    EXPECT_TRUE(messages.requests().isEmpty());
    EXPECT_EQ(unzipNames(path),
              (QStringList{"backtrk.wav", "image1.jpg", "image1.rp", "image1T.jpg", "shot1.jpg",
                           "shot1.rp", "shot1T.jpg", "sound1.wav", "sound2.wav", "text1.rt",
                           "text1.txt", "text1T.jpg", "tocName.toc", "video1.avi", "video1T.jpg"}));
    const ProjectState saved = projectState();

    clearProject();
    EXPECT_EQ(gProject.count(), 0);
    EXPECT_TRUE(workFiles().isEmpty());
    EXPECT_EQ(gVideosUsed + gSnapshotsUsed + gImagesUsed + gTextUsed + gSoundsUsed, 0);
    EXPECT_EQ(view.captions.last(), "Velmora");
    EXPECT_EQ(gProjectFile, "");

    view.refreshes = view.firstShown = 0;
    seen.clear();
    const auto watchOpen = QObject::connect(&projectZip(), &ProjectZip::progress, [&](int, int) {
        if (const RecordingProgress::Shown* shown = progress.shown()) {
            seen << shown->text;
        }
    });
    readProject(path);
    QObject::disconnect(watchOpen);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last().toStdString(), "Opening Project File...");
    EXPECT_TRUE(messages.requests().isEmpty()) << messages.numbers().first();
    expectSameState(saved, projectState());
    for (const Project::Element& r : gProject) {
        EXPECT_EQ(r->Encoded(), 0);
    }
    EXPECT_NEAR(gBackTrackDuration, 2000, 50) << "the track's own length";
    EXPECT_EQ(gProjectFile, path);
    EXPECT_EQ(view.captions.last(), "Trip - Velmora");
    EXPECT_EQ(view.firstShown, 1);
    EXPECT_EQ(view.refreshes, 1);
    EXPECT_FALSE(gProjectChanged);
    EXPECT_FALSE(gOpening);
    EXPECT_EQ(progress.shown(), nullptr) << "the display is closed";
    EXPECT_EQ(progress.busyDepth, 0);

    // Saving the unchanged project again rewrites the archive in place.
    gProjectChanged = true;
    ASSERT_EQ(riteProject(false), 0);
    EXPECT_EQ(dialogTitles.size(), 1) << "a named project saves without asking";
    clearProject();
    readProject(path);
    expectSameState(saved, projectState());
}

TEST_F(ProjectFileTest, AVideoSlideWithoutATimeTakesItsClipLength) {
    buildProject();
    gProject.Item(4)->Duration = 0;
    answerSaveDialog(env.file("clip.bqx"));
    ASSERT_EQ(riteProject(true), 0);
    clearProject();
    readProject(env.file("clip.bqx"));
    ASSERT_EQ(gProject.count(), 4);
    EXPECT_NEAR(gProject.Item(4)->Duration, 2000, 70) << "30 frames at 15 per second";
    EXPECT_TRUE(messages.requests().isEmpty());
}

TEST_F(ProjectFileTest, NothingToSaveNoNameOrACancelWriteNothing) {
    EXPECT_EQ(riteProject(false), 1);
    EXPECT_EQ(messages.numbers(), QList<int>{126});
    EXPECT_TRUE(dialogTitles.isEmpty());

    buildProject();
    messages.clear();
    EXPECT_EQ(riteProject(true), kSaveCancelled);
    answerSaveDialog(QString());
    EXPECT_EQ(riteProject(true), kSaveCancelled);
    EXPECT_EQ(gProjectFile, "");
    EXPECT_TRUE(gProjectChanged);
    EXPECT_FALSE(gSaving);
    EXPECT_FALSE(workFiles().contains("tocName.toc")) << "nothing was written";
    EXPECT_TRUE(messages.requests().isEmpty());
}

TEST_F(ProjectFileTest, SaveAsAsksForANameWithTitleFilterFolderAndTheCurrentName) {
    buildProject();
    gProjectFile = env.file("Old.bqx");
    EXPECT_EQ(riteProject(true), kSaveCancelled);
    ASSERT_EQ(dialogs.requests().size(), 1);
    const FileDialogRequest& asked = dialogs.requests().first();
    EXPECT_EQ(asked.kind, FileDialogKind::Save);
    EXPECT_EQ(asked.title, "Save Project");
    EXPECT_EQ(asked.filter, "Project File: (*.bqx)|*.bqx");
    EXPECT_EQ(asked.folder, env.path() + "/");
    EXPECT_EQ(asked.proposedName, "Old.bqx");
}

// Root ignores file permissions, so the failed write is made with a file
// size limit, which binds everyone: the new archive cannot grow past it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};

TEST_F(ProjectFileTest, AFailedSaveKeepsThePreviousFileAndTheChangedMark) {
    buildProject();
    const QString path = env.file("Trip.bqx");
    answerSaveDialog(path);
    ASSERT_EQ(riteProject(false), 0);
    const QByteArray before = fileBytes(path);

    MediaSource big;
    big.mediaType = MediaImage;
    big.Thumbnail = src("thumb.jpg");
    // Bytes that deflate cannot shrink, so the archive must outgrow the limit.
    QByteArray noise(3 << 20, '\0');
    QRandomGenerator random(7);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    big.Filename = env.write("src/big.bmp", noise);
    ASSERT_TRUE(gProject.Add(big));
    gProjectChanged = true;
    {
        FileSizeLimit limit(static_cast<rlim_t>(before.size()) + (1 << 20));
        EXPECT_EQ(riteProject(false), kSaveFailed);
    }
    EXPECT_EQ(messages.numbers(), QList<int>{133});
    EXPECT_TRUE(fileBytes(path) == before) << "the previous project file is intact";
    EXPECT_TRUE(gProjectChanged);
    EXPECT_FALSE(gSaving);
    EXPECT_EQ(QDir(env.path()).entryList({".*.tmp"}, QDir::Files | QDir::Hidden), QStringList{})
        << "no temporary archive left behind";

    // A table of contents that cannot be written: its name is taken by a
    // folder. The archive would not open again, so nothing is saved.
    messages.clear();
    ASSERT_TRUE(QFile::remove(work("tocName.toc")) && QDir().mkpath(work("tocName.toc")));
    EXPECT_EQ(riteProject(false), kSaveFailed);
    EXPECT_EQ(messages.numbers(), QList<int>{133});
    EXPECT_TRUE(fileBytes(path) == before);
    EXPECT_TRUE(gProjectChanged);
    ASSERT_TRUE(QDir(work("tocName.toc")).removeRecursively());

    // A folder that cannot hold files: its name is taken by a file.
    messages.clear();
    env.write("taken", "a file");
    answerSaveDialog(env.file("taken/Trip.bqx"));
    EXPECT_EQ(riteProject(true), kSaveFailed);
    EXPECT_EQ(messages.numbers(), QList<int>{133});
    EXPECT_TRUE(gProjectChanged);
}

TEST_F(ProjectFileTest, AnEmptyFileListSavesNothing) {
    projectZip().put(zipids::DispFileList, QString());
    EXPECT_FALSE(riteZip(gWorkFolder, env.file("none.bqx")));
    EXPECT_EQ(messages.numbers(), QList<int>{133});
    EXPECT_FALSE(QFile::exists(env.file("none.bqx")));
}

TEST(ProjectNaming, NameAndCaptionFromTheProjectFile) {
    EXPECT_EQ(projectNameOf("C:\\Trip.BQX"), "C:\\Trip");
    EXPECT_EQ(projectNameOf("/home/u/Trip.BQX"), "/home/u/Trip");
    EXPECT_EQ(projectNameOf("/home/u/a.bqx.bqx"), "/home/u/a");
    EXPECT_EQ(projectNameOf("/home/u/Trip.zip"), "/home/u/Trip.zip");
    gAppTitle = "Velmora";
    gProjectName = "/home/u/Trip";
    EXPECT_EQ(projectCaption(), "Trip - Velmora");
    gProjectName.clear();
    EXPECT_EQ(projectCaption(), "Velmora");
}

TEST(ProjectQuestion, AsksOnlyWhenChanged) {
    MessageRecorder messages;
    EXPECT_EQ(checkProject(false), vbNo);
    EXPECT_TRUE(messages.requests().isEmpty());
    messages.script({vbYes, vbCancel});
    EXPECT_EQ(checkProject(true), vbYes);
    EXPECT_EQ(checkProject(true), vbCancel);
    ASSERT_EQ(messages.numbers(), (QList<int>{74, 74}));
    EXPECT_EQ(messages.requests()[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(messages.requests()[0].icon, MsgIcon::Exclamation);
}

}  // namespace
}  // namespace brindle::test
