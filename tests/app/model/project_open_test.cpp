// Opening project files: one made by hand with the zip tool as the other
// platform writes them, odd tables of contents, and files that are not
// project files at all, from damaged to hostile.
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "tests/app/model/project_fixture.h"
#include "tests/support/media_fixture.h"

#include <zip.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QtEndian>

namespace brindle::test {
namespace {

bool runZipTool(const QString& archive, const QStringList& files) {
    QProcess p;
    p.start("zip", QStringList{"-q", "-j", "-X", archive} + files);
    return p.waitForFinished(30000) && p.exitCode() == 0;
}

// An archive with the members given, names stored exactly as given.
bool writeArchive(const QString& path, const QList<QPair<QByteArray, QByteArray>>& members) {
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) {
        return false;
    }
    for (const auto& [name, bytes] : members) {
        zip_source_t* source = zip_source_buffer(archive, bytes.constData(),
                                                 static_cast<zip_uint64_t>(bytes.size()), 0);
        if (!source || zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_RAW) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

// Rewrites the uncompressed size that the headers of member `only` (0-based;
// -1: of every member) declare.
void declareSize(QByteArray& archive, quint32 size, int only = -1) {
    for (const auto& [signature, offset] : {std::pair{"PK\x01\x02", 24}, {"PK\x03\x04", 22}}) {
        int member = 0;
        for (qsizetype at = archive.indexOf(signature); at >= 0;
             at = archive.indexOf(signature, at + 4), ++member) {
            if (only < 0 || member == only) {
                qToLittleEndian(size, archive.data() + at + offset);
            }
        }
    }
}

QByteArray tocLine(const char* key, const QByteArray& value) {
    return key + value + "\r\n";
}

// A table of contents as the other platform writes it: Windows-1252, CR LF.
QByteArray slideLines(int index, int type, const QByteArray& file, const QByteArray& info,
                      const QByteArray& sound, const QByteArray& caption, int duration,
                      const QByteArray& thumb) {
    return tocLine("Index:=", QByteArray::number(index)) +
           tocLine("MediaType:=", QByteArray::number(type)) + tocLine("Filename:=", file) +
           tocLine("InfoFilename:=", info) + tocLine("Sound:=", sound) +
           tocLine("Caption:=", caption) + tocLine("Duration:=", QByteArray::number(duration)) +
           tocLine("AudioDuration:=", sound.isEmpty() ? "0" : "1000") +
           tocLine("Thumbnail:=", thumb) + tocLine("Fontname:=", "Arial") +
           tocLine("Alignment:=", "1") + tocLine("Pointsize:=", "18") +
           tocLine("Forecolor:=", "0") + tocLine("Backcolor:=", "16777215") +
           tocLine("SoundType:=", "0") + tocLine("VideoType:=", "0");
}

QByteArray headLines(const QByteArray& backTrack, const QByteArray& counters = "1 0 2 1 1") {
    const QList<QByteArray> n = counters.split(' ');
    return tocLine("gVideosUsed:=", n[0]) + tocLine("gSnapshotsUsed:=", n[1]) +
           tocLine("gImagesUsed:=", n[2]) + tocLine("gTextUsed:=", n[3]) +
           tocLine("gSoundsUsed:=", n[4]) + tocLine("BackTrack:=", backTrack);
}

class ProjectOpenTest : public ProjectFileTest {
protected:
    // Every file under the test's folder outside the work folder.
    QStringList filesOutsideWork() const {
        QStringList out;
        QDirIterator it(env.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!path.startsWith(gWorkFolder + "/")) {
                out << path;
            }
        }
        out.sort();
        return out;
    }
    QString writeToc(const QByteArray& bytes) { return env.write("made/tocName.toc", bytes); }
};

TEST_F(ProjectOpenTest, AFileMadeWithTheZipToolOnTheOtherPlatformOpens) {
    const QString made = env.file("made");
    QDir().mkpath(made);
    ASSERT_FALSE(makeClip(made, {.frames = 45}, "video1.avi").isEmpty());
    ASSERT_TRUE(makeTone(made + "/sound1.wav", "pcm_s16le", 1.0));
    ASSERT_TRUE(makeTone(made + "/backtrk.WAV", "pcm_s16le", 3.0));
    for (const char* name : {"image2.jpg", "image2T.jpg", "text1.txt", "text1T.jpg", "video1T.jpg",
                             "image2.rp", "text1.rt"}) {
        env.write(QString("made/") + name, QByteArray("bytes of ") + name);
    }
    writeToc(headLines("C:\\WINDOWS\\TEMP\\Work\\backtrk.WAV") +
             slideLines(1, 2, "image2.jpg", "image2.rp", "sound1.wav",
                        "Caf\xe9 \x93quoted\x94 \x80", 0, "image2T.jpg") +
             slideLines(2, 3, "text1.txt", "text1.rt", "", "", 7000, "text1T.jpg") +
             slideLines(3, 1, "video1.avi", "", "", "Clip & <more>", 0, "video1T.jpg"));
    const QString path = env.file("Holiday.BQX");
    ASSERT_TRUE(runZipTool(
        path,
        QDir(made).entryList(QDir::Files).replaceInStrings(QRegularExpression("^"), made + "/")));

    readProject(path);
    EXPECT_TRUE(messages.requests().isEmpty()) << messages.numbers().value(0);
    EXPECT_EQ(gProjectName, env.file("Holiday"));
    EXPECT_EQ(view.captions.last(), "Holiday - Velmora");
    EXPECT_EQ(gVideosUsed, 1);
    EXPECT_EQ(gImagesUsed, 2);
    EXPECT_EQ(gSoundsUsed, 1);
    EXPECT_EQ(gBackTrack, work("backtrk.WAV"));
    EXPECT_EQ(gBackTrackType, SoundWave);
    EXPECT_FALSE(gBackTrackEncoded);
    EXPECT_NEAR(gBackTrackDuration, 3000, 50);
    ASSERT_EQ(gProject.count(), 3);
    const MediaElement* image = gProject.Item(1);
    EXPECT_EQ(image->mediaType, MediaImage);
    EXPECT_EQ(image->Filename, work("image2.jpg"));
    EXPECT_EQ(image->InfoFilename, work("image2.rp"));
    EXPECT_EQ(image->Sound, work("sound1.wav"));
    EXPECT_EQ(image->Caption, QString::fromUtf8("Caf\u00e9 \u201cquoted\u201d \u20ac"));
    EXPECT_EQ(image->Duration, 10000) << "a picture without a time gets the default";
    EXPECT_EQ(image->AudioDuration, 1000);
    EXPECT_EQ(image->FontName, "Arial");
    EXPECT_EQ(image->BackColor, 16777215);
    EXPECT_EQ(gProject.Item(2)->Duration, 7000);
    EXPECT_EQ(gProject.Item(2)->InfoFilename, work("text1.rt"));
    EXPECT_EQ(gProject.Item(3)->Caption, "Clip & <more>");
    EXPECT_EQ(gProject.Item(3)->InfoFilename, "");
    EXPECT_NEAR(gProject.Item(3)->Duration, 3000, 70) << "the clip's length";
    EXPECT_EQ(fileBytes(work("text1.txt")), "bytes of text1.txt");
}

TEST_F(ProjectOpenTest, IndexValuesOutOfOrderLeaveNoBlankSlides) {
    env.write("made/a.jpg", "a");
    env.write("made/b.jpg", "b");
    writeToc(headLines("", "0 0 2 0 0") +
             slideLines(1, 2, "a.jpg", "", "", "first", 1000, "a.jpg") +
             slideLines(5, 2, "b.jpg", "", "", "fifth", 1000, "b.jpg") +
             slideLines(2, 2, "b.jpg", "", "", "second", 1000, "b.jpg") +
             slideLines(0, 2, "b.jpg", "", "", "none", 1000, "b.jpg") + "\r\n");
    const QString path = env.file("odd.bqx");
    ASSERT_TRUE(runZipTool(
        path, {env.file("made/tocName.toc"), env.file("made/a.jpg"), env.file("made/b.jpg")}));
    readProject(path);
    ASSERT_EQ(gProject.count(), 2);
    EXPECT_EQ(gProject.Item(1)->Caption, "first");
    EXPECT_EQ(gProject.Item(2)->Caption, "second");
    EXPECT_TRUE(messages.requests().isEmpty());
}

TEST_F(ProjectOpenTest, AClipThatDoesNotOpenIsReportedAndTheSlideStays) {
    env.write("made/video1.avi", QByteArray(4096, '\x11'));
    env.write("made/video1T.jpg", "t");
    writeToc(headLines("", "1 0 0 0 0") +
             slideLines(1, 1, "video1.avi", "", "", "", 0, "video1T.jpg"));
    const QString path = env.file("badclip.bqx");
    ASSERT_TRUE(runZipTool(path, {env.file("made/tocName.toc"), env.file("made/video1.avi"),
                                  env.file("made/video1T.jpg")}));
    readProject(path);
    EXPECT_EQ(messages.numbers(), QList<int>{155});
    ASSERT_EQ(gProject.count(), 1);
    EXPECT_EQ(gProject.Item(1)->Duration, 0);
}

TEST_F(ProjectOpenTest, ARealMediaClipIsJudgedByItsLength) {
    ASSERT_TRUE(QDir().mkpath(env.file("made")));
    ASSERT_TRUE(makeClip(env.file("made/video1.rm"), "rv20", 160, 120, 2.0));
    env.write("made/video2.rm", QByteArray(4096, '\x22'));
    env.write("made/video1T.jpg", "t");
    QByteArray toc = headLines("", "2 0 0 0 0") +
                     slideLines(1, 1, "video1.rm", "", "", "", 0, "video1T.jpg") +
                     slideLines(2, 1, "video2.rm", "", "", "", 0, "video1T.jpg");
    toc.replace("VideoType:=0", "VideoType:=1");
    writeToc(toc);
    const QString path = env.file("real.bqx");
    ASSERT_TRUE(runZipTool(path, {env.file("made/tocName.toc"), env.file("made/video1.rm"),
                                  env.file("made/video2.rm"), env.file("made/video1T.jpg")}));
    readProject(path);
    EXPECT_EQ(messages.numbers(), QList<int>{155}) << "only the clip that does not play";
    ASSERT_EQ(gProject.count(), 2);
    EXPECT_NEAR(gProject.Item(1)->Duration, 2000, 100);
    EXPECT_EQ(gProject.Item(2)->Duration, 0);
}

TEST_F(ProjectOpenTest, WhatIsNotAPlainFileIsRefusedBeforeAnythingIsRead) {
    env.write("Work/leftover.jpg", "from the previous project");
    readProject(env.file("missing.bqx"));
    EXPECT_EQ(messages.numbers(), QList<int>{77});
    EXPECT_TRUE(workFiles().isEmpty()) << "the previous project was cleared first";
    messages.clear();
    QDir().mkpath(env.file("folder.bqx"));
    readProject(env.file("folder.bqx"));
    EXPECT_EQ(messages.numbers(), QList<int>{77});
    EXPECT_EQ(gProjectFile, "");
    EXPECT_FALSE(gOpening);
}

TEST_F(ProjectOpenTest, DamagedOrForeignFilesAreNotRecognised) {
    buildProject();
    const QString good = env.file("good.bqx");
    answerSaveDialog(good);
    ASSERT_EQ(riteProject(false), 0);
    const QByteArray bytes = fileBytes(good);
    const QList<QPair<QString, QByteArray>> cases = {
        {"text.bqx", "gVideosUsed:=1\r\nnot a zip at all\r\n"},
        {"empty.bqx", ""},
        {"truncated.bqx", bytes.left(bytes.size() / 2)},
        {"no-directory.bqx", bytes.left(bytes.size() - 22)},
    };
    for (const auto& [name, content] : cases) {
        messages.clear();
        readProject(env.write(name, content));
        EXPECT_EQ(messages.numbers(), QList<int>{134}) << name.toStdString();
        EXPECT_EQ(gProject.count(), 0) << name.toStdString();
        EXPECT_FALSE(gOpening);
    }
    messages.clear();
    const QString photos = env.file("photos.bqx");
    ASSERT_TRUE(writeArchive(photos, {{"photo.jpg", "a zip archive, but not a project"}}));
    readProject(photos);
    EXPECT_EQ(messages.numbers(), QList<int>{134}) << "no table of contents";
    EXPECT_EQ(gProject.count(), 0);
}

TEST_F(ProjectOpenTest, MembersWithFoldersAreRefusedAndNothingIsWrittenOutside) {
    const QByteArray toc =
        headLines("", "0 0 1 0 0") + slideLines(1, 2, "evil.jpg", "", "", "", 1000, "evil.jpg");
    const QStringList before = filesOutsideWork();
    for (const QByteArray& name :
         {QByteArray("../evil.jpg"), QByteArray("sub/evil.jpg"), QByteArray("sub\\evil.jpg"),
          QByteArray("/tmp/evil.jpg"), QByteArray("C:evil.jpg"), QByteArray("..")}) {
        messages.clear();
        const QString path = env.file("folders.bqx");
        ASSERT_TRUE(writeArchive(path, {{"tocName.toc", toc}, {name, "x"}}));
        readProject(path);
        EXPECT_EQ(messages.numbers(), QList<int>{134}) << name.constData();
        EXPECT_TRUE(workFiles().isEmpty()) << name.constData();
        EXPECT_EQ(gProject.count(), 0);
        QFile::remove(path);
        EXPECT_EQ(filesOutsideWork(), before) << name.constData();
    }
    EXPECT_FALSE(QFile::exists("/tmp/evil.jpg"));
}

TEST_F(ProjectOpenTest, AMemberInflatingPastItsDeclaredSizeStopsExtraction) {
    QByteArray archive;
    const QString path = env.file("bomb.bqx");
    ASSERT_TRUE(writeArchive(
        path, {{"tocName.toc", headLines("")}, {"zeros.bin", QByteArray(4 << 20, '\0')}}));
    archive = fileBytes(path);
    declareSize(archive, 1000, 1);
    env.write("bomb.bqx", archive);
    readProject(path);
    EXPECT_EQ(messages.numbers(), QList<int>{134});
    EXPECT_LE(QFileInfo(work("zeros.bin")).size(), 1000);
    for (const QString& name : workFiles()) {
        EXPECT_LE(QFileInfo(work(name)).size(), 1000) << name.toStdString();
    }
}

TEST_F(ProjectOpenTest, DeclaredSizesBeyondTheFreeSpaceExtractNothing) {
    // 1000 members of almost 4 GB each: more than any test disk holds.
    QList<QPair<QByteArray, QByteArray>> members{{"tocName.toc", headLines("")}};
    for (int i = 0; i < 1000; ++i) {
        members.append({"m" + QByteArray::number(i) + ".bin", "x"});
    }
    const QString path = env.file("huge.bqx");
    ASSERT_TRUE(writeArchive(path, members));
    QByteArray archive = fileBytes(path);
    declareSize(archive, 0xFFFFFFF0u);
    env.write("huge.bqx", archive);
    readProject(path);
    EXPECT_EQ(messages.numbers(), QList<int>{134});
    EXPECT_TRUE(workFiles().isEmpty());
}

}  // namespace
}  // namespace brindle::test
