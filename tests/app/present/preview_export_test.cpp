// From project to film: the preview pass of brindle-cli over a project of
// every slide kind, played by brindle-player into an MP4 that FFmpeg reads.
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/present/slide_timing.h"
#include "tests/app/present/present_fixture.h"
#include "tests/support/media_fixture.h"
#include "tests/support/message_recorder.h"
#include "tests/support/program_run.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <cmath>

namespace brindle {
namespace {

using ToolRun = test::ProgramRun;

ToolRun run(const QString& program, const QStringList& args) {
    return test::runProgram(program, args);
}

TEST(PreviewExportTest, ThePlayersFilmLastsAsLongAsThePresentation) {
    test::PresentEnv present;
    test::MessageRecorder messages;
    ASSERT_TRUE(present.addPicture(MediaSnapshot, "Morning", 4.2));  // stretched by its narration
    ASSERT_TRUE(present.addPicture(MediaImage, "The harbour"));
    ASSERT_TRUE(present.addText("Interlude", 2500));
    ASSERT_TRUE(present.addVideo("On the boat", 45));
    ASSERT_TRUE(present.addPicture(MediaImage, "Evening", 1.5));
    ASSERT_TRUE(present.setBackTrack(6.0));
    const std::int32_t totalMs = presentationTotalMs(1, gProject.count());
    ASSERT_EQ(totalMs, 4200 + 3000 + 2500 + 3000 + 3000);

    const QString project = present.env().file("every kind.bqx");
    gProjectFile = project;
    ASSERT_EQ(riteProject(false), 0);

    const ToolRun pass = run("brindle-cli", {"present", project});
    ASSERT_EQ(pass.status, 0) << pass.err.toStdString();
    const QString folder = pass.out.trimmed();
    EXPECT_EQ(folder, gPreviewFolder);
    for (const char* name : {"audios.rm", "video1.rm", "vidback.jpg", "maintext3.rt", "pix1.jpg",
                             "pix2.jpg", "pix5.jpg"}) {
        EXPECT_TRUE(QFile::exists(folder + "/" + name)) << name;
    }

    const QString film = present.env().file("film.mp4");
    const ToolRun player = run("brindle-player", {"--export", film, folder + "/preView.smi"});
    ASSERT_EQ(player.status, 0) << player.err.toStdString();

    const double seconds = test::probe(film, "format=duration").toDouble();
    EXPECT_NEAR(seconds * 1000, totalMs, 100);
    EXPECT_EQ(test::probe(film, "stream=codec_type").split('\n', Qt::SkipEmptyParts).size(), 2)
        << "a picture and a sound stream";
}

TEST(PreviewExportTest, ALongerBackgroundTrackSetsTheLength) {
    test::PresentEnv present;
    test::MessageRecorder messages;
    ASSERT_TRUE(present.addPicture(MediaImage, "The harbour", 1.0));
    ASSERT_TRUE(present.addText("The end", 2000));
    ASSERT_TRUE(present.setBackTrack(8.5));
    ASSERT_EQ(presentationTotalMs(1, gProject.count()), 8500);

    // The track's length is not in the project file: opening measures it.
    const QString project = present.env().file("long track.bqx");
    gProjectFile = project;
    ASSERT_EQ(riteProject(false), 0);
    const ToolRun pass = run("brindle-cli", {"present", project});
    ASSERT_EQ(pass.status, 0) << pass.err.toStdString();

    const QString film = present.env().file("film.mp4");
    const ToolRun player =
        run("brindle-player", {"--export", film, pass.out.trimmed() + "/preView.smi"});
    ASSERT_EQ(player.status, 0) << player.err.toStdString();
    EXPECT_NEAR(test::probe(film, "format=duration").toDouble() * 1000, 8500, 100);
}

}  // namespace
}  // namespace brindle
