// The table of contents: what riteTOC writes and lists, and how the reader
// takes lines by position whatever their keys, encoding and line ends.
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/project_zip.h"
#include "app/model/toc_format.h"
#include "tests/support/golden_file.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

namespace brindle {
namespace {

class TocWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        gWorkFolder = env.file("Work");
        QDir().mkpath(gWorkFolder);
        gProject.clear();
        resetCounters();
        gBackTrack.clear();
    }
    void TearDown() override {
        gProject.clear();
        gBackTrack.clear();
    }
    QString work(const QString& name) const { return gWorkFolder + "/" + name; }
    void addSlide(std::int16_t type, const QString& file, const QString& info, const QString& sound,
                  const QString& caption, const QString& thumb) {
        ASSERT_TRUE(gProject.Add(MediaSource{}));
        ASSERT_TRUE(gProject.Overwrite(gProject.count(), type, file, info, sound, caption, 5000,
                                       1200, thumb, "Arial", 2, 24, 255, 16777215, 0, 0, -1));
    }

    test::TempEnv env;
    test::MessageRecorder messages;
};

TEST_F(TocWriterTest, WritesEveryLineInOrderAndListsTheFiles) {
    gVideosUsed = 2;
    gSnapshotsUsed = 1;
    gImagesUsed = 3;
    gTextUsed = 0;
    gSoundsUsed = -1;
    gBackTrack = work("backtrk.wav");
    addSlide(MediaImage, work("image3.jpg"), work("image3.rp"), work("sound1.wav"),
             "Caf\u00e9 & <b>", work("image3T.jpg"));
    addSlide(MediaVideo, work("video2.avi"), "", "", "", work("video2T.jpg"));
    const QString toc = work(kTocFileName);
    riteTOC(toc);

    const QByteArray expected =
        "gVideosUsed:=2\r\ngSnapshotsUsed:=1\r\ngImagesUsed:=3\r\ngTextUsed:=0\r\n"
        "gSoundsUsed:=-1\r\nBackTrack:=backtrk.wav\r\n"
        "Index:=1\r\nMediaType:=2\r\nFilename:=image3.jpg\r\nInfoFilename:=image3.rp\r\n"
        "Sound:=sound1.wav\r\nCaption:=Caf\xc3\xa9 & <b>\r\nDuration:=5000\r\n"
        "AudioDuration:=1200\r\nThumbnail:=image3T.jpg\r\nFontname:=Arial\r\nAlignment:=2\r\n"
        "Pointsize:=24\r\nForecolor:=255\r\nBackcolor:=16777215\r\nSoundType:=0\r\n"
        "VideoType:=0\r\n"
        "Index:=2\r\nMediaType:=1\r\nFilename:=video2.avi\r\nInfoFilename:=\r\nSound:=\r\n"
        "Caption:=\r\nDuration:=5000\r\nAudioDuration:=1200\r\nThumbnail:=video2T.jpg\r\n"
        "Fontname:=Arial\r\nAlignment:=2\r\nPointsize:=24\r\nForecolor:=255\r\n"
        "Backcolor:=16777215\r\nSoundType:=0\r\nVideoType:=0\r\n";
    EXPECT_TRUE(test::sameBytes(expected, test::fileContents(toc)));

    const QStringList listed = projectZip().get(zipids::DispFileList).value.toStringList();
    EXPECT_EQ(listed, (QStringList{toc, work("backtrk.wav"), work("image3.jpg"), work("image3.rp"),
                                   work("sound1.wav"), work("image3T.jpg"), work("video2.avi"),
                                   work("video2T.jpg")}));
}

TEST_F(TocWriterTest, EmptyBackTrackLineAndLineBreaksInValuesBecomeBlanks) {
    addSlide(MediaText, work("text1.txt"), work("text1.rt"), "", "two\r\nlines\nand\rthree",
             work("text1T.jpg"));
    gProject.Item(1)->FontName = "Font\nName";
    riteTOC(work(kTocFileName));
    const QList<QByteArray> lines = test::fileContents(work(kTocFileName)).split('\n');
    ASSERT_EQ(lines.size(), 6 + 16 + 1);
    EXPECT_EQ(lines[5], "BackTrack:=\r");
    EXPECT_EQ(lines[11], "Caption:=two lines and three\r");
    EXPECT_EQ(lines[15], "Fontname:=Font Name\r");
    EXPECT_EQ(lines.last(), "");
}

TEST(TocRelativeName, KeepsThePartAfterTheWorkFolder) {
    gWorkFolder = "/home/work/.cache/brindle/Work";
    EXPECT_EQ(tocRelativeName("/home/work/.cache/brindle/Work/image1.jpg"), "image1.jpg")
        << "the work folder itself comes first, wherever \"/work\" appears in it";
    EXPECT_EQ(tocRelativeName("C:\\TEMP\\Work\\image1.jpg"), "image1.jpg");
    EXPECT_EQ(tocRelativeName("C:\\TEMP\\WORK\\image1.jpg"), "image1.jpg");
    EXPECT_EQ(tocRelativeName("/elsewhere/pic.jpg"), "pic.jpg");
    EXPECT_EQ(tocRelativeName(""), "");
}

QByteArray tocBytes(const QList<QByteArray>& values, const QByteArray& eol = "\r\n") {
    static const char* keys[] = {
        "gVideosUsed:=", "gSnapshotsUsed:=", "gImagesUsed:=", "gTextUsed:=",     "gSoundsUsed:=",
        "BackTrack:=",   "Index:=",          "MediaType:=",   "Filename:=",      "InfoFilename:=",
        "Sound:=",       "Caption:=",        "Duration:=",    "AudioDuration:=", "Thumbnail:=",
        "Fontname:=",    "Alignment:=",      "Pointsize:=",   "Forecolor:=",     "Backcolor:=",
        "SoundType:=",   "VideoType:="};
    QByteArray out;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const qsizetype k = i < 6 ? i : 6 + (i - 6) % 16;
        out += keys[k] + values[i] + eol;
    }
    return out;
}

const QList<QByteArray> kOneSlide = {
    "1",   "2",    "3", "4",           "5",  "",  "1",  "2",   "image1.jpg", "image1.rp", "",
    "Cap", "4000", "0", "image1T.jpg", "Ft", "1", "12", "255", "65280",      "0",         "0"};

TEST(TocReader, ReadsByPositionWhateverTheKeys) {
    QByteArray bytes = tocBytes(kOneSlide);
    bytes.replace("Filename:=", "Filenmae:=").replace("gImagesUsed", "gImgUsed");
    const TocContents toc = parseToc(bytes);
    EXPECT_EQ(toc.videosUsed, 1);
    EXPECT_EQ(toc.imagesUsed, 3);
    EXPECT_EQ(toc.soundsUsed, 5);
    EXPECT_EQ(toc.backTrack, "");
    ASSERT_EQ(toc.slides.size(), 1u);
    const TocSlide& s = toc.slides[0];
    EXPECT_EQ(s.Index, 1);
    EXPECT_EQ(s.mediaType, MediaImage);
    EXPECT_EQ(s.Filename, "image1.jpg");
    EXPECT_EQ(s.Caption, "Cap");
    EXPECT_EQ(s.Duration, 4000);
    EXPECT_EQ(s.FontName, "Ft");
    EXPECT_EQ(s.BackColor, 65280);
}

TEST(TocReader, AMissingLineShiftsEveryFollowingValue) {
    QList<QByteArray> values = kOneSlide;
    values.removeAt(11);  // the caption
    const TocContents toc = parseToc(tocBytes(values));
    ASSERT_EQ(toc.slides.size(), 1u);
    EXPECT_EQ(toc.slides[0].Caption, "4000");
    EXPECT_EQ(toc.slides[0].Duration, 0);
    EXPECT_EQ(toc.slides[0].Thumbnail, "Ft");
    EXPECT_EQ(toc.slides[0].VideoType, 0) << "read past the end: empty";
}

TEST(TocReader, LineEndsEncodingsAndNumbers) {
    const QByteArray crlf = tocBytes(kOneSlide);
    const QByteArray lf = tocBytes(kOneSlide, "\n");
    EXPECT_EQ(parseToc(lf).slides.size(), 1u);
    EXPECT_EQ(parseToc(lf).slides[0].PointSize, 12);
    EXPECT_EQ(parseToc(crlf.chopped(2)).slides[0].VideoType, 0) << "no line end at the end";

    QByteArray cp1252 = crlf;
    cp1252.replace("Cap", "Caf\xe9 \x80");
    EXPECT_EQ(parseToc(cp1252).slides[0].Caption, QString("Caf\u00e9 \u20ac"));
    QByteArray utf8 = "\xEF\xBB\xBF" + crlf;
    utf8.replace("Cap", "Caf\xc3\xa9");
    EXPECT_EQ(parseToc(utf8).slides[0].Caption, QString("Caf\u00e9"));
    EXPECT_EQ(parseToc(utf8).videosUsed, 1) << "the byte order mark is not part of line 1";

    EXPECT_EQ(tocValue("no separator"), "o separator");
    EXPECT_EQ(tocValue("a:=b:=c"), "b:=c");
    QList<QByteArray> odd = kOneSlide;
    odd[12] = " 12.6ms";
    odd[16] = "99999";
    odd[18] = "-7";
    const TocSlide s = parseToc(tocBytes(odd)).slides[0];
    EXPECT_EQ(s.Duration, 13);
    EXPECT_EQ(s.Alignment, 32767);
    EXPECT_EQ(s.ForeColor, -7);
}

TEST(TocReader, FileValuesNeverLeaveTheWorkFolder) {
    EXPECT_EQ(tocFileValue("image1.jpg"), "image1.jpg");
    EXPECT_EQ(tocFileValue("C:\\TEMP\\Work\\back.WAV"), "back.WAV");
    EXPECT_EQ(tocFileValue("../../etc/passwd"), "passwd");
    EXPECT_EQ(tocFileValue(".."), "");
    EXPECT_EQ(tocFileValue("sub/.."), "");
    EXPECT_EQ(tocFileValue(""), "");
}

}  // namespace
}  // namespace brindle
