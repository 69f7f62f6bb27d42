// Saving, writing a text slide, cutting, encoding, exporting, packing,
// recording a narration and capturing a clip onto a disk that fills: a real, small tmpfs mounted in
// a private mount namespace (unshare), filled up to a chosen number of free bytes. Each operation
// must fail with a message, leave the previous file as it was, leave no temporary on the disk, and
// never report success.
#include "tests/controls/audiocap/wav_bytes.h"
#include "tests/support/avi_fixtures.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace brindle::test {
namespace {

struct DiskRun {
    bool available = false;  // false: no private mounts on this machine
    int status = -1;         // brindle-cli's exit code
    QString err;
    QStringList left;  // what is on the disk afterwards (the filler aside)
    QString copy;      // a copy of the disk's files, made before it went away
};

class DiskFullTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new QTemporaryDir;
        const ProgramRun made = makeSampleProject(s_dir->filePath("Sample.bqx"));
        ASSERT_EQ(made.status, 0) << made.err.toStdString();
        ASSERT_EQ(runProgram("brindle-cli", {"text", s_dir->filePath("Other.bqx"), "Other"}).status,
                  0);
        ClipRecipe recipe;
        recipe.frames = 90;
        recipe.width = 320;
        recipe.height = 240;
        ASSERT_FALSE(makeClip(s_dir->path(), recipe, "clip.avi").isEmpty());
        QFile narration(s_dir->filePath("narration.wav"));
        ASSERT_TRUE(narration.open(QIODevice::WriteOnly));
        narration.write(makeWav(WavSpec{}));
        QFile video(s_dir->filePath("Show.mp4"));
        ASSERT_TRUE(video.open(QIODevice::WriteOnly));
        video.write(QByteArray("the video made last week").repeated(100));
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static QString original(const QString& name) { return s_dir->filePath(name); }

    // Mounts a 4 MB tmpfs at $DISK, copies the inputs onto it, fills it up to
    // `freeBytes`, and runs brindle-cli with args ($DISK in them stands for
    // the disk). With homeOnDisk, the home and cache folders are there too
    // (the preview folder, the upload folder, the work folders).
    DiskRun onFullDisk(const QStringList& inputs, qint64 freeBytes, const QStringList& args,
                       bool homeOnDisk = false) {
        DiskRun r;
        const QString disk = env.file("disk");
        r.copy = env.file("copy");
        QDir().mkpath(disk);
        QDir().mkpath(r.copy);
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("DISK", disk);
        e.insert("COPY", r.copy);
        e.insert("FREE", QString::number(freeBytes));
        e.insert("INPUTS", inputs.join('\n'));
        e.insert("HOME_ON_DISK", homeOnDisk ? "1" : "");
        p.setProcessEnvironment(e);
        QStringList cliArgs;
        for (const QString& a : args) {
            cliArgs << QString(a).replace("$DISK", disk);
        }
        const char* script =
            "mount -t tmpfs -o size=4m none \"$DISK\" || exit 77\n"
            "echo \"$INPUTS\" | while read -r f; do [ -n \"$f\" ] && cp \"$f\" \"$DISK/\"; done\n"
            "if [ -n \"$HOME_ON_DISK\" ]; then\n"
            "  mkdir -p \"$DISK/home\" \"$DISK/cache\"\n"
            "  export HOME=\"$DISK/home\" XDG_CACHE_HOME=\"$DISK/cache\"\n"
            "fi\n"
            "avail=$(df --output=avail -B1 \"$DISK\" | tail -n 1)\n"
            "fallocate -l $((avail - FREE)) \"$DISK/.filler\" || exit 77\n"
            "\"$0\" \"$@\" 2> \"$COPY/.err\"\n"
            "echo $? > \"$COPY/.status\"\n"
            "rm -f \"$DISK/.filler\"\n"
            "cp -a \"$DISK/.\" \"$COPY/\"\n";
        p.start("unshare",
                QStringList{"-r", "-m", "sh", "-c", script, programPath("brindle-cli")} + cliArgs);
        if (!p.waitForStarted() || !p.waitForFinished(180000) || p.exitCode() == 77) {
            return r;
        }
        r.available = true;
        r.status = fileContents(r.copy + "/.status").trimmed().toInt();
        r.err = QString::fromLocal8Bit(fileContents(r.copy + "/.err"));
        r.left = QDir(r.copy).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        r.left.removeAll(".status");
        r.left.removeAll(".err");
        r.left.sort();
        return r;
    }

    // A failure reported as one, in words.
    static void expectFailureReported(const DiskRun& r, const char* what) {
        EXPECT_NE(r.status, 0) << what << ": reported as success";
        EXPECT_GT(r.status, 0) << what << ": crashed\n" << r.err.toStdString();
        EXPECT_FALSE(r.err.trimmed().isEmpty()) << what << ": no message";
        std::printf("%s: %s\n", what, qPrintable(r.err.trimmed()));
    }

    TempEnv env;
    static QTemporaryDir* s_dir;
};

QTemporaryDir* DiskFullTest::s_dir = nullptr;

// The sound server scripts/run-tests.sh starts; recording needs one.
bool soundServer() {
    QProcess p;
    p.start("pactl", {"info"});
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

#define REQUIRE_DISK(r)                                                         \
    if (!(r).available) {                                                       \
        GTEST_SKIP() << "no private tmpfs mounts here (unshare -r -m refused)"; \
    }

TEST_F(DiskFullTest, SavingOverAProjectKeepsItWhenTheDiskFills) {
    const DiskRun r = onFullDisk({original("Other.bqx")}, 200 << 10,
                                 {"resave", original("Sample.bqx"), "$DISK/Other.bqx"});
    REQUIRE_DISK(r);
    expectFailureReported(r, "save as");
    EXPECT_TRUE(r.err.contains("message ")) << r.err.toStdString();
    EXPECT_EQ(fileContents(r.copy + "/Other.bqx"), fileContents(original("Other.bqx")));
    EXPECT_EQ(r.left, QStringList{"Other.bqx"});
}

TEST_F(DiskFullTest, ResavingAndWritingATextSlideInPlaceKeepTheProject) {
    for (const QStringList& args :
         {QStringList{"resave", "$DISK/Sample.bqx", "$DISK/Sample.bqx"},
          QStringList{"text", "$DISK/Sample.bqx", "A slide that does not fit"}}) {
        const DiskRun r = onFullDisk({original("Sample.bqx")}, 300 << 10, args);
        REQUIRE_DISK(r);
        const std::string what = args.join(' ').toStdString();
        expectFailureReported(r, what.c_str());
        EXPECT_TRUE(r.err.contains("message ")) << what << "\n" << r.err.toStdString();
        EXPECT_EQ(fileContents(r.copy + "/Sample.bqx"), fileContents(original("Sample.bqx")))
            << what;
        EXPECT_EQ(r.left, QStringList{"Sample.bqx"}) << what;
    }
}

TEST_F(DiskFullTest, CuttingAClipKeepsTheClip) {
    const DiskRun r =
        onFullDisk({original("clip.avi")}, 64 << 10, {"cut", "$DISK/clip.avi", "3", "80"});
    REQUIRE_DISK(r);
    expectFailureReported(r, "cut");
    EXPECT_EQ(fileContents(r.copy + "/clip.avi"), fileContents(original("clip.avi")));
    EXPECT_EQ(r.left, QStringList{"clip.avi"});
}

TEST_F(DiskFullTest, OpeningAProjectWithoutRoomForItsWorkingCopySaysSo) {
    const DiskRun r = onFullDisk({}, 100 << 10, {"present", original("Sample.bqx")}, true);
    REQUIRE_DISK(r);
    expectFailureReported(r, "open");
    EXPECT_TRUE(r.err.contains("message 1421: ")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("message 134: ")) << "the file is not at fault";
}

TEST_F(DiskFullTest, EncodingThePresentationAndPackingItFailWithAMessage) {
    // Room for the working copy (1.9 MB), not for the presentation (the
    // preview folder) or the archive (the upload folder).
    for (const bool publish : {false, true}) {
        QStringList args{"present", original("Sample.bqx")};
        if (publish) {
            args << "--publish";
        }
        const DiskRun r = onFullDisk({}, 2000 << 10, args, true);
        REQUIRE_DISK(r);
        expectFailureReported(r, publish ? "publish" : "present");
        EXPECT_FALSE(r.err.contains("message 1421: ")) << "the working copy fitted";
        EXPECT_FALSE(QFile::exists(r.copy + "/home/uploads/project.zip"));
        EXPECT_TRUE(QDir(r.copy + "/cache/brindle").entryList({"cli-*"}, QDir::Dirs).isEmpty());
    }
}

TEST_F(DiskFullTest, ExportingAVideoKeepsTheOldVideo) {
    const DiskRun r = onFullDisk({original("Show.mp4")}, 64 << 10,
                                 {"export", original("Sample.bqx"), "$DISK/Show.mp4"});
    REQUIRE_DISK(r);
    expectFailureReported(r, "export");
    EXPECT_EQ(fileContents(r.copy + "/Show.mp4"), fileContents(original("Show.mp4")));
    EXPECT_EQ(r.left, QStringList{"Show.mp4"});
}

TEST_F(DiskFullTest, RecordingANarrationKeepsThePreviousOne) {
    if (!soundServer()) {
        GTEST_SKIP() << "no PulseAudio server (scripts/run-tests.sh starts one)";
    }
    // Two seconds of 16-bit sound do not fit in 16 KB.
    const DiskRun r = onFullDisk({original("narration.wav")}, 16 << 10,
                                 {"record", "$DISK/narration.wav", "--seconds", "2"});
    REQUIRE_DISK(r);
    expectFailureReported(r, "record");
    EXPECT_TRUE(r.err.contains("could not be written")) << r.err.toStdString();
    EXPECT_EQ(fileContents(r.copy + "/narration.wav"), fileContents(original("narration.wav")));
    EXPECT_EQ(r.left, QStringList{"narration.wav"});
}

TEST_F(DiskFullTest, CapturingOntoAFullDiskStopsWithAMessageAndAPlayableTake) {
    if (!soundServer()) {
        GTEST_SKIP() << "no PulseAudio server (scripts/run-tests.sh starts one)";
    }
    // The capture file is the camera's scratch take: what fits is kept, as
    // a clip that plays to its last frame, and the capture says it stopped.
    qputenv("BRINDLE_TEST_CAMERA", "2");
    const DiskRun r = onFullDisk({}, 600 << 10,
                                 {"capture", "$DISK/capture.avi", "--seconds", "20", "--size",
                                  "320x240", "--compression", "None"});
    qunsetenv("BRINDLE_TEST_CAMERA");
    REQUIRE_DISK(r);
    expectFailureReported(r, "capture");
    EXPECT_TRUE(r.err.contains("the disk is full")) << r.err.toStdString();
    const ClipInfo take = readClip(r.copy + "/capture.avi");
    ASSERT_TRUE(take.ok) << r.err.toStdString();
    EXPECT_GT(take.frames(), 0);
    EXPECT_EQ(take.decodedFrames, take.frames());
    EXPECT_EQ(r.left, QStringList{"capture.avi"});
}

}  // namespace
}  // namespace brindle::test
