// The presentation pass with the real encoders: the complete preView.smi
// of a text and a video slide, ranges, the background track and a silent
// project, each read back with an XML parser and FFmpeg.
#include "app/present/smil_master.h"
#include "app/media/progress_form.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/project_zip.h"
#include "app/present/publish_list.h"
#include "app/present/smil_layout.h"
#include "tests/app/present/pass_fixture.h"
#include "tests/support/golden_file.h"
#include "tests/support/media_fixture.h"

#include <QFile>
#include <QFileInfo>

namespace brindle::test {
namespace {

using SmilMasterTest = PassTest;

QByteArray goldenSmil() {
    QFile f(QStringLiteral(BRINDLE_GOLDEN_DIR "/preView.smi"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll().replace("@GENERATOR@", BRINDLE_PROGRAM_NAME " " BRINDLE_PROGRAM_VERSION);
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST_F(SmilMasterTest, TextThenVideoWithCaptionsIsTheCompletePresentation) {
    MediaElement& text = addSlide(MediaText, 4000, textFile(1), tone("sound1.wav", 1.0), 1000);
    text.Caption = "First <slide>";
    addSlide(MediaVideo, 6500, aviClip(2, 2.0), tone("sound2.wav", 1.5), 1500);

    riteSmilMasterFile(1, 2, false, true);

    EXPECT_FALSE(CancelRequested);
    EXPECT_TRUE(messages.numbers().isEmpty()) << messages.numbers().size();
    EXPECT_TRUE(sameBytes(goldenSmil(), bytesOf(preview("preView.smi"))));
    QStringList sources;
    EXPECT_TRUE(presentationIsComplete(previewFolder, &sources));
    EXPECT_EQ(sources,
              QStringList({"audios.rm", "captions.rt", "allpix.rp", "maintext1.rt", "video2.rm"}));
    // The sound track lasts the whole presentation.
    EXPECT_NEAR(probe(preview("audios.rm"), "format=duration").toDouble(), 10.5, 0.2);
    EXPECT_EQ(probe(preview("video2.rm"), "stream=codec_name"), "rv20");
    EXPECT_EQ(bytesOf(preview("maintext1.rt")), bytesOf(text.InfoFilename));
    EXPECT_TRUE(gProject.Item(2)->isEncoded());
    EXPECT_TRUE(QFileInfo::exists(preview("vidback.jpg")));
    // The streams and the page files of a preview.
    EXPECT_EQ(read("captions.rt").section("\r\n", 2, 3),
              "<time begin=\"0\"/><clear/><center><b>First &lt;slide&gt; </b></center>\r\n"
              "<time begin=\"4\"/><clear/><center><b> </b></center>");
    EXPECT_TRUE(read("allpix.rp").contains("<fill start=\"4\" color=\"transparent\"/>"));
    EXPECT_TRUE(read("allpix.rp").endsWith("</imfl>\r\n"));
    EXPECT_TRUE(read("captions.rt").endsWith("</window>\r\n"));
    EXPECT_TRUE(QFileInfo::exists(preview("preView.htm")));
    EXPECT_TRUE(QFileInfo::exists(preview("preView.ram")));
}

// Picture, text, RealMedia clip and text, none of them sounding: the
// ranges that the timing and the fills depend on.
class RangeTest : public SmilMasterTest {
protected:
    void SetUp() override {
        SmilMasterTest::SetUp();
        addSlide(MediaImage, 3000, picture(1));
        addSlide(MediaText, 4000, textFile(2));
        addSlide(MediaVideo, 2500, rmClip(3));
        addSlide(MediaText, 1500, textFile(4));
    }
    // The media lines of the body: after the image stream, before "</par>".
    QStringList bodyMedia() const {
        const QStringList lines = smilLines();
        const qsizetype from = lines.indexOf(QRegularExpression("^<ref id=\"images\".*")) + 1;
        const qsizetype to = lines.indexOf("</par>");
        return from > 0 && to > from ? lines.mid(from, to - from) : QStringList{"<bad body>"};
    }
};

TEST_F(RangeTest, StartsAreCumulativeWithAnSSuffixAndOnlyTheLastFreezes) {
    riteSmilMasterFile(1, 4, false, true);
    EXPECT_TRUE(presentationIsComplete(previewFolder));
    EXPECT_EQ(bodyMedia(),
              QStringList({"<textstream begin=\"3s\" id=\"mainDisplay2\" src=\"maintext2.rt\" "
                           "region=\"titlesregion\" />",
                           "<video begin=\"7s\" id=\"mainDisplay3\" src=\"video3.rm\" "
                           "region=\"videoregion\" fill=\"remove\" />",
                           "<textstream begin=\"9.5s\" id=\"mainDisplay4\" src=\"maintext4.rt\" "
                           "region=\"titlesregion\" fill=\"freeze\" />"}));
    // Nothing sounds: no sound track at all.
    EXPECT_FALSE(smilLines().join("\n").contains("<audio"));
    EXPECT_FALSE(QFileInfo::exists(preview("audios.rm")));
    EXPECT_TRUE(messages.numbers().isEmpty());
    // The RealMedia clip is copied as it is; the picture is scaled into the box.
    EXPECT_EQ(bytesOf(preview("video3.rm")), bytesOf(gProject.Item(3)->Filename));
    EXPECT_EQ(QImage(preview("pix1.jpg")).size(), QSize(320, 240));
    EXPECT_TRUE(read("allpix.rp").contains("duration=\"11\""));
}

TEST_F(RangeTest, ARangeStartsAtZeroAndItsLastSlideFreezes) {
    riteSmilMasterFile(2, 3, false, true);
    EXPECT_TRUE(presentationIsComplete(previewFolder));
    EXPECT_EQ(bodyMedia(),
              QStringList({"<textstream begin=\"0s\" id=\"mainDisplay2\" src=\"maintext2.rt\" "
                           "region=\"titlesregion\" />",
                           "<video begin=\"4s\" id=\"mainDisplay3\" src=\"video3.rm\" "
                           "region=\"videoregion\" fill=\"freeze\" />"}));
    // No picture in the range: the image list is empty.
    EXPECT_FALSE(read("allpix.rp").contains("<image"));
    EXPECT_TRUE(read("allpix.rp").contains("duration=\"6.5\""));

    riteSmilMasterFile(4, 4, false, true);
    EXPECT_EQ(bodyMedia(),
              QStringList({"<textstream begin=\"0s\" id=\"mainDisplay4\" src=\"maintext4.rt\" "
                           "region=\"titlesregion\" fill=\"freeze\" />"}));
    riteSmilMasterFile(3, 3, false, true);
    EXPECT_EQ(bodyMedia(), QStringList({"<video begin=\"0s\" id=\"mainDisplay3\" "
                                        "src=\"video3.rm\" region=\"videoregion\" "
                                        "fill=\"freeze\" />"}));
    EXPECT_TRUE(presentationIsComplete(previewFolder));
}

TEST_F(RangeTest, ALongerBackgroundTrackRaisesEveryDuration) {
    gBackTrack = tone("back.wav", 1.0);
    gBackTrackDuration = 60000;
    riteSmilMasterFile(1, 4, false, true);
    EXPECT_TRUE(presentationIsComplete(previewFolder));
    EXPECT_TRUE(
        smilLines().contains("<audio id=\"audioTrack\" src=\"audios.rm\" region=\"avcaption\" />"));
    EXPECT_TRUE(read("allpix.rp").contains("  duration=\"60\"\r\n"));
    EXPECT_TRUE(read("captions.rt").contains("duration=\"60\">"));
    EXPECT_NEAR(probe(preview("audios.rm"), "format=duration").toDouble(), 60.0, 0.2);
}

TEST_F(SmilMasterTest, ARefusedCaptionSoundIsReportedAndLeftOut) {
    addSlide(MediaText, 2000, textFile(1), env.write("work/sound1.wav", "not a sound"), 2000);
    addSlide(MediaImage, 2000, picture(2));
    riteSmilMasterFile(1, 2, false, true);
    EXPECT_EQ(messages.numbers(), QList<int>{160});
    EXPECT_FALSE(CancelRequested);
    EXPECT_FALSE(smilLines().join("\n").contains("<audio"));
    EXPECT_TRUE(presentationIsComplete(previewFolder));
}

TEST_F(SmilMasterTest, PublishingListsEveryFileAndCountsItsBytes) {
    MediaElement& first = addSlide(MediaText, 2000, textFile(1), tone("sound1.wav", 1.0), 1000);
    first.Thumbnail = picture(9);
    addSlide(MediaImage, 2000, picture(2));
    addSlide(MediaVideo, 2000, rmClip(3));
    projectZip().call(zipids::DispAddFile, {QString("left-over-from-a-save.toc")});
    PublishFileBytes = 12345;

    riteSmilMasterFile(1, 3, true, true);

    EXPECT_TRUE(presentationIsComplete(previewFolder));
    const QStringList names{"audios.rm",   "maintext1.rt", "thumbnail.jpg",
                            "pix2.jpg",    "video3.rm",    "preView.smi",
                            "captions.rt", "allpix.rp",    "vidback.jpg"};
    QStringList expected;
    qint64 bytes = 0;
    for (const QString& name : names) {
        expected << preview(name);
        bytes += QFileInfo(preview(name)).size();
        EXPECT_GT(QFileInfo(preview(name)).size(), 0) << name.toStdString();
    }
    EXPECT_EQ(projectZip().get(zipids::DispFileList).value.toStringList(), expected);
    EXPECT_EQ(PublishFileBytes, bytes);
    EXPECT_EQ(bytesOf(preview("thumbnail.jpg")), bytesOf(first.Thumbnail));
    // Publishing lays no preview page.
    EXPECT_FALSE(QFileInfo::exists(preview("preView.htm")));
    EXPECT_FALSE(QFileInfo::exists(preview("preView.rpm")));
}

TEST_F(SmilMasterTest, AMissingThumbnailIsMadeAgainForPublishing) {
    MediaElement& first = addSlide(MediaImage, 2000, picture(1));
    first.Thumbnail = workFolder + "/image1T.jpg";  // never made
    riteSmilMasterFile(1, 1, true, true);
    EXPECT_EQ(QImage(preview("thumbnail.jpg")).size(), QSize(320, 240));
    // Only the first slide of the project gives the thumbnail.
    QFile::remove(preview("thumbnail.jpg"));
    addSlide(MediaImage, 2000, picture(2));
    riteSmilMasterFile(2, 2, true, true);
    EXPECT_FALSE(QFileInfo::exists(preview("thumbnail.jpg")));
}

// A picture that cannot be prepared is reported with its slide number and
// left out of the packed list; an older picture of that slide does not
// stand in for it.
TEST_F(SmilMasterTest, AnUnpreparablePictureIsReportedAndNotPacked) {
    addSlide(MediaImage, 2000, picture(1));
    addSlide(MediaImage, 2000, env.write("work/image2.jpg", "not a picture"));
    addSlide(MediaImage, 2000, workFolder + "/image3.jpg");  // gone
    env.write("preview/pix2.jpg", "from an earlier pass");
    riteSmilMasterFile(1, 3, true, true);

    ASSERT_EQ(messages.numbers(), QList<int>{1403});
    EXPECT_TRUE(messages.requests().first().text.endsWith(":  2, 3"))
        << messages.requests().first().text.toStdString();
    EXPECT_FALSE(CancelRequested) << "the rest of the presentation is written";
    EXPECT_FALSE(QFileInfo::exists(preview("pix2.jpg")));
    EXPECT_FALSE(QFileInfo::exists(preview("pix3.jpg")));
    const QStringList packed = projectZip().get(zipids::DispFileList).value.toStringList();
    EXPECT_TRUE(packed.contains(preview("pix1.jpg")));
    for (const QString& file : packed) {
        EXPECT_TRUE(QFileInfo(file).isFile()) << "packed but missing: " << file.toStdString();
    }
}

TEST(SmilLayoutTest, VideoNumberComesFromTheFileName) {
    EXPECT_EQ(videoNumber("/work/video12.avi", VideoAvi), "12");
    EXPECT_EQ(videoNumber("/work/VIDEO3.rm", VideoRealMedia), "3");
    // A folder named after videos does not count.
    EXPECT_EQ(videoNumber("/home/ann/Videos/work/video5.avi", VideoAvi), "5");
    EXPECT_EQ(videoNumber("/work/clip.avi", VideoAvi), "clip");
    EXPECT_EQ(smilVideoLine(12500, 4, "7", false),
              "<video begin=\"12.5s\" id=\"mainDisplay4\" src=\"video7.rm\" "
              "region=\"videoregion\" fill=\"remove\" />");
}

}  // namespace
}  // namespace brindle::test
