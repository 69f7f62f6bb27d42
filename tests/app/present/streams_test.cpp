// The image and caption streams, written as the presentation pass writes
// them, compared byte for byte with their golden files.
#include "app/model/project.h"
#include "app/present/caption_stream.h"
#include "app/present/image_stream.h"
#include "app/present/seconds_text.h"
#include "tests/support/golden_file.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QFile>

#include <limits>
#include <memory>

namespace brindle {
namespace {

struct SlideSpec {
    std::int16_t mediaType;
    std::int32_t durationMs;
    QString caption;
};

Project makeProject(const std::vector<SlideSpec>& slides) {
    Project p;
    for (const SlideSpec& s : slides) {
        auto e = std::make_shared<MediaElement>();
        e->mediaType = s.mediaType;
        e->Duration = s.durationMs;
        e->Caption = s.caption;
        p.insert(p.count() + 1, e);
    }
    return p;
}

// The stream parts of the pass over slides first..last of a project.
void writeStreams(const Project& p, int first, int last, const QString& folder) {
    std::int32_t total = 0;
    for (int i = first; i <= last; ++i) {
        total += p.Item(i)->Duration;
    }
    CaptionStreamWriter captions;
    ImageStreamWriter images;
    ASSERT_TRUE(captions.open(folder + "/" + kCaptionsFileName));
    captions.writeHeader(total);
    ASSERT_TRUE(images.open(folder + "/" + kImagesFileName));
    images.writeHeader(total);
    images.writeDeclarations(p, first, last);
    std::int32_t start = 0;
    for (int i = first; i <= last; ++i) {
        const MediaElement* slide = p.Item(i);
        captions.writeSlide(start, slide->Caption);
        images.writeSlide(start, i, slide->mediaType);
        start += slide->Duration;
    }
    images.writeEnd();
    EXPECT_TRUE(images.close());
    captions.writeEnd();
    EXPECT_TRUE(captions.close());
}

QString golden(const QString& name) {
    return QStringLiteral(BRINDLE_GOLDEN_DIR) + "/" + name;
}

TEST(StreamsTest, ImageTextSnapshotExample) {
    test::TempEnv env;
    const Project p = makeProject({{MediaImage, 3000, "Morning at the harbour"},
                                   {MediaText, 4000, ""},
                                   {MediaSnapshot, 2500, "Nets & <b>floats</b>"}});
    writeStreams(p, 1, 3, env.path());
    EXPECT_TRUE(test::matchesGolden(env.file("allpix.rp"), golden("allpix.rp")));
    EXPECT_TRUE(test::matchesGolden(env.file("captions.rt"), golden("captions.rt")));
}

TEST(StreamsTest, RangeWithoutPicturesHasAnEmptyImageList) {
    test::TempEnv env;
    // A placeholder slide gets a caption line but no effect; slide 1 is
    // outside the range, so its picture is not declared and slide 2 starts
    // at 0.
    const Project p = makeProject({{MediaImage, 5000, "outside"},
                                   {MediaText, 4000, "a"},
                                   {MediaRaw, 1000, ""},
                                   {MediaVideo, 6500, "b"}});
    writeStreams(p, 2, 4, env.path());
    const QByteArray rp = test::fileContents(env.file("allpix.rp"));
    EXPECT_TRUE(
        rp.endsWith("/>\r\n\r\n"
                    "<fill start=\"0\" color=\"transparent\"/>\r\n"
                    "<fill start=\"5\" color=\"transparent\"/>\r\n"
                    "</imfl>\r\n"))
        << rp.constData();
    EXPECT_TRUE(rp.contains("  duration=\"11.5\"\r\n"));
    const QByteArray rt = test::fileContents(env.file("captions.rt"));
    EXPECT_TRUE(rt.contains("<time begin=\"4\"/><clear/><center><b> </b></center>\r\n"));
    EXPECT_TRUE(rt.contains("<time begin=\"5\"/><clear/><center><b>b </b></center>\r\n"));
}

TEST(StreamsTest, CaptionEscapingChangesOnlyAngles) {
    EXPECT_EQ(captionSlideLine(0, "<b>"),
              "<time begin=\"0\"/><clear/><center><b>&lt;b&gt; </b></center>");
    EXPECT_EQ(captionSlideLine(1500, "Fish & chips"),
              "<time begin=\"1.5\"/><clear/><center><b>Fish & chips </b></center>");
    // Blanks and quotes of a caption are kept: it is element text, not an
    // attribute.
    EXPECT_EQ(captionSlideLine(0, " \"x\" "),
              "<time begin=\"0\"/><clear/><center><b> \"x\"  </b></center>");
    EXPECT_EQ(
        captionSlideLine(0, QString::fromUtf8("Café ☕")).toUtf8(),
        QByteArray("<time begin=\"0\"/><clear/><center><b>Caf\xc3\xa9 \xe2\x98\x95 </b></center>"));
}

TEST(StreamsTest, EffectsByMediaType) {
    EXPECT_EQ(imageEffectLine(12500, 4, MediaSnapshot),
              "<fadein start=\"12.5\" duration=\"2\" target=\"4\"/>");
    EXPECT_EQ(imageEffectLine(7333, 2, MediaImage),
              "<fadein start=\"7.333\" duration=\"2\" target=\"2\"/>");
    EXPECT_EQ(imageEffectLine(0, 1, MediaVideo), "<fill start=\"0\" color=\"transparent\"/>");
    EXPECT_EQ(imageEffectLine(0, 1, MediaText), "<fill start=\"0\" color=\"transparent\"/>");
    EXPECT_FALSE(imageEffectLine(0, 1, MediaRaw).has_value());
    EXPECT_FALSE(imageEffectLine(0, 1, 9).has_value());
}

TEST(StreamsTest, SecondsInShortestDecimalForm) {
    EXPECT_EQ(SecondsText(0), "0");
    EXPECT_EQ(SecondsText(12500), "12.5");
    EXPECT_EQ(SecondsText(7333), "7.333");
    EXPECT_EQ(SecondsText(1), "0.001");
    EXPECT_EQ(SecondsText(10), "0.01");
    EXPECT_EQ(SecondsText(1050), "1.05");
    EXPECT_EQ(SecondsText(60000), "60");
    EXPECT_EQ(SecondsText(-250), "-0.25");
    EXPECT_EQ(SecondsText(std::numeric_limits<std::int32_t>::max()), "2147483.647");
    EXPECT_EQ(SecondsText(std::numeric_limits<std::int32_t>::min()), "-2147483.648");
}

TEST(StreamsTest, UnwritableFileIsReported) {
    CaptionStreamWriter missingFolder;
    EXPECT_FALSE(missingFolder.open("/nonexistent-folder/captions.rt"));
    if (QFile::exists("/dev/full")) {
        ImageStreamWriter full;
        ASSERT_TRUE(full.open("/dev/full"));
        full.writeHeader(1000);
        full.writeEnd();
        EXPECT_FALSE(full.close());
    }
}

}  // namespace
}  // namespace brindle
