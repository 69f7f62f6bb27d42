#include "app/present/slide_timing.h"

#include "app/model/project.h"

#include <gtest/gtest.h>

#include <memory>

namespace brindle {
namespace {

class SlideTimingTest : public ::testing::Test {
protected:
    void SetUp() override {
        gProject.clear();
        gBackTrack.clear();
        gBackTrackDuration = 0;
    }
    void TearDown() override { SetUp(); }

    static void addSlide(std::int32_t durationMs, std::int32_t audioMs) {
        auto slide = std::make_shared<MediaElement>();
        slide->mediaType = MediaSnapshot;
        slide->Duration = durationMs;
        slide->AudioDuration = audioMs;
        ASSERT_TRUE(gProject.insert(gProject.count() + 1, slide));
    }
};

TEST_F(SlideTimingTest, AnAudioCaptionStretchesASlideButNeverShortensIt) {
    addSlide(5000, 8000);
    addSlide(5000, 3000);
    addSlide(0, 0);
    const QVariant longer = calculateSlideDuration(1);
    EXPECT_EQ(longer.metaType(), QMetaType::fromType<std::int32_t>());
    EXPECT_EQ(longer.toInt(), 8000);
    EXPECT_EQ(calculateSlideDuration(2).toInt(), 5000);
    EXPECT_EQ(calculateSlideDuration(3).toInt(), 0);
    EXPECT_FALSE(calculateSlideDuration(4).isValid()) << "no such slide";
    EXPECT_FALSE(calculateSlideDuration(0).isValid());
}

TEST_F(SlideTimingTest, StartsAccumulateFromTheFirstSlideOfTheRange) {
    addSlide(4000, 0);
    addSlide(0, 0);  // adds nothing: starts with the next slide
    addSlide(2000, 6500);
    addSlide(1000, 0);
    EXPECT_EQ(slideStartMs(1, 1), 0);
    EXPECT_EQ(slideStartMs(1, 2), 4000);
    EXPECT_EQ(slideStartMs(1, 3), 4000);
    EXPECT_EQ(slideStartMs(1, 4), 10500);
    // Slides 2..3 written as a range start at 0, not after slide 1.
    EXPECT_EQ(slideStartMs(2, 2), 0);
    EXPECT_EQ(slideStartMs(2, 3), 0);
    EXPECT_EQ(presentationTotalMs(1, 4), 11500);
    EXPECT_EQ(presentationTotalMs(2, 3), 6500);
}

TEST_F(SlideTimingTest, ALongerBackgroundTrackSetsTheTotal) {
    addSlide(10000, 0);
    addSlide(5000, 10000);
    gBackTrackDuration = 60000;
    EXPECT_EQ(presentationTotalMs(1, 2), 20000) << "no track file: its length does not count";
    gBackTrack = "background.wav";
    EXPECT_EQ(presentationTotalMs(1, 2), 60000);
    gBackTrackDuration = 15000;  // a shorter track ends early
    EXPECT_EQ(presentationTotalMs(1, 2), 20000);
}

}  // namespace
}  // namespace brindle
