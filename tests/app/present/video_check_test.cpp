#include "app/present/video_check.h"

#include "controls/clipedit/klipvane_ids.h"
#include "platform/dispatch/control_host.h"
#include "tests/support/avi_fixtures.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

namespace brindle {
namespace {

class VideoCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        klipvane = dispatch::ControlHost::load(klipvane::kControlName, &editor, &error);
        ASSERT_TRUE(klipvane) << error.toStdString();
        good = test::makeClip(dir.path(), {.frames = 20});
        ASSERT_FALSE(good.isEmpty());
    }
    QString filename() { return klipvane->get(klipvane::DispFilename).value.toString(); }

    QTemporaryDir dir;
    QWidget editor;
    std::unique_ptr<dispatch::ControlHost> klipvane;
    QString good;
};

TEST_F(VideoCheckTest, AGoodClipPassesAndLeavesTheControlFree) {
    EXPECT_TRUE(isGoodVideo(*klipvane, good));
    EXPECT_EQ(filename(), "");
    EXPECT_TRUE(isGoodVideo(*klipvane, good)) << "the same check again";
}

TEST_F(VideoCheckTest, ARejectedFileDoesNotBlockTheNextCheck) {
    QFile junk(dir.filePath("junk.avi"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(2048, '\x01'));
    junk.close();
    EXPECT_FALSE(isGoodVideo(*klipvane, junk.fileName()));
    EXPECT_EQ(filename(), "");
    EXPECT_FALSE(isGoodVideo(*klipvane, dir.filePath("missing.avi")));
    EXPECT_TRUE(isGoodVideo(*klipvane, good));
}

TEST_F(VideoCheckTest, ABusyControlAnswersFalseWithoutLooking) {
    const QString other = test::makeClip(dir.path(), {.frames = 20}, "other.avi");
    klipvane->put(klipvane::DispFilename, other);
    ASSERT_EQ(filename(), other);
    EXPECT_FALSE(isGoodVideo(*klipvane, good));
    EXPECT_EQ(filename(), other) << "the other file stays open";
}

}  // namespace
}  // namespace brindle
