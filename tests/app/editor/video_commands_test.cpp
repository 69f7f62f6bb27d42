#include "app/editor/editor_window.h"
#include "app/editor/strip_state.h"
#include "app/media/edit_video.h"
#include "app/model/project.h"
#include "controls/trimslider/vasklin_ids.h"
#include "platform/dispatch/control_host.h"
#include "tests/app/editor/editor_fixture.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace brindle::test {
namespace {

class VideoCommandsTest : public EditorFixture {};

TEST_F(VideoCommandsTest, EditIsOfferedForAviClipsOnly) {
    addWithFilesButton({picture("1.bmp"), clip()});
    frame->setupContextMenu(2);
    EXPECT_TRUE(frame->item("mnuEdit")->isEnabled());
    EXPECT_EQ(frame->item("mnuEdit")->text(), "&Edit  Video Slide 2");
    gProject.Item(2)->VideoType = VideoRealMedia;
    frame->setupContextMenu(2);
    EXPECT_FALSE(frame->item("mnuEdit")->isEnabled());
}

TEST_F(VideoCommandsTest, EditOpensTheClipDialogDimmedAndOkCutsTheClip) {
    addWithFilesButton({clip()});
    gSelectedSlide = 1;
    frame->setupContextMenu(1);
    const std::int32_t before = gProject.Item(1)->Duration;
    bool dimmed = false;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<editVideo*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = true;
        dimmed = frame->editor()->windowShade()->isVisible();
        dialog->TSlider21()->put(vasklin::DispStartEditPos, 5);
        QTest::mouseClick(dialog->Done(), Qt::LeftButton);
    });
    frame->item("mnuEdit")->trigger();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(dimmed);
    EXPECT_FALSE(frame->editor()->windowShade()->isVisible());
    EXPECT_LT(gProject.Item(1)->Duration, before);
    EXPECT_TRUE(gProjectChanged);
}

}  // namespace
}  // namespace brindle::test
