// A project file written by the earlier release (its archive made through
// libzip, every member deflated) still opens; saved again by today's
// writer it opens in the unzip tool, Python's zipfile and Brindle alike,
// with nothing changed.
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "tests/app/model/project_fixture.h"
#include "tests/support/media_fixture.h"

#include <zip.h>

#include <QFile>
#include <QProcess>

namespace brindle::test {
namespace {

const QString kEarlierProject = QStringLiteral(BRINDLE_MODEL_GOLDEN_DIR "/earlier-writer.bqx");

// Each member of an archive, read with libzip alone.
QMap<QString, QByteArray> membersOf(const QString& archive) {
    QMap<QString, QByteArray> members;
    int error = 0;
    zip_t* za = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &error);
    if (!za) {
        ADD_FAILURE() << "libzip cannot open " << archive.toStdString();
        return members;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(za, zip_uint64_t(i), 0, &st);
        QByteArray data(qsizetype(st.size), '\0');
        zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        members.insert(QString::fromUtf8(st.name), data);
    }
    zip_discard(za);
    return members;
}

int runTool(const QString& program, const QStringList& args, QString* out = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(60000);
    if (out) {
        *out = QString::fromUtf8(p.readAll());
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

using ProjectCompatTest = ProjectFileTest;

TEST_F(ProjectCompatTest, AProjectSavedByTheEarlierReleaseOpensAndSavesForEveryReader) {
    readProject(kEarlierProject);
    EXPECT_TRUE(messages.requests().isEmpty()) << messages.numbers().value(0);
    ASSERT_EQ(gProject.count(), 3);
    EXPECT_EQ(gImagesUsed, 2);
    EXPECT_EQ(gVideosUsed, 1);
    EXPECT_EQ(gBackTrack, work("backtrk.wav"));
    EXPECT_NEAR(gBackTrackDuration, 1000, 50);
    EXPECT_EQ(gProject.Item(1)->Filename, work("image1.jpg"));
    EXPECT_EQ(gProject.Item(1)->Sound, work("sound1.wav"));
    EXPECT_EQ(gProject.Item(1)->Caption, "Slide 1 & <caption>");
    EXPECT_EQ(gProject.Item(2)->Filename, work("image2.bmp"));
    EXPECT_EQ(gProject.Item(3)->mediaType, MediaVideo);
    EXPECT_EQ(gProject.Item(3)->Filename, work("video1.avi"));
    const QMap<QString, QByteArray> earlier = membersOf(kEarlierProject);
    ASSERT_EQ(earlier.size(), 11);
    for (auto it = earlier.begin(); it != earlier.end(); ++it) {
        EXPECT_EQ(fileBytes(work(it.key())), it.value()) << it.key().toStdString();
    }

    const ProjectState opened = projectState();
    const QString again = env.file("Again.bqx");
    gProjectFile = again;
    ASSERT_EQ(riteProject(false), 0);
    QString out;
    EXPECT_EQ(runTool("unzip", {"-t", again}, &out), 0) << out.toStdString();
    EXPECT_EQ(runTool("python3",
                      {"-c",
                       "import sys, zipfile\n"
                       "bad = zipfile.ZipFile(sys.argv[1]).testzip()\n"
                       "sys.exit('bad member %s' % bad if bad else 0)\n",
                       again},
                      &out),
              0)
        << out.toStdString();
    EXPECT_EQ(membersOf(again).keys(), earlier.keys());

    clearProject();
    readProject(again);
    EXPECT_TRUE(messages.requests().isEmpty()) << messages.numbers().value(0);
    expectSameState(opened, projectState());
}

TEST_F(ProjectCompatTest, OpeningForALookUnpacksOnlyWhatOpeningReads) {
    readProject(kEarlierProject);
    const ProjectState whole = projectState();
    clearProject();
    readProjectTable(kEarlierProject);
    EXPECT_TRUE(messages.requests().isEmpty()) << messages.numbers().value(0);
    const ProjectState look = projectState();
    EXPECT_EQ(look.globals, whole.globals);
    EXPECT_EQ(look.slides, whole.slides);  // the clip's check and length included
    EXPECT_EQ(workFiles(), QStringList({"backtrk.wav", "tocName.toc", "video1.avi"}));

    // A file that is not a project is reported the same way.
    readProjectTable(env.write("junk.bqx", "not a zip"));
    EXPECT_EQ(messages.numbers(), QList<int>{134});
}

}  // namespace
}  // namespace brindle::test
