#include "platform/avi/avi_cut.h"

#include "platform/ffmpeg/handles.h"
#include "tests/support/avi_fixtures.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace brindle::avi {
namespace {

using test::ClipInfo;
using test::ClipRecipe;

constexpr int kSamplesPerFrame = 22050 / 15;

std::string s(const QString& q) {
    return q.toStdString();
}

class AviCutTest : public ::testing::Test {
protected:
    QString clip(const ClipRecipe& recipe = {}) {
        const QString path = test::makeClip(dir.path(), recipe);
        EXPECT_FALSE(path.isEmpty());
        return path;
    }

    // Cuts source to out and checks what every cut must give: the kept
    // frames, a key frame first, every frame decodable, and the sound of
    // exactly the kept frames, sample for sample.
    ClipInfo cutAndCheck(const QString& source, std::int64_t first, std::int64_t last,
                         CutReport* report = nullptr) {
        const QString out = dir.filePath("out.avi");
        const CutReport r = cutToFile(s(source), first, last, s(out), {});
        EXPECT_TRUE(r.ok()) << r.detail;
        if (report) {
            *report = r;
        }
        const ClipInfo src = test::readClip(source);
        const ClipInfo got = test::readClip(out);
        EXPECT_EQ(got.format, "avi");
        EXPECT_EQ(got.codec, src.codec);
        EXPECT_EQ(got.frames(), last - first + 1);
        EXPECT_EQ(got.decodedFrames, last - first + 1);
        EXPECT_TRUE(!got.keys.empty() && got.keys[0]) << "the cut must start on a key frame";
        if (src.audioSamples > 0) {
            const std::int64_t from = first * kSamplesPerFrame;
            const std::int64_t to = std::min((last + 1) * kSamplesPerFrame, src.audioSamples);
            EXPECT_EQ(got.audioSamples, to - from);
            EXPECT_TRUE(got.pcm == src.pcm.mid(from * src.blockAlign, (to - from) * src.blockAlign))
                << "the sound is not the kept frames' sound";
        }
        return got;
    }

    static void expectCopied(const ClipInfo& src, const ClipInfo& got, std::int64_t srcFrom,
                             std::int64_t gotFrom, std::int64_t count) {
        for (std::int64_t i = 0; i < count; ++i) {
            ASSERT_TRUE(got.packets[gotFrom + i] == src.packets[srcFrom + i])
                << "frame " << gotFrom + i << " is not frame " << srcFrom + i << " copied";
        }
    }

    QTemporaryDir dir;
};

TEST_F(AviCutTest, PlansCopyFromKeyFramesAndEncodesOnlyTheLeadingFrames) {
    const QString path = clip();
    auto in = ff::openInput(path.toUtf8().constData());
    const VideoFrames frames = VideoFrames::read(in.get(), 0);

    const CutPlan onKey = planCut(frames, 30, 99);
    EXPECT_EQ(onKey.copyFrom, 30);
    EXPECT_EQ(onKey.passes(), 1);
    EXPECT_EQ(onKey.encodedFrames(), 0);

    const CutPlan midGroup = planCut(frames, 17, 99);
    EXPECT_EQ(midGroup.decodeFrom, 15);
    EXPECT_EQ(midGroup.copyFrom, 30);
    EXPECT_EQ(midGroup.passes(), 2);
    EXPECT_EQ(midGroup.encodedFrames(), 13);

    // No key frame after the start within the range: all of it is encoded,
    // in the writing pass.
    const CutPlan noKey = planCut(frames, 17, 29);
    EXPECT_EQ(noKey.copyFrom, 30);
    EXPECT_FALSE(noKey.leadingPass);
    EXPECT_EQ(noKey.encodedFrames(), 13);
}

TEST_F(AviCutTest, FullRangeKeepsEveryFrameOfEveryCodec) {
    for (const ClipRecipe& recipe :
         {ClipRecipe{}, ClipRecipe{.codec = "mjpeg"}, ClipRecipe{.codec = "rawvideo", .frames = 30},
          ClipRecipe{.codec = "mpeg4", .sound = false}}) {
        SCOPED_TRACE(recipe.codec.toStdString());
        const QString path = clip(recipe);
        CutReport r;
        const ClipInfo got = cutAndCheck(path, 0, recipe.frames - 1, &r);
        EXPECT_EQ(r.reencodedFrames, 0);
        expectCopied(test::readClip(path), got, 0, 0, recipe.frames);
        // The sound that runs on past the last picture is not kept.
        if (recipe.sound) {
            EXPECT_EQ(got.audioSamples, recipe.frames * kSamplesPerFrame);
        }
    }
}

TEST_F(AviCutTest, RangeOnAKeyFrameIsCopiedInOnePass) {
    const QString path = clip();
    std::vector<int> seen;
    const QString out = dir.filePath("out.avi");
    const CutReport r = cutToFile(s(path), 30, 79, s(out), [&](int p) {
        seen.push_back(p);
        return true;
    });
    ASSERT_TRUE(r.ok()) << r.detail;
    EXPECT_EQ(r.passes, 1);
    EXPECT_EQ(r.reencodedFrames, 0);
    EXPECT_EQ(r.copiedFrames, 50);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << "reported twice";
    const ClipInfo got = cutAndCheck(path, 30, 79);
    expectCopied(test::readClip(path), got, 30, 0, 50);
}

TEST_F(AviCutTest, RangeInsideAGroupEncodesUpToTheNextKeyFrame) {
    for (const ClipRecipe& recipe : {ClipRecipe{}, ClipRecipe{.sound = false}}) {
        SCOPED_TRACE(recipe.sound ? "with sound" : "without sound");
        const QString path = clip(recipe);
        std::vector<int> seen;
        const CutReport r = cutToFile(s(path), 17, 99, s(dir.filePath("progress.avi")), [&](int p) {
            seen.push_back(p);
            return true;
        });
        ASSERT_TRUE(r.ok()) << r.detail;
        EXPECT_EQ(r.passes, 2);
        EXPECT_EQ(r.reencodedFrames, 13);
        EXPECT_EQ(r.copiedFrames, 70);
        // The encoding pass reports 0..50, the writing pass 50..100.
        ASSERT_GE(seen.size(), 4u);
        EXPECT_EQ(seen.front(), 0);
        EXPECT_EQ(seen.back(), 100);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
        const auto firstFifty = std::find(seen.begin(), seen.end(), 50);
        ASSERT_NE(firstFifty, seen.end());
        EXPECT_EQ(*(firstFifty + 1), 50) << "the second pass starts at 50";
        EXPECT_GT(firstFifty - seen.begin(), 2) << "the first pass reports its frames";

        const ClipInfo src = test::readClip(path);
        const ClipInfo got = cutAndCheck(path, 17, 99);
        // Frames 17..29 are new; from frame 30 on they are copied.
        EXPECT_FALSE(got.packets[0] == src.packets[17]);
        expectCopied(src, got, 30, 13, 70);
        const QString out = dir.filePath("out.avi");
        for (std::int64_t n : {0, 5, 12}) {
            EXPECT_GT(test::psnr(test::decodeFrameBgr(out, n), test::decodeFrameBgr(path, 17 + n)),
                      30.0)
                << "frame " << n;
        }
        EXPECT_EQ(test::decodeFrameBgr(out, 13), test::decodeFrameBgr(path, 30));
    }
}

TEST_F(AviCutTest, RangeWithoutALaterKeyFrameIsEncodedWhole) {
    const QString path = clip();
    for (auto [first, last] : {std::pair<int, int>{17, 25}, {40, 40}, {91, 99}}) {
        SCOPED_TRACE(first);
        CutReport r;
        cutAndCheck(path, first, last, &r);
        EXPECT_EQ(r.passes, 1);
        EXPECT_EQ(r.reencodedFrames, last - first + 1);
        EXPECT_EQ(r.copiedFrames, 0);
        EXPECT_GT(test::psnr(test::decodeFrameBgr(dir.filePath("out.avi"), last - first),
                             test::decodeFrameBgr(path, last)),
                  30.0);
    }
}

TEST_F(AviCutTest, IntraOnlyClipsAreCopiedFromAnyFrame) {
    const QString path = clip({.codec = "mjpeg"});
    CutReport r;
    const ClipInfo got = cutAndCheck(path, 17, 58, &r);
    EXPECT_EQ(r.reencodedFrames, 0);
    expectCopied(test::readClip(path), got, 17, 0, 42);

    const QString raw = clip({.codec = "rawvideo", .frames = 30});
    cutAndCheck(raw, 3, 11, &r);
    EXPECT_EQ(r.reencodedFrames, 0);
    // Still bottom-up, still the same pictures.
    EXPECT_EQ(test::decodeFrameBgr(dir.filePath("out.avi"), 0), test::decodeFrameBgr(raw, 3));
}

TEST_F(AviCutTest, RangesOutsideTheClipAreRefused) {
    const QString path = clip();
    const QString out = dir.filePath("out.avi");
    for (auto [first, last] : {std::pair<int, int>{0, 100}, {50, 49}, {-1, 10}, {100, 100}}) {
        EXPECT_EQ(cutToFile(s(path), first, last, s(out), {}).status, CutStatus::BadRange)
            << first << ".." << last;
    }
    EXPECT_EQ(cutToFile(s(path), 0, 10, s(path), {}).status, CutStatus::CannotReplace)
        << "a cut onto its own source";
}

TEST_F(AviCutTest, InPlaceReplacesTheFileAndKeepsItsPermissions) {
    const QString path = clip();
    ASSERT_EQ(::chmod(path.toUtf8().constData(), 0640), 0);
    const ClipInfo before = test::readClip(path);
    const CutReport r = cutInPlace(s(path), 17, 76, {});
    ASSERT_TRUE(r.ok()) << r.detail;
    const ClipInfo after = test::readClip(path);
    EXPECT_EQ(after.frames(), 60);
    EXPECT_EQ(after.audioSamples, 60 * kSamplesPerFrame);
    expectCopied(before, after, 30, 13, 47);
    struct stat st {};
    ASSERT_EQ(::stat(path.toUtf8().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(test::filesIn(dir.path()), QStringList{"clip.avi"}) << "a temporary file was left";
}

TEST_F(AviCutTest, InPlaceThroughALinkCutsTheFileAndKeepsTheLink) {
    const QString path = clip();
    const QString link = dir.filePath("link.avi");
    ASSERT_TRUE(QFile::link(path, link));
    const CutReport r = cutInPlace(s(link), 30, 59, {});
    ASSERT_TRUE(r.ok()) << r.detail;
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(test::readClip(path).frames(), 30);
    EXPECT_EQ(test::filesIn(dir.path()), (QStringList{"clip.avi", "link.avi"}));
}

TEST_F(AviCutTest, AbortLeavesTheSourceAndNoTemporaryFile) {
    const QString path = clip();
    const QByteArray before = test::fileBytes(path);
    for (int stopAt : {0, 20, 70, 100}) {
        SCOPED_TRACE(stopAt);
        const CutReport r = cutInPlace(s(path), 17, 99, [&](int p) { return p < stopAt; });
        EXPECT_EQ(r.status, CutStatus::Aborted);
        EXPECT_TRUE(test::fileBytes(path) == before);
        EXPECT_EQ(test::filesIn(dir.path()), QStringList{"clip.avi"});
    }
}

TEST_F(AviCutTest, AnAbortedCutToAFileLeavesNoHalfWrittenFile) {
    const QString path = clip();
    for (int stopAt : {20, 70}) {
        SCOPED_TRACE(stopAt);
        const QString out = dir.filePath("out.avi");
        const CutReport r = cutToFile(s(path), 17, 99, s(out), [&](int p) { return p < stopAt; });
        EXPECT_EQ(r.status, CutStatus::Aborted);
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST_F(AviCutTest, FilesThatCannotBeReplacedAreLeftAlone) {
    const QString path = clip();
    const QByteArray before = test::fileBytes(path);
    ASSERT_EQ(::chmod(path.toUtf8().constData(), 0444), 0);
    EXPECT_EQ(cutInPlace(s(path), 17, 99, {}).status, CutStatus::CannotReplace);
    EXPECT_TRUE(test::fileBytes(path) == before);
    EXPECT_EQ(test::filesIn(dir.path()), QStringList{"clip.avi"});

    EXPECT_EQ(cutInPlace(s(dir.filePath("gone.avi")), 0, 10, {}).status, CutStatus::CannotReplace);
    EXPECT_EQ(cutInPlace(s(dir.path()), 0, 10, {}).status, CutStatus::CannotReplace);
    EXPECT_EQ(test::filesIn(dir.path()), QStringList{"clip.avi"});
}

}  // namespace
}  // namespace brindle::avi
