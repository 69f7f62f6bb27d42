#include "app/model/project.h"

#include "app/model/folders.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

namespace brindle {
namespace {

class ProjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        gWorkFolder = env.file("Work");
        QDir().mkpath(gWorkFolder);
        gProject.clear();
        resetCounters();
        thumb = env.write("src/Thumbnail.jpg", "thumb");
    }
    void TearDown() override { gProject.clear(); }

    QString work(const QString& name) const { return gWorkFolder + "/" + name; }
    QStringList workFiles() const { return QDir(gWorkFolder).entryList(QDir::Files, QDir::Name); }

    MediaSource source(std::int16_t type, const QString& file, const QString& sound = {}) const {
        MediaSource s;
        s.mediaType = type;
        s.Filename = file;
        s.Sound = sound;
        s.Caption = "A caption";
        s.Duration = 3000;
        s.AudioDuration = 1500;
        s.Thumbnail = thumb;
        return s;
    }

    test::TempEnv env;
    test::MessageRecorder messages;
    QString thumb;
};

TEST_F(ProjectTest, ImageImportNamesByCounterAndLowerCasedExtension) {
    ASSERT_TRUE(gProject.Add(source(MediaImage, env.write("src/Photo.JPEG", "jpeg bytes"))));
    ASSERT_TRUE(gProject.Add(source(MediaImage, env.write("src/pic.BMP", "bmp bytes"))));
    ASSERT_EQ(gProject.count(), 2);
    const MediaElement* a = gProject.Item(1);
    EXPECT_EQ(a->mediaType, MediaImage);
    EXPECT_EQ(a->Filename, work("image1.jpg"));
    EXPECT_EQ(a->InfoFilename, work("image1.rp"));
    EXPECT_EQ(a->Thumbnail, work("image1T.jpg"));
    EXPECT_EQ(a->Caption, "A caption");
    EXPECT_EQ(a->Duration, 3000);
    EXPECT_EQ(a->AudioDuration, 1500);
    EXPECT_EQ(test::fileContents(a->Filename), "jpeg bytes");
    EXPECT_EQ(test::fileContents(a->InfoFilename), "");
    EXPECT_EQ(test::fileContents(a->Thumbnail), "thumb");
    EXPECT_EQ(gProject.Item(2)->Filename, work("image2.bmp"));
    EXPECT_EQ(gProject.Item(2)->Thumbnail, work("image2T.jpg"));
    EXPECT_EQ(gImagesUsed, 2);
    EXPECT_TRUE(messages.requests().isEmpty());
}

TEST_F(ProjectTest, SnapshotTextAndVideoNames) {
    ASSERT_TRUE(gProject.Add(source(MediaSnapshot, env.write("src/Snapshot.jpg", "s"))));
    ASSERT_TRUE(gProject.Add(source(MediaText, env.write("src/text.txt", "t"))));
    ASSERT_TRUE(gProject.Add(source(MediaVideo, env.write("src/clip.AVI", "avi"))));
    ASSERT_TRUE(gProject.Add(source(MediaVideo, env.write("src/clip.rm", "rm"))));
    EXPECT_EQ(gProject.Item(1)->Filename, work("shot1.jpg"));
    EXPECT_EQ(gProject.Item(1)->InfoFilename, work("shot1.rp"));
    EXPECT_EQ(gProject.Item(1)->Thumbnail, work("shot1T.jpg"));
    EXPECT_EQ(gProject.Item(2)->Filename, work("text1.txt"));
    EXPECT_EQ(gProject.Item(2)->InfoFilename, work("text1.rt"));
    EXPECT_EQ(gProject.Item(2)->Thumbnail, work("text1T.jpg"));

    const MediaElement* avi = gProject.Item(3);
    EXPECT_EQ(avi->Filename, work("video1.avi"));
    EXPECT_EQ(avi->VideoType, VideoAvi);
    EXPECT_FALSE(avi->isEncoded());
    EXPECT_EQ(avi->InfoFilename, "");
    EXPECT_EQ(avi->Thumbnail, work("video1T.jpg"));
    const MediaElement* rm = gProject.Item(4);
    EXPECT_EQ(rm->Filename, work("video2.rm"));
    EXPECT_EQ(rm->VideoType, VideoRealMedia);
    EXPECT_EQ(rm->Thumbnail, work("video2T.jpg"));
}

TEST_F(ProjectTest, FailedImportLeavesNoHalfMadeSlideButKeepsTheCounter) {
    ASSERT_TRUE(gProject.Add(source(MediaVideo, env.write("src/a.avi", "a"))));
    EXPECT_FALSE(gProject.Add(source(MediaVideo, env.write("src/clip.mpg", "mpg"))));
    EXPECT_EQ(messages.numbers(), QList<int>{135});
    EXPECT_EQ(messages.requests()[0].title, "Velmora");
    EXPECT_EQ(gProject.count(), 1);
    EXPECT_EQ(gVideosUsed, 2);

    // A copy that fails after the main file was copied: no slide and no
    // stray files of it in the work folder.
    MediaSource noThumb = source(MediaImage, env.write("src/p.jpg", "p"));
    noThumb.Thumbnail = env.file("src/missing.jpg");
    EXPECT_FALSE(gProject.Add(noThumb));
    EXPECT_EQ(gProject.count(), 1);
    EXPECT_EQ(workFiles(), (QStringList{"video1.avi", "video1T.jpg"}));

    // A missing source file fails too, and the names move on.
    EXPECT_FALSE(gProject.Add(source(MediaVideo, env.file("src/gone.avi"))));
    ASSERT_TRUE(gProject.Add(source(MediaVideo, env.write("src/b.avi", "b"))));
    EXPECT_EQ(gProject.Item(2)->Filename, work("video4.avi"));
    EXPECT_EQ(messages.numbers(), (QList<int>{135, 135, 135}));
}

TEST_F(ProjectTest, CountersNeverGoBackAfterRemoval) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(gProject.Add(source(MediaImage, env.write("src/p.jpg", "p"))));
    }
    ASSERT_TRUE(gProject.Remove(3, true));
    ASSERT_TRUE(gProject.Add(source(MediaImage, env.write("src/p.jpg", "p"))));
    EXPECT_EQ(gProject.Item(3)->Filename, work("image4.jpg"));
}

TEST_F(ProjectTest, SoundCaptionsAttachReplaceAndRemove) {
    const QString first = env.write("src/Narration.WAV", "first");
    ASSERT_TRUE(gProject.Add(source(MediaImage, env.write("src/p.jpg", "p"), first)));
    MediaElement* r = gProject.Item(1);
    EXPECT_EQ(r->Sound, work("sound1.wav"));
    EXPECT_EQ(r->SoundType, SoundWave);
    EXPECT_EQ(gSoundsUsed, 1);

    // A second caption overwrites the first file under the same name.
    ASSERT_TRUE(r->UpdateSound(env.write("src/other.wav", "second")));
    EXPECT_EQ(r->Sound, work("sound1.wav"));
    EXPECT_EQ(test::fileContents(r->Sound), "second");
    EXPECT_EQ(gSoundsUsed, 1);

    // Removing deletes the file; the next one takes a new number.
    ASSERT_TRUE(r->UpdateSound(""));
    EXPECT_EQ(r->Sound, "");
    EXPECT_FALSE(QFile::exists(work("sound1.wav")));
    ASSERT_TRUE(r->UpdateSound(env.write("src/voice.RA", "ra")));
    EXPECT_EQ(r->Sound, work("sound2.RA"));  // upper-case ".RA" stays
    EXPECT_EQ(r->SoundType, SoundRealAudio);

    // Removing a caption that is not there is fine.
    MediaElement blank;
    EXPECT_TRUE(blank.UpdateSound(""));
}

TEST_F(ProjectTest, UnsupportedSoundFailsWith135AndKeepsTheCount) {
    MediaElement r;
    EXPECT_FALSE(r.UpdateSound(env.write("src/song.mp3", "x")));
    EXPECT_EQ(gSoundsUsed, 1);
    EXPECT_EQ(r.Sound, "");
    EXPECT_EQ(messages.numbers(), QList<int>{135});
    // An unusable sound fails the whole Add.
    EXPECT_FALSE(gProject.Add(
        source(MediaImage, env.write("src/p.jpg", "p"), env.write("src/bad.mp3", "x"))));
    EXPECT_EQ(gProject.count(), 0);
    // Any case of "wav" is a wave file.
    EXPECT_TRUE(r.UpdateSound(env.write("src/Mixed.Wav", "w")));
    EXPECT_EQ(r.Sound, work("sound3.wav"));
}

TEST_F(ProjectTest, OverwriteStoresEveryValueVerbatim) {
    ASSERT_TRUE(gProject.Add(source(MediaRaw, "")));
    const MediaElement* raw = gProject.Item(1);
    EXPECT_EQ(raw->mediaType, MediaRaw);
    EXPECT_EQ(raw->Filename, "");
    EXPECT_EQ(raw->Thumbnail, "");
    EXPECT_TRUE(workFiles().isEmpty());

    ASSERT_TRUE(gProject.Overwrite(1, MediaText, "/w/text1.txt", "/w/text1.rt", "/w/sound1.wav",
                                   "Cap", 4000, 2000, "/w/text1T.jpg", "Arial", 2, 24, 0x00FFFF00,
                                   0x00800000, SoundWave, VideoAvi, 5));
    const MediaElement* r = gProject.Item(1);
    EXPECT_EQ(r->mediaType, MediaText);
    EXPECT_EQ(r->Filename, "/w/text1.txt");
    EXPECT_EQ(r->InfoFilename, "/w/text1.rt");
    EXPECT_EQ(r->Sound, "/w/sound1.wav");
    EXPECT_EQ(r->Caption, "Cap");
    EXPECT_EQ(r->Duration, 4000);
    EXPECT_EQ(r->AudioDuration, 2000);
    EXPECT_EQ(r->Thumbnail, "/w/text1T.jpg");
    EXPECT_EQ(r->FontName, "Arial");
    EXPECT_EQ(r->Alignment, 2);
    EXPECT_EQ(r->PointSize, 24);
    EXPECT_EQ(r->ForeColor, 0x00FFFF00);
    EXPECT_EQ(r->BackColor, 0x00800000);
    EXPECT_EQ(r->Encoded(), -1);  // any non-zero value reads as true
    EXPECT_FALSE(
        gProject.Overwrite(2, MediaText, "", "", "", "", 0, 0, "", "", 0, 0, 0, 0, 0, 0, 0));
}

TEST_F(ProjectTest, RemoveKeepsOrDeletesTheFiles) {
    const QString sound = env.write("src/n.wav", "n");
    ASSERT_TRUE(gProject.Add(source(MediaImage, env.write("src/a.jpg", "a"), sound)));
    ASSERT_TRUE(gProject.Add(source(MediaImage, env.write("src/b.jpg", "b"), sound)));
    ASSERT_TRUE(gProject.Remove(1, false));
    EXPECT_EQ(gProject.count(), 1);
    EXPECT_TRUE(QFile::exists(work("image1.jpg")));
    EXPECT_TRUE(QFile::exists(work("sound1.wav")));

    ASSERT_TRUE(gProject.Remove(1, true));
    EXPECT_EQ(gProject.count(), 0);
    for (const char* gone : {"image2.jpg", "image2.rp", "image2T.jpg", "sound2.wav"}) {
        EXPECT_FALSE(QFile::exists(work(gone))) << gone;
    }
    EXPECT_FALSE(gProject.Remove(1, true));
}

TEST_F(ProjectTest, KeysFindSlidesAndPositionsStayContiguous) {
    ASSERT_TRUE(gProject.Add(source(MediaRaw, ""), "first"));
    ASSERT_TRUE(gProject.Add(source(MediaRaw, "")));
    ASSERT_TRUE(gProject.Add(source(MediaRaw, ""), "third"));
    gProject.Item(3)->Caption = "three";
    EXPECT_EQ(gProject.Item("third"), gProject.Item(3));
    ASSERT_TRUE(gProject.Remove("first", false));
    EXPECT_EQ(gProject.count(), 2);
    EXPECT_EQ(gProject.Item(2)->Caption, "three");
    EXPECT_EQ(gProject.Item("third"), gProject.Item(2));
    EXPECT_EQ(gProject.Item("first"), nullptr);
    EXPECT_EQ(gProject.Item(0), nullptr);
    EXPECT_EQ(gProject.Item(3), nullptr);
    EXPECT_EQ(gProject.Item(""), nullptr);

    QStringList captions;
    for (const auto& e : gProject) {
        captions << e->Caption;
    }
    EXPECT_EQ(captions, (QStringList{"A caption", "three"}));
}

TEST_F(ProjectTest, ModifyImportsAnewUnderNewNames) {
    ASSERT_TRUE(gProject.Add(source(MediaImage, env.write("src/a.jpg", "a"))));
    ASSERT_TRUE(gProject.Modify(1, source(MediaImage, env.write("src/b.gif", "b"))));
    EXPECT_EQ(gProject.count(), 1);
    EXPECT_EQ(gProject.Item(1)->Filename, work("image2.gif"));
    EXPECT_EQ(gProject.Item(1)->Thumbnail, work("image2T.jpg"));
    EXPECT_FALSE(gProject.Modify(5, source(MediaImage, env.write("src/b.gif", "b"))));
}

TEST_F(ProjectTest, UpdatesCopyOverTheNamedFileOnly) {
    ASSERT_TRUE(gProject.Add(source(MediaText, env.write("src/t.txt", "old text"))));
    MediaElement* r = gProject.Item(1);
    ASSERT_TRUE(r->UpdateTextFilename(env.write("src/new.txt", "new text")));
    ASSERT_TRUE(r->UpdateTextInfoFilename(env.write("src/new.rt", "<window/>")));
    ASSERT_TRUE(r->UpdateThumbNail(env.write("src/newT.jpg", "new thumb")));
    EXPECT_EQ(r->Filename, work("text1.txt"));
    EXPECT_EQ(test::fileContents(r->Filename), "new text");
    EXPECT_EQ(test::fileContents(r->InfoFilename), "<window/>");
    EXPECT_EQ(test::fileContents(r->Thumbnail), "new thumb");
    EXPECT_TRUE(messages.requests().isEmpty());

    EXPECT_FALSE(r->UpdateImage(env.file("src/missing.jpg")));
    EXPECT_EQ(test::fileContents(r->Filename), "new text");
    EXPECT_EQ(messages.numbers(), QList<int>{135});
}

TEST(ThumbnailName, DropsTheExtensionByKind) {
    EXPECT_EQ(thumbnailNameFor("/w/image3.jpg", ".jpg"), "/w/image3T.jpg");
    EXPECT_EQ(thumbnailNameFor("/w/video2.rm", ".rm"), "/w/video2T.jpg");
    EXPECT_EQ(thumbnailNameFor("/w/text1.txt", ""), "/w/text1T.jpg");
    EXPECT_EQ(thumbnailNameFor("/w/x.jpeg", ".jpeg"), "/w/xT.jpg");
}

}  // namespace
}  // namespace brindle
