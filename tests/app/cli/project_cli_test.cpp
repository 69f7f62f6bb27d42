// brindle-cli info and resave, run as a program on a project file made with
// the zip tool; the JSON is read back with Qt's JSON reader.
#include "tests/support/avi_fixtures.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace brindle {
namespace {

using CliRun = test::ProgramRun;

CliRun cli(const QStringList& args) {
    return test::runProgram("brindle-cli", args);
}

QJsonObject parse(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object();
}

class ProjectCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString made = env.file("made");
        QDir().mkpath(made);
        ASSERT_FALSE(test::makeClip(made, {.frames = 30}, "video1.avi").isEmpty());
        for (const char* name : {"image1.jpg", "image1.rp", "image1T.jpg", "video1T.jpg"}) {
            env.write(QString("made/") + name, name);
        }
        QByteArray toc =
            "gVideosUsed:=1\r\ngSnapshotsUsed:=0\r\ngImagesUsed:=1\r\ngTextUsed:=0\r\n"
            "gSoundsUsed:=0\r\nBackTrack:=\r\n";
        toc +=
            "Index:=1\r\nMediaType:=2\r\nFilename:=image1.jpg\r\nInfoFilename:=image1.rp\r\n"
            "Sound:=\r\nCaption:=Caf\xe9 & <b>\r\nDuration:=4000\r\nAudioDuration:=0\r\n"
            "Thumbnail:=image1T.jpg\r\nFontname:=\r\nAlignment:=0\r\nPointsize:=0\r\n"
            "Forecolor:=0\r\nBackcolor:=255\r\nSoundType:=0\r\nVideoType:=0\r\n";
        toc +=
            "Index:=2\r\nMediaType:=1\r\nFilename:=video1.avi\r\nInfoFilename:=\r\n"
            "Sound:=\r\nCaption:=\r\nDuration:=0\r\nAudioDuration:=0\r\n"
            "Thumbnail:=video1T.jpg\r\nFontname:=\r\nAlignment:=0\r\nPointsize:=0\r\n"
            "Forecolor:=0\r\nBackcolor:=0\r\nSoundType:=0\r\nVideoType:=0\r\n";
        env.write("made/tocName.toc", toc);
        project = env.file("Trip.bqx");
        QStringList files = QDir(made).entryList(QDir::Files);
        files.replaceInStrings(QRegularExpression("^"), made + "/");
        QProcess zip;
        zip.start("zip", QStringList{"-q", "-j", project} + files);
        ASSERT_TRUE(zip.waitForFinished(30000) && zip.exitCode() == 0);
    }
    test::TempEnv env;
    QString project;
};

TEST_F(ProjectCliTest, InfoPrintsTheProjectAsTheEditorOpensIt) {
    const CliRun r = cli({"info", project});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject info = parse(r.outBytes);
    EXPECT_EQ(info["projectFile"].toString(), project);
    EXPECT_EQ(info["caption"].toString(), "Trip - Velmora");
    EXPECT_EQ(info["counters"]["gVideosUsed"].toInt(), 1);
    EXPECT_EQ(info["counters"]["gImagesUsed"].toInt(), 1);
    EXPECT_EQ(info["backTrack"]["file"].toString(), "");
    const QJsonArray slides = info["slides"].toArray();
    ASSERT_EQ(slides.size(), 2);
    EXPECT_EQ(slides[0]["Caption"].toString(), QString::fromUtf8("Caf\u00e9 & <b>"));
    EXPECT_EQ(slides[0]["Filename"].toString(), "image1.jpg");
    EXPECT_EQ(slides[0]["BackColor"].toInt(), 255);
    EXPECT_EQ(slides[1]["mediaType"].toInt(), 1);
    EXPECT_NEAR(slides[1]["Duration"].toInt(), 2000, 70) << "the clip's length";
    EXPECT_TRUE(info["messages"].toArray().isEmpty());
    ASSERT_TRUE(QDir(env.file("cache/brindle")).exists()) << "the work folder's parent";
    EXPECT_TRUE(QDir(env.file("cache/brindle")).entryList({"cli-*"}, QDir::Dirs).isEmpty())
        << "the private work folder is removed";
}

TEST_F(ProjectCliTest, InfoTableReadsTheTableAloneAndChecksNoClip) {
    const QJsonObject checked = parse(cli({"info", project}).outBytes);
    const CliRun r = cli({"info", project, "--table"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject table = parse(r.outBytes);
    EXPECT_EQ(table["counters"], checked["counters"]);
    EXPECT_EQ(table["caption"], checked["caption"]);
    const QJsonArray a = checked["slides"].toArray();
    const QJsonArray b = table["slides"].toArray();
    ASSERT_EQ(b.size(), 2);
    EXPECT_EQ(b[0], a[0]);
    // The clip's own length fills its slide's time only when it is read.
    EXPECT_GT(a[1]["Duration"].toInt(), 0);
    EXPECT_EQ(b[1]["Duration"].toInt(), 0);
    EXPECT_TRUE(checked["backTrack"].toObject().contains("durationMs"));
    EXPECT_FALSE(table["backTrack"].toObject().contains("durationMs"));

    // A clip that is no clip: reported by the checked listing only.
    const QString made = env.file("made");
    env.write("made/video1.avi", "not a clip at all");
    const QString broken = env.file("Broken.bqx");
    QStringList files = QDir(made).entryList(QDir::Files);
    files.replaceInStrings(QRegularExpression("^"), made + "/");
    QProcess zip;
    zip.start("zip", QStringList{"-q", "-j", broken} + files);
    ASSERT_TRUE(zip.waitForFinished(30000) && zip.exitCode() == 0);
    EXPECT_FALSE(parse(cli({"info", broken}).outBytes)["messages"].toArray().isEmpty());
    const CliRun listed = cli({"info", broken, "--table"});
    EXPECT_EQ(listed.status, 0) << listed.err.toStdString();
    EXPECT_TRUE(parse(listed.outBytes)["messages"].toArray().isEmpty());

    // Still a failure to open when the file is none.
    const CliRun junk = cli({"info", env.write("junk.bqx", "not a zip"), "--table"});
    EXPECT_EQ(junk.status, 1);
    EXPECT_EQ(parse(junk.outBytes)["messages"].toArray(), QJsonArray{134});
    EXPECT_EQ(cli({"info", "--table", project}).status, 2);
}

// brindle-cli runs a table listing in brindle-cli-list, without the
// libraries of the other commands, which must print what brindle-cli-full
// prints; any other command line goes on to brindle-cli-full.
TEST_F(ProjectCliTest, QuickFrontListsAsTheFullProgramAndHandsOnTheRest) {
    const QString junk = env.write("junk.bqx", "not a zip");
    for (const QString& file : {project, junk, env.file("missing.bqx")}) {
        const CliRun quick = cli({"info", file, "--table"});
        const CliRun full = test::runProgram("brindle-cli-full", {"info", file, "--table"});
        EXPECT_EQ(quick.status, full.status) << file.toStdString();
        EXPECT_EQ(quick.outBytes, full.outBytes) << file.toStdString();
        EXPECT_EQ(quick.err, full.err) << file.toStdString();
    }

    // The front needs no Qt at all, the listing Qt Core and nothing heavier.
    const auto needed = [](const QString& program) {
        QProcess readelf;
        readelf.start("readelf", {"-d", test::programPath(program)});
        EXPECT_TRUE(readelf.waitForFinished(30000) && readelf.exitCode() == 0);
        return QString::fromLocal8Bit(readelf.readAllStandardOutput());
    };
    const QString front = needed("brindle-cli");
    const QString list = needed("brindle-cli-list");
    EXPECT_FALSE(front.contains("libQt6")) << front.toStdString();
    EXPECT_TRUE(list.contains("libQt6Core")) << list.toStdString();
    for (const char* heavy : {"libQt6Gui", "libQt6Widgets", "libavcodec", "libavformat"}) {
        EXPECT_FALSE(list.contains(heavy)) << heavy;
    }

    // The rest runs in brindle-cli-full, with its exit status and output.
    const CliRun usage = cli({"info", "--table", project});
    EXPECT_EQ(usage.status, 2);
    EXPECT_TRUE(usage.err.contains("brindle-cli resave")) << usage.err.toStdString();

    // Without brindle-cli-full beside it, it says what it could not start.
    const QString alone = env.file("alone/brindle-cli");
    QDir().mkpath(env.file("alone"));
    ASSERT_TRUE(QFile::copy(test::programPath("brindle-cli"), alone));
    QProcess lonely;
    lonely.start(alone, {"resave", project, env.file("Copy.bqx")});
    ASSERT_TRUE(lonely.waitForFinished(30000));
    EXPECT_EQ(lonely.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(lonely.readAllStandardError())
                    .contains("cannot start " + env.file("alone/brindle-cli-full")));
    EXPECT_FALSE(QFile::exists(env.file("Copy.bqx")));
}

TEST_F(ProjectCliTest, ResaveWritesAFileThatOpensTheSame) {
    const QString copy = env.file("Copy.bqx");
    const CliRun saved = cli({"resave", project, copy});
    ASSERT_EQ(saved.status, 0) << saved.err.toStdString();
    const QJsonObject a = parse(cli({"info", project}).outBytes);
    const QJsonObject b = parse(cli({"info", copy}).outBytes);
    EXPECT_EQ(a["counters"], b["counters"]);
    EXPECT_EQ(a["slides"], b["slides"]);
    EXPECT_EQ(b["caption"].toString(), "Copy - Velmora");
}

TEST_F(ProjectCliTest, AFileThatIsNotAProjectReportsItsMessage) {
    const QString junk = env.write("junk.bqx", "not a zip");
    const CliRun info = cli({"info", junk});
    EXPECT_EQ(info.status, 1);
    EXPECT_TRUE(
        info.err.contains("message 134: An error has occurred while attempting to open "
                          "the project file."))
        << info.err.toStdString();
    EXPECT_EQ(parse(info.outBytes)["messages"].toArray(), QJsonArray{134});
    const CliRun resave = cli({"resave", junk, env.file("out.bqx")});
    EXPECT_EQ(resave.status, 1);
    EXPECT_FALSE(QFile::exists(env.file("out.bqx")));
    EXPECT_EQ(cli({"info"}).status, 2);
}

}  // namespace
}  // namespace brindle
