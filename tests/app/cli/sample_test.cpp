// brindle-cli sample: the sample project, read back through brindle-cli info
// (the program's own reading of a project file), unzip and ffprobe.
#include "tests/support/media_fixture.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace brindle {
namespace {

QByteArray run(const QString& program, const QStringList& args, int* status) {
    QProcess p;
    p.start(program, args);
    *status =
        p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput();
}

TEST(SampleProject, HasEveryKindOfSlideAndOpensCleanly) {
    QTemporaryDir dir;
    const QString cli = QCoreApplication::applicationDirPath() + "/brindle-cli";
    const QString bqx = dir.filePath("made here/Sample.bqx");
    int status = -1;
    run(cli, {"sample", bqx}, &status);
    ASSERT_EQ(status, 0);

    const QJsonObject info = QJsonDocument::fromJson(run(cli, {"info", bqx}, &status)).object();
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(info["messages"].toArray().isEmpty());
    const QJsonArray slides = info["slides"].toArray();
    ASSERT_EQ(slides.size(), 5);
    QList<int> types;
    for (const auto& s : slides) {
        types << s.toObject()["mediaType"].toInt();
    }
    EXPECT_EQ(types, QList<int>({3, 2, 2, 2, 1}));
    for (int i = 1; i <= 3; ++i) {
        const QJsonObject picture = slides[i].toObject();
        EXPECT_FALSE(picture["Caption"].toString().isEmpty());
        EXPECT_FALSE(picture["Sound"].toString().isEmpty());
        EXPECT_GT(picture["AudioDuration"].toInt(), 500);
    }
    EXPECT_GT(slides[0].toObject()["Duration"].toInt(), 0);

    // Every file the table of contents names is in the archive.
    const QString listing = QString::fromLocal8Bit(run("unzip", {"-Z1", bqx}, &status));
    ASSERT_EQ(status, 0);
    const QStringList members = listing.split('\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(members.contains("tocName.toc"));
    for (const auto& s : slides) {
        for (const char* field : {"Filename", "InfoFilename", "Sound", "Thumbnail"}) {
            const QString name = s.toObject()[field].toString();
            if (!name.isEmpty()) {
                EXPECT_TRUE(members.contains(name)) << name.toStdString();
            }
        }
    }
    run("unzip", {"-q", bqx, "-d", dir.filePath("out")}, &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(test::probe(dir.filePath("out/sound1.wav"), "stream=codec_name"), "pcm_s16le");
    EXPECT_EQ(test::probe(dir.filePath("out/video1.avi"), "format=format_name"), "avi");
}

TEST(SampleProject, RefusesANameThatIsNotAProjectFile) {
    QTemporaryDir dir;
    int status = -1;
    run(QCoreApplication::applicationDirPath() + "/brindle-cli", {"sample", dir.filePath("x.zip")},
        &status);
    EXPECT_EQ(status, 2);
}

}  // namespace
}  // namespace brindle
