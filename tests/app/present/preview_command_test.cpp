// The Preview command over the real presentation pass, with a recording
// stand-in registered as the player for SMIL files.
#include "app/present/preview.h"
#include "tests/app/present/cancel_presser.h"

#include "app/media/progress_form.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "tests/app/present/present_fixture.h"
#include "tests/support/message_recorder.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>

namespace brindle {
namespace {

class PreviewCommandTest : public ::testing::Test {
protected:
    void SetUp() override { setProjectView(&view); }

    test::PresentEnv present;
    test::RecordingView view;
    test::MessageRecorder messages;
};

TEST_F(PreviewCommandTest, AnEmptyProjectIsRefusedWithoutWritingOrLaunching) {
    PlayPreview_Click();
    EXPECT_EQ(messages.numbers(), QList<int>{83});
    EXPECT_TRUE(QDir(gPreviewFolder).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(view.dims.isEmpty()) << "nothing to dim around";
    EXPECT_TRUE(present.player().launches().isEmpty());
}

TEST_F(PreviewCommandTest, ThePlayerGetsTheSmilFileAsOneArgument) {
    ASSERT_TRUE(gPreviewFolder.contains(' ')) << "the fixture puts a blank in the path";
    ASSERT_TRUE(present.addPicture(MediaImage, "The harbour", 1.0));
    ASSERT_TRUE(present.addText("The end", 2000));

    PlayPreview_Click();
    const QString smil = gPreviewFolder + "/preView.smi";
    EXPECT_TRUE(QFile::exists(smil));
    EXPECT_TRUE(QFile::exists(gPreviewFolder + "/pix1.jpg"));
    EXPECT_TRUE(QFile::exists(gPreviewFolder + "/maintext2.rt"));
    EXPECT_EQ(view.dims, (QList<bool>{true, false})) << "dimmed for the pass, undimmed after it";

    const QList<QStringList> launches = present.player().waitForLaunches(1);
    ASSERT_EQ(launches.size(), 1);
    EXPECT_EQ(launches[0], QStringList{smil});
    EXPECT_TRUE(present.browser().launches().isEmpty());
    EXPECT_TRUE(messages.numbers().isEmpty()) << messages.numbers().size();

    // A second preview writes everything again and starts the player again.
    QFile::remove(gPreviewFolder + "/pix1.jpg");
    PlayPreview_Click();
    EXPECT_TRUE(QFile::exists(gPreviewFolder + "/pix1.jpg"));
    EXPECT_EQ(present.player().waitForLaunches(2).size(), 2);
}

TEST_F(PreviewCommandTest, ACancelledPassStartsNoPlayer) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(present.addPicture(MediaSnapshot, QString("Shot %1").arg(i + 1)));
    }
    {
        test::CancelPresser presser;
        PlayPreview_Click();
        EXPECT_TRUE(presser.pressed()) << "the pass showed its progress window";
    }
    EXPECT_TRUE(CancelRequested);
    EXPECT_EQ(view.dims, (QList<bool>{true, false})) << "undimmed after a cancel too";
    // Give a wrongly started player time to record itself.
    EXPECT_TRUE(present.player().waitForLaunches(1, 1500).isEmpty());
}

}  // namespace
}  // namespace brindle
