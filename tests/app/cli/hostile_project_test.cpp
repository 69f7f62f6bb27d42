// A project file by mail whose pictures, thumbnails, sounds or clip are
// hostile: opening it and making its presentation end in bounded time and
// memory, with messages, never with a crash.
#include "tests/support/avi_fixtures.h"
#include "tests/support/hostile_files.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <zip.h>

namespace brindle::test {
namespace {

constexpr int kTimeLimitMs = 90000;
constexpr double kPeakLimitMb = 300;

// Replaces members of a zip archive (libzip), keeping the others.
bool replaceMembers(const QString& path, const QMap<QString, QByteArray>& members) {
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), 0, &error);
    if (!z) {
        return false;
    }
    bool ok = true;
    for (auto it = members.begin(); it != members.end(); ++it) {
        const QByteArray name = it.key().toUtf8();
        const zip_int64_t index = zip_name_locate(z, name.constData(), 0);
        void* copy = std::malloc(static_cast<std::size_t>(it.value().size()) + 1);
        std::memcpy(copy, it.value().constData(), static_cast<std::size_t>(it.value().size()));
        zip_source_t* source = zip_source_buffer(z, copy, it.value().size(), 1);
        ok = ok && source && index >= 0 && zip_file_replace(z, index, source, 0) == 0;
    }
    return zip_close(z) == 0 && ok;
}

class HostileProjectTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new QTemporaryDir;
        const ProgramRun made = makeSampleProject(s_dir->filePath("Sample.bqx"));
        ASSERT_EQ(made.status, 0) << made.err.toStdString();
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }

    QString variant(const QString& name, const QMap<QString, QByteArray>& members) {
        const QString path = env.file(name);
        EXPECT_TRUE(QFile::copy(s_dir->filePath("Sample.bqx"), path));
        EXPECT_TRUE(replaceMembers(path, members));
        return path;
    }

    static QByteArray bytesOf(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Opens the project and makes its presentation; neither may crash, hang
    // or take much memory.
    void openAndPresent(const QString& path, const char* what) {
        for (const QString& command : {QString("info"), QString("present")}) {
            SCOPED_TRACE(std::string(what) + ", " + command.toStdString());
            const hostile::MeasuredRun r =
                hostile::runMeasured(programPath("brindle-cli"), {command, path}, kTimeLimitMs);
            ASSERT_TRUE(r.finished) << "still running after " << kTimeLimitMs << " ms";
            EXPECT_FALSE(r.crashed) << r.err.toStdString();
            EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status << "\n" << r.err.toStdString();
            if (r.status != 0) {
                EXPECT_TRUE(r.err.contains("message ")) << r.err.toStdString();
            }
            if (!hostile::underSanitizer()) {
                EXPECT_LT(r.peakMb, kPeakLimitMb);
            }
        }
    }

    TempEnv env;
    static QTemporaryDir* s_dir;
};

QTemporaryDir* HostileProjectTest::s_dir = nullptr;

TEST_F(HostileProjectTest, HostilePicturesAndThumbnails) {
    const QString dir = env.file("made");
    const QString path =
        variant("pictures.bqx", {{"image1.jpg", bytesOf(hostile::hugeJpeg(dir))},
                                 {"image2.jpg", bytesOf(hostile::zipAsJpeg(dir))},
                                 {"image3.jpg", bytesOf(hostile::truncatedJpeg(dir))},
                                 {"image1T.jpg", bytesOf(hostile::hugePng(dir))},
                                 {"image2T.jpg", bytesOf(hostile::lyingBmp(dir))},
                                 {"image3T.jpg", bytesOf(hostile::manyFramesGif(dir))},
                                 {"text1T.jpg", bytesOf(hostile::hugeGif(dir))}});
    openAndPresent(path, "pictures");
}

TEST_F(HostileProjectTest, HostileNarrations) {
    const QString dir = env.file("made");
    const QString path =
        variant("sounds.bqx", {{"sound1.wav", bytesOf(hostile::lyingWav(dir))},
                               {"sound2.wav", bytesOf(hostile::emptyWav(dir))},
                               {"sound3.wav", QByteArray("RIFF\\xff\\xff\\xff\\x7fWAVE")}});
    openAndPresent(path, "sounds");
}

TEST_F(HostileProjectTest, HostileClips) {
    const QString dir = env.file("made");
    const QMap<QString, QString> clips{{"lying-index.bqx", hostile::lyingIndexAvi(dir)},
                                       {"zero-frames.bqx", hostile::zeroFrameAvi(dir)},
                                       {"wide.bqx", hostile::tallThinAvi(dir)}};
    for (auto it = clips.begin(); it != clips.end(); ++it) {
        ASSERT_FALSE(it.value().isEmpty());
        openAndPresent(variant(it.key(), {{"video1.avi", bytesOf(it.value())}}),
                       qPrintable(it.key()));
    }
}

TEST_F(HostileProjectTest, TheClipChecksAndCutsRefuseBrokenClipsAndLeaveThemAsTheyWere) {
    const QString dir = env.file("clips");
    for (const QString& clip :
         {hostile::lyingIndexAvi(dir), hostile::zeroFrameAvi(dir), hostile::tallThinAvi(dir)}) {
        ASSERT_FALSE(clip.isEmpty());
        SCOPED_TRACE(clip.toStdString());
        const QByteArray before = bytesOf(clip);
        const hostile::MeasuredRun cut =
            hostile::runMeasured(programPath("brindle-cli"), {"cut", clip, "3", "20"}, 60000);
        ASSERT_TRUE(cut.finished);
        EXPECT_FALSE(cut.crashed) << cut.err.toStdString();
        EXPECT_EQ(cut.status, 1) << cut.err.toStdString();
        EXPECT_EQ(bytesOf(clip), before);
        if (!hostile::underSanitizer()) {
            EXPECT_LT(cut.peakMb, kPeakLimitMb);
        }
    }
    // The zero-frame and the too-wide clip are no slide's clip.
    for (const QString& clip :
         {hostile::zeroFrameAvi(dir, "z.avi"), hostile::tallThinAvi(dir, "w.avi")}) {
        EXPECT_EQ(runProgram("brindle-cli", {"check", clip}, 60000).status, 1)
            << clip.toStdString();
    }
}

}  // namespace
}  // namespace brindle::test
