// The editor's side of the encodes in a pass: what the encoders are told,
// how their answers and events end or stop the pass, the Encoded flags, and
// cancelling, with scripted encoders and with the real media encoder.
#include "app/media/progress_form.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "app/model/settings.h"
#include "app/present/encode_wait.h"
#include "app/present/pass_progress.h"
#include "app/present/picture_prep.h"
#include "app/present/smil_master.h"
#include "components/encoders/encoder_ids.h"
#include "components/imaging/image_control.h"
#include "tests/app/present/pass_fixture.h"
#include "tests/support/media_fixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace brindle::test {
namespace {

namespace q = encoders::quillon;
namespace t = encoders::tolvern;
using dispatch::DispResult;

DispResult answer(const QVariant& v) {
    return DispResult::value_of(v);
}

QVariantList error(int code) {
    return {code, QString("failed")};
}

class EncodingTest : public PassTest {
protected:
    void SetUp() override {
        PassTest::SetUp();
        audio.answers[q::AddSource] = [](const QVariantList&) { return answer(0); };
        audio.answers[q::Start] = [](const QVariantList&) { return answer(false); };
        audio.eventsAfter[q::Start] = {{encoders::EncodeComplete, {}}};
        // The media encoder writes its output and completes.
        media.answers[t::Start] = [this](const QVariantList&) {
            QFile out(media.lastPut(t::OutputFile).toString());
            out.open(QIODevice::WriteOnly);
            out.write(".RMF");
            return DispResult{};
        };
        media.eventsAfter[t::Start] = {{encoders::EncodeComplete, {}}};
        setPassEncoders(&audio, &media);
    }

    QVariantList addSourceArgs(int n) const { return audio.sourceArgs.at(n); }

    struct RecordingEncoder : FakeEncoder {
        std::vector<QVariantList> sourceArgs;
        DispResult call(int dispid, QVariantList args) override {
            if (dispid == q::AddSource) {
                sourceArgs.push_back(args);
            }
            return FakeEncoder::call(dispid, std::move(args));
        }
    };
    RecordingEncoder audio;
    FakeEncoder media;
};

TEST_F(EncodingTest, SoundTrackSettingsAndLevels) {
    gBackTrack = workFolder + "/back.wav";
    gBackTrackDuration = 9000;
    gSlideBalance = 0.8;
    gTargetAudience = 4;
    addSlide(MediaText, 2000, textFile(1), workFolder + "/caption1.wav", 1000);
    addSlide(MediaVideo, 3000, workFolder + "/video2.avi");

    riteSmilMasterFile(1, 2, false, true);

    EXPECT_EQ(audio.lastPut(q::BinFolder).toString(),
              QCoreApplication::applicationDirPath() + "/Bin");
    EXPECT_EQ(audio.lastPut(q::OutputFile).toString(), preview("audios.rm"));
    EXPECT_EQ(audio.lastPut(q::SampleRate).toInt(), 22050);
    EXPECT_EQ(audio.lastPut(q::BitsPerSample).toInt(), 16);
    EXPECT_EQ(audio.lastPut(q::Channels).toInt(), 1);
    EXPECT_EQ(audio.lastPut(q::DurationMs).toInt(), 9000);  // the longer background track
    EXPECT_EQ(audio.lastPut(q::TargetAudience).toInt(), 4);
    EXPECT_EQ(audio.lastPut(q::Mode).toInt(), 2);
    EXPECT_EQ(audio.calls(q::NewMix), 1);
    // Caption at 0, the clip's own sound at its start, both at the slide
    // balance; the background under them at the rest.
    ASSERT_EQ(audio.sourceArgs.size(), 3u);
    EXPECT_EQ(addSourceArgs(0), QVariantList({workFolder + "/caption1.wav", 0, 0.8, 0}));
    EXPECT_EQ(addSourceArgs(1), QVariantList({workFolder + "/video2.avi", 2000, 0.8, 0}));
    EXPECT_EQ(addSourceArgs(2)[0].toString(), gBackTrack);
    EXPECT_EQ(addSourceArgs(2)[1].toInt(), 0);
    EXPECT_NEAR(addSourceArgs(2)[2].toDouble(), 0.2, 1e-9);
    EXPECT_EQ(audio.calls(q::Start), 1);

    EXPECT_EQ(media.lastPut(t::InputFile).toString(), workFolder + "/video2.avi");
    EXPECT_EQ(media.lastPut(t::OutputFile).toString(), preview("video2.rm"));
    EXPECT_EQ(media.lastPut(t::Mode).toInt(), 2);
    EXPECT_EQ(media.lastPut(t::VideoCodec).toInt(), 2);
    EXPECT_EQ(media.lastPut(t::TargetAudience).toInt(), 4);
    EXPECT_TRUE(messages.numbers().isEmpty());
    EXPECT_TRUE(read("preView.smi").endsWith("</smil>\r\n"));
}

TEST_F(EncodingTest, BackgroundAloneIsMixedAtFullLevel) {
    gBackTrack = workFolder + "/back.wav";
    gBackTrackDuration = 1000;
    addSlide(MediaText, 2000, textFile(1));
    // A refused video sound is skipped without a word.
    audio.answers[q::AddSource] = [](const QVariantList& a) {
        return answer(a[0].toString().endsWith(".wav") ? 0 : encoders::RefusedNoAudio);
    };
    addSlide(MediaVideo, 2000, workFolder + "/video2.avi");
    riteSmilMasterFile(1, 2, false, true);
    ASSERT_EQ(audio.sourceArgs.size(), 2u);
    EXPECT_DOUBLE_EQ(addSourceArgs(1)[2].toDouble(), 1.0);
    EXPECT_TRUE(messages.numbers().isEmpty());
    EXPECT_TRUE(
        smilLines().contains("<audio id=\"audioTrack\" src=\"audios.rm\" region=\"avcaption\" />"));
}

TEST_F(EncodingTest, ARefusedBackgroundTrackIsReportedAndNothingIsEncoded) {
    gBackTrack = workFolder + "/back.wav";
    gBackTrackDuration = 1000;
    audio.answers[q::AddSource] = [](const QVariantList&) {
        return answer(encoders::RefusedUnreadable);
    };
    addSlide(MediaText, 2000, textFile(1));
    riteSmilMasterFile(1, 1, false, true);
    EXPECT_EQ(messages.numbers(), QList<int>{160});
    EXPECT_EQ(audio.calls(q::Start), 0);
    EXPECT_FALSE(smilLines().join("\n").contains("<audio"));
    EXPECT_FALSE(CancelRequested);
}

TEST_F(EncodingTest, OnlyTheFirstErrorCodeCountsAndThePassStops) {
    audio.eventsAfter[q::Start] = {{encoders::EncodeError, error(encoders::ErrorEncoder)},
                                   {encoders::EncodeError, error(encoders::ErrorInput)},
                                   {encoders::EncodeComplete, {}}};
    addSlide(MediaText, 2000, textFile(1), workFolder + "/caption1.wav", 1000);
    riteSmilMasterFile(1, 1, false, true);
    EXPECT_EQ(gEncodeError, encoders::ErrorEncoder);
    EXPECT_EQ(messages.numbers(), QList<int>{161});
    EXPECT_TRUE(CancelRequested);
    EXPECT_FALSE(read("preView.smi").contains("</smil>"));
    EXPECT_FALSE(QFileInfo::exists(preview("preView.htm")));
}

TEST_F(EncodingTest, ARefusedStartStopsThePassWithoutWaiting) {
    audio.answers[q::Start] = [](const QVariantList&) { return answer(true); };
    audio.eventsAfter.clear();
    addSlide(MediaText, 2000, textFile(1), workFolder + "/caption1.wav", 1000);
    riteSmilMasterFile(1, 1, false, true);
    EXPECT_EQ(messages.numbers(), QList<int>{161});
    EXPECT_TRUE(CancelRequested);
    EXPECT_FALSE(read("preView.smi").contains("</smil>"));
}

TEST_F(EncodingTest, EncodedClipsAreReusedWhileTheirFileIsThere) {
    MediaElement& clip = addSlide(MediaVideo, 2000, workFolder + "/video7.avi");
    riteSmilMasterFile(1, 1, false, true);
    EXPECT_EQ(media.calls(t::Start), 1);
    EXPECT_TRUE(clip.isEncoded());
    EXPECT_TRUE(
        smilLines().contains("<video begin=\"0s\" id=\"mainDisplay1\" src=\"video7.rm\" "
                             "region=\"videoregion\" fill=\"freeze\" />"));

    riteSmilMasterFile(1, 1, false, true);
    EXPECT_EQ(media.calls(t::Start), 1);

    // A project opened with its flags set starts with an empty preview
    // folder: the clip is encoded again rather than left missing.
    QFile::remove(preview("video7.rm"));
    riteSmilMasterFile(1, 1, false, true);
    EXPECT_EQ(media.calls(t::Start), 2);
    EXPECT_TRUE(QFileInfo::exists(preview("video7.rm")));
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(EncodingTest, AClipThatFailsStaysNotEncoded) {
    MediaElement& clip = addSlide(MediaVideo, 2000, workFolder + "/video7.avi");
    addSlide(MediaText, 2000, textFile(2));
    media.eventsAfter[t::Start] = {{encoders::EncodeError, error(encoders::ErrorInput)},
                                   {encoders::EncodeComplete, {}}};
    riteSmilMasterFile(1, 2, false, true);
    EXPECT_EQ(messages.numbers(), QList<int>{161});
    EXPECT_TRUE(CancelRequested);
    EXPECT_FALSE(clip.isEncoded());
    EXPECT_FALSE(read("preView.smi").contains("mainDisplay2"));

    // A media encoder that cannot start sends no events: no wait for them.
    messages.clear();
    media.answers[t::Start] = [](const QVariantList&) {
        return DispResult::error(dispatch::E_FAIL);
    };
    riteSmilMasterFile(1, 2, false, true);
    EXPECT_EQ(messages.numbers(), QList<int>{161});
    EXPECT_FALSE(clip.isEncoded());
}

progressForm* shownProgress() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* form = qobject_cast<progressForm*>(w); form && form->isVisible()) {
            return form;
        }
    }
    return nullptr;
}

TEST_F(EncodingTest, ProgressOfTheSoundMixFillsItsShareOfTheBar) {
    PassProgress progress(false);
    ASSERT_TRUE(progress.shown());
    progressForm* form = shownProgress();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Label1()->text(), LoadResString(54));
    EXPECT_EQ(form->masterProgress()->maximum(), 101);
    gProgressBase = 0;
    gProgressSpan = 75;
    handleEncoderEvent(true, encoders::EncodeProgress, {50});
    EXPECT_EQ(form->masterProgress()->value(), 38);
    // The media encoder's progress is not shown, nor any after a cancel.
    handleEncoderEvent(false, encoders::EncodeProgress, {100});
    CancelRequested = true;
    handleEncoderEvent(true, encoders::EncodeProgress, {100});
    EXPECT_EQ(form->masterProgress()->value(), 38);
    progress.close();
    EXPECT_FALSE(progress.shown());
    EXPECT_EQ(shownProgress(), nullptr);
}

// The real media encoder, cancelled while it encodes.
class CancelTest : public PassTest {};

TEST_F(CancelTest, CancelDuringAClipAbortsItAndTheNextPassEncodesIt) {
    EncoderLink* real = mediaEncoder();
    ASSERT_NE(real, nullptr);
    SpyEncoder spy(*real);
    spy.onEvent = [](int id, const QVariantList&) {
        if (id == encoders::EncodeProgress) {
            CancelRequested = true;
        }
    };
    setPassEncoders(nullptr, &spy);
    MediaElement& clip = addSlide(MediaVideo, 6000, aviClip(3, 6.0));
    addSlide(MediaText, 2000, textFile(4));

    riteSmilMasterFile(1, 2, false, true);
    EXPECT_EQ(spy.calls(t::Abort), 1);
    EXPECT_TRUE(messages.numbers().isEmpty());
    EXPECT_FALSE(clip.isEncoded());
    EXPECT_FALSE(QFileInfo::exists(preview("video3.rm")));  // the encoder drops a partial file
    EXPECT_FALSE(read("preView.smi").contains("mainDisplay4"));
    EXPECT_FALSE(read("preView.smi").contains("</smil>"));

    spy.onEvent = nullptr;
    riteSmilMasterFile(1, 2, false, true);
    EXPECT_FALSE(CancelRequested);
    EXPECT_EQ(spy.calls(t::Abort), 1);
    EXPECT_TRUE(clip.isEncoded());
    EXPECT_TRUE(presentationIsComplete(previewFolder));
}

// A window-less view that records the dimming and lends its Worker.
class RecordingView : public ProjectView {
public:
    void setCaption(const QString&) override {}
    void resetStrip() override {}
    void showFromFirstSlide() override {}
    void refreshStrip() override {}
    void dimTheWindow(bool dim) override { dims.push_back(dim); }
    QWidget* dialogParent() override { return nullptr; }
    ImageControl& worker() override { return m_worker; }
    dispatch::ControlHost* clipEditControl() override { return nullptr; }
    std::vector<bool> dims;

private:
    ImageControl m_worker;
};

TEST_F(CancelTest, CancelBetweenSlidesClosesTheFilesUnfinished) {
    RecordingView view;
    setProjectView(&view);
    addSlide(MediaImage, 2000, picture(1));
    addSlide(MediaSnapshot, 2000, picture(2));
    addSlide(MediaText, 2000, textFile(3));
    int prepared = 0;
    int barMaximum = 0;
    setPicturePrepareStep([&](const QString& src, const QString& out, QSize box, int quality) {
        const bool ok = preparePictureWithImageControl(view.worker(), src, out, box, quality);
        if (++prepared == 2) {
            progressForm* form = shownProgress();
            if (form) {
                barMaximum = form->masterProgress()->maximum();
                form->Cancel()->click();
            }
        }
        return ok;
    });

    riteSmilMasterFile(1, 3, false, false);
    setPicturePrepareStep({});
    setProjectView(nullptr);

    EXPECT_TRUE(CancelRequested);
    EXPECT_EQ(barMaximum, 101);
    EXPECT_EQ(shownProgress(), nullptr);
    EXPECT_EQ(view.dims, std::vector<bool>{false});
    EXPECT_TRUE(view.worker().hasImage());  // the pictures went through the editor's Worker
    // Everything written so far is on disk, without the closing tags.
    EXPECT_TRUE(read("preView.smi")
                    .endsWith("<ref id=\"images\" src=\"allpix.rp\" region=\"imageregion\" "
                              "fill=\"freeze\" />\r\n"));
    EXPECT_TRUE(
        read("allpix.rp").endsWith("<fadein start=\"2\" duration=\"2\" target=\"2\"/>\r\n"));
    EXPECT_TRUE(
        read("captions.rt").endsWith("<time begin=\"2\"/><clear/><center><b> </b></center>\r\n"));
    EXPECT_TRUE(QFileInfo::exists(preview("pix2.jpg")));
    EXPECT_FALSE(QFileInfo::exists(preview("maintext3.rt")));
    for (const char* page : {"preView.htm", "preView.rpm", "preView.ram"}) {
        EXPECT_FALSE(QFileInfo::exists(preview(page))) << page;
    }
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(CancelTest, APassClearsACancelLeftFromBefore) {
    addSlide(MediaText, 2000, textFile(1));
    CancelRequested = true;
    riteSmilMasterFile(1, 1, false, true);
    EXPECT_FALSE(CancelRequested);
    EXPECT_TRUE(read("preView.smi").endsWith("</smil>\r\n"));
}

}  // namespace
}  // namespace brindle::test
