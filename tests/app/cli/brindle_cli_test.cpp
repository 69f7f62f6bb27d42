// brindle-cli run as a program, on clips the test makes.
#include "tests/support/avi_fixtures.h"
#include "tests/support/program_run.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace brindle {
namespace {

using CliRun = test::ProgramRun;

CliRun cli(const QStringList& args) {
    return test::runProgram("brindle-cli", args);
}

class BrindleCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = test::makeClip(dir.path(), {});
        ASSERT_FALSE(path.isEmpty());
    }
    QTemporaryDir dir;
    QString path;
};

TEST_F(BrindleCliTest, FramesPrintsTheFrameProperties) {
    const CliRun r = cli({"frames", path});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "TotalFrames 100\nFirstFrame 0\nLastFrame 99\n");
    EXPECT_EQ(cli({"frames", dir.filePath("missing.avi")}).status, 1);
}

TEST_F(BrindleCliTest, CutPrintsItsProgressAndCutsInPlace) {
    const CliRun r = cli({"cut", path, "17", "76"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith("SaveProgress ")) << line.toStdString();
    }
    EXPECT_EQ(lines.first(), "SaveProgress 0");
    EXPECT_EQ(lines.last(), "SaveProgress 100");
    EXPECT_EQ(test::readClip(path).frames(), 60);
    EXPECT_EQ(cli({"frames", path}).out, "TotalFrames 60\nFirstFrame 0\nLastFrame 59\n");
}

TEST_F(BrindleCliTest, AFailedCutPrintsItsErrorAndFails) {
    const QByteArray before = test::fileBytes(path);
    ASSERT_EQ(::chmod(path.toUtf8().constData(), 0444), 0);
    const CliRun r = cli({"cut", path, "17", "76"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("ErrorInfo 204 File has an invalid format")) << r.err.toStdString();
    EXPECT_TRUE(test::fileBytes(path) == before);

    ::chmod(path.toUtf8().constData(), 0644);
    EXPECT_EQ(cli({"cut", path, "50", "200"}).status, 1) << "beyond the last frame";
    EXPECT_TRUE(test::fileBytes(path) == before);
}

TEST_F(BrindleCliTest, CheckAnswersTheVideoCheck) {
    CliRun r = cli({"check", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "true\n");
    QFile junk(dir.filePath("junk.avi"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a clip");
    junk.close();
    r = cli({"check", junk.fileName()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "false\n");
}

TEST_F(BrindleCliTest, VersionPrintsTheProjectVersionAfterTheCommonStartUp) {
    const CliRun r = cli({"version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("brindle-cli %1\n").arg(BRINDLE_VERSION));
}

TEST_F(BrindleCliTest, WrongArgumentsShowTheUsage) {
    for (const QStringList& args :
         {QStringList{}, QStringList{"nonsense"}, QStringList{"frames"},
          QStringList{"cut", path, "ten", "20"}, QStringList{"check", path, path},
          QStringList{"version", "now"}}) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("usage: brindle-cli")) << r.err.toStdString();
    }
}

}  // namespace
}  // namespace brindle
