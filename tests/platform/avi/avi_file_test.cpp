#include "platform/avi/avi_file.h"

#include "platform/dib.h"
#include "tests/support/avi_fixtures.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>

namespace brindle::avi {
namespace {

using test::ClipRecipe;

class AviFileTest : public ::testing::Test {
protected:
    QString clip(const ClipRecipe& recipe, const QString& name = "clip.avi") {
        const QString path = test::makeClip(dir.path(), recipe, name);
        EXPECT_FALSE(path.isEmpty());
        return path;
    }
    static std::string s(const QString& q) { return q.toStdString(); }

    // The bitmap's pixel rows, turned top-down and stripped of padding.
    static std::vector<std::uint8_t> rowsTopDown(const std::vector<std::uint8_t>& bmp) {
        dib::BitmapInfoHeader h;
        if (!dib::readHeader(bmp.data(), &h) || h.biHeight <= 0) {
            return {};
        }
        const std::size_t row = dib::rowBytes(h.biWidth, 24);
        std::vector<std::uint8_t> out;
        for (int y = h.biHeight - 1; y >= 0; --y) {
            const std::uint8_t* p = bmp.data() + dib::bitsOffset(h) + row * y;
            out.insert(out.end(), p, p + std::size_t(h.biWidth) * 3);
        }
        return out;
    }

    QTemporaryDir dir;
};

TEST_F(AviFileTest, OpensAClipWithItsFrameTable) {
    std::string why;
    auto file = AviFile::open(s(clip({})), &why);
    ASSERT_TRUE(file) << why;
    EXPECT_EQ(file->start(), 0);
    EXPECT_EQ(file->length(), 100);
    EXPECT_TRUE(file->hasAudio());
    const std::vector<std::int64_t> keys{0, 15, 30, 45, 60, 75, 90};
    EXPECT_EQ(file->frames().keys(), keys);
    EXPECT_EQ(file->frames().keyAtOrBefore(17), 15);
    EXPECT_EQ(file->frames().keyAfter(17, 99), 30);
    EXPECT_EQ(file->frames().keyAfter(17, 29), -1);
    EXPECT_EQ(file->firstFrameDibSize(), 40u + 160 * 3 * 120);

    // Every frame of an intra-only stream is a key frame.
    auto mjpeg = AviFile::open(s(clip({.codec = "mjpeg", .sound = false}, "m.avi")), &why);
    ASSERT_TRUE(mjpeg) << why;
    EXPECT_EQ(mjpeg->frames().keys().size(), 100u);
    EXPECT_FALSE(mjpeg->hasAudio());
}

TEST_F(AviFileTest, FramesComeOutAsBottomUpPaddedBitmaps) {
    // 166 pixels of 3 bytes make rows of 498 bytes, padded to 500.
    const QString path = clip({.codec = "mjpeg", .width = 166, .height = 120});
    auto file = AviFile::open(s(path));
    ASSERT_TRUE(file);
    std::vector<std::uint8_t> bmp;
    ASSERT_TRUE(file->frameDib(42, &bmp));
    dib::BitmapInfoHeader h;
    ASSERT_TRUE(dib::readHeader(bmp.data(), &h));
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 166);
    EXPECT_EQ(h.biHeight, 120);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 500u * 120);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(bmp.size(), dib::packedDibSize(bmp.data()));
    EXPECT_EQ(bmp.size(), 40u + 500 * 120);
    EXPECT_EQ(rowsTopDown(bmp), test::decodeFrameBgr(path, 42));
}

TEST_F(AviFileTest, AnyFrameInAnyOrder) {
    const QString path = clip({});
    auto file = AviFile::open(s(path));
    ASSERT_TRUE(file);
    // Back and forth across groups, forward within one, the same frame twice.
    for (std::int64_t n : {37, 5, 38, 39, 39, 99, 0, 16, 14}) {
        std::vector<std::uint8_t> bmp;
        ASSERT_TRUE(file->frameDib(n, &bmp)) << n;
        EXPECT_EQ(rowsTopDown(bmp), test::decodeFrameBgr(path, n)) << "frame " << n;
    }
    std::vector<std::uint8_t> bmp;
    EXPECT_FALSE(file->frameDib(100, &bmp));
    EXPECT_FALSE(file->frameDib(-1, &bmp));
}

TEST_F(AviFileTest, BottomUpUncompressedFramesKeepTheirOrientation) {
    const QString path = clip({.codec = "rawvideo", .frames = 20});
    auto file = AviFile::open(s(path));
    ASSERT_TRUE(file);
    std::vector<std::uint8_t> bmp;
    ASSERT_TRUE(file->frameDib(7, &bmp));
    EXPECT_EQ(rowsTopDown(bmp), test::decodeFrameBgr(path, 7));
}

TEST_F(AviFileTest, RefusesWhatIsNoUsableClip) {
    std::string why;
    EXPECT_FALSE(AviFile::open(s(dir.filePath("missing.avi")), &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(AviFile::open(s(dir.path())));

    QFile junk(dir.filePath("junk.avi"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    EXPECT_FALSE(AviFile::open(s(junk.fileName())));

    // An AVI file cut off after its first kilobyte: the header is there, the
    // frames are not.
    const QByteArray whole = test::fileBytes(clip({}));
    QFile cut(dir.filePath("truncated.avi"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(whole.left(1024));
    cut.close();
    EXPECT_FALSE(AviFile::open(s(cut.fileName())));
}

TEST_F(AviFileTest, RefusesOtherContainersAndSoundOnlyFiles) {
    auto run = [](const QStringList& args) {
        return QProcess::execute("ffmpeg", QStringList{"-nostdin", "-v", "error", "-y"} + args);
    };
    const QString mkv = dir.filePath("clip.mkv");
    ASSERT_EQ(run({"-f", "lavfi", "-i", "testsrc2=s=160x120:r=15", "-frames:v", "10", "-c:v",
                   "mpeg4", mkv}),
              0);
    EXPECT_FALSE(AviFile::open(s(mkv)));
    const QString sound = dir.filePath("sound.avi");
    ASSERT_EQ(run({"-f", "lavfi", "-i", "sine=duration=1", "-c:a", "pcm_s16le", sound}), 0);
    std::string why;
    EXPECT_FALSE(AviFile::open(s(sound), &why));
    EXPECT_NE(why.find("no video"), std::string::npos) << why;
}

}  // namespace
}  // namespace brindle::avi
