#include "platform/resources.h"

#include "tests/support/media_fixture.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QImageReader>

namespace brindle {
namespace {

TEST(ResourcePath, OverrideFolderThenBesideTheProgram) {
    test::TempEnv env;
    const QString own = env.write("res/deckopen.wav", "RIFF");
    qputenv("BRINDLE_RESOURCES_DIR", env.file("res").toUtf8());
    EXPECT_EQ(resourcePath("deckopen.wav"), own);
    EXPECT_EQ(resourcePath("/deckopen.wav"), own) << "the leading separator of a program path";
    // Not in the override: the copy beside the program.
    EXPECT_EQ(resourcePath("camera.wav"), QCoreApplication::applicationDirPath() + "/camera.wav");
    qunsetenv("BRINDLE_RESOURCES_DIR");
    // Shipped by nobody: still the name beside the program, for the caller to report.
    EXPECT_EQ(resourcePath("no-such-file.png"),
              QCoreApplication::applicationDirPath() + "/no-such-file.png");
}

TEST(ShippedFiles, SoundsAreShort16BitPcm) {
    for (const char* name : {"deckopen.wav", "camera.wav"}) {
        const QString path = resourcePath(name);
        EXPECT_EQ(test::probe(path, "stream=codec_name"), "pcm_s16le") << name;
        const double seconds = test::probe(path, "format=duration").toDouble();
        EXPECT_GT(seconds, 0.05) << name;
        EXPECT_LT(seconds, 1.0) << name;
    }
}

TEST(ShippedFiles, PicturesReadBackAtTheirSizes) {
    const std::pair<const char*, QSize> pictures[] = {
        {"frame.png", {96, 72}},           {"frame_video.png", {96, 72}},
        {"caption_text.png", {24, 24}},    {"caption_audio_set.png", {24, 24}},
        {"edit_video_down.png", {24, 24}}, {"backtrack_off.png", {24, 24}},
        {"identity.png", {200, 56}},       {"brindle.png", {256, 256}},
        {"Bin/vidback.jpg", {320, 240}},   {"plrbordr.jpg", {360, 300}},
        {"freeplayG2.gif", {88, 31}}};
    for (const auto& [name, size] : pictures) {
        QImageReader reader(resourcePath(name));
        EXPECT_EQ(reader.size(), size) << name;
        EXPECT_FALSE(reader.read().isNull()) << name;
    }
}

}  // namespace
}  // namespace brindle
