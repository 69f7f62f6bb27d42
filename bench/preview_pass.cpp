// bench-preview-pass: the whole preview pass of a 40-slide project made from
// the benchmark corpus (34 pictures, 6 clips, 10 narrations, the background
// track), once cold (no clip encoded yet) and once warm (the clips' Encoded
// flags set by the cold pass), as the Preview command runs it: with the
// progress window (offscreen) and its pause before each slide.
//
// The picture preparation is timed inside the pass through its picture
// step. The sound mix and the clip encodes are timed by calling the pass's
// own encode steps on the same slides just before the pass; the pause (and
// the small file writes beside it) is what remains of the pass's time.
//
// Also writes WORK/plan.txt, the same work for the ffmpeg reference in
// preview_pass.sh: "picture SRC", "clip SRC STARTMS", "narration SRC
// STARTMS", "background SRC", "total MS", "videobitrate B", "sound CODEC
// RATE BITRATE", "gop N", "q QMIN QMAX".
//
// With OUT.mp4, also times File > Export Video's work after the warm pass
// (the pass again, clips already encoded, then the render into OUT.mp4 by
// the player program) and adds "slide KIND SRC MS" lines to the plan.
//
//   bench-preview-pass CORPUS WORK [OUT.mp4]
#include "app/model/folders.h"
#include "app/model/progress.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "app/present/media_encoding.h"
#include "app/present/pass_progress.h"
#include "app/present/picture_prep.h"
#include "app/present/slide_timing.h"
#include "app/present/smil_master.h"
#include "app/present/video_export.h"
#include "components/encoders/audience.h"
#include "components/encoders/clip_encode.h"
#include "components/imaging/image_control.h"
#include "platform/ffmpeg/handles.h"
#include "platform/messages.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {

using namespace brindle;

std::int32_t lengthMs(const QString& path) {
    ff::Input in = ff::openInput(QFile::encodeName(path).constData());
    return in && in->duration > 0 ? static_cast<std::int32_t>(in->duration / 1000) : 0;
}

double seconds(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e9;
}

struct PassFigures {
    double total = 0;
    double pictures = 0;
};

double gPictureSeconds = 0;

PassFigures timedPass() {
    gPictureSeconds = 0;
    CancelRequested = false;
    QElapsedTimer t;
    t.start();
    riteSmilMasterFile(1, gProject.count(), false, false);
    PassFigures f{seconds(t), gPictureSeconds};
    if (CancelRequested) {
        std::fprintf(stderr, "the pass was cancelled (encode error %d)\n", gEncodeError);
        std::exit(1);
    }
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: bench-preview-pass CORPUS WORK [OUT.mp4]\n");
        return 2;
    }
    const QString corpus = QString::fromLocal8Bit(argv[1]);
    const QString work = QString::fromLocal8Bit(argv[2]);
    // The program's folders and settings store inside the scratch folder.
    qputenv("HOME", QFile::encodeName(work + "/home"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(work + "/config"));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(work + "/cache"));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    gAppTitle = LoadResString(str::AppTitle);
    StderrMessageSink messages;
    setMessageSink(&messages);
    gSettingsKey = LoadResString(str::SettingsKey);
    readSettings();
    computeFolders();
    createFolders();
    resetCounters();

    // The project: a clip at slides 4, 11, ... 39, pictures elsewhere, a
    // narration on every third picture.
    QStringList pictures;
    for (int i = 1; i <= 40; ++i) {
        if (i <= 27 || i >= 34) {
            const QStringList found = QDir(corpus).entryList({QString::asprintf("p%02d*", i)});
            if (!found.isEmpty()) {
                pictures << corpus + "/" + found.first();
            }
        }
    }
    const QStringList clips{"c1-mpeg4-60s.avi", "c2-mjpeg-40s.avi", "c3-mpeg4-45s.avi",
                            "c4-mjpeg-30s.avi", "c5-mpeg4-25s.avi", "c6-raw-20s.avi"};
    if (pictures.size() != 34) {
        std::fprintf(stderr, "the corpus has %lld of the 34 pictures\n",
                     static_cast<long long>(pictures.size()));
        return 1;
    }
    QFile planFile(work + "/plan.txt");
    if (!planFile.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return 1;
    }
    QTextStream plan(&planFile);
    int picture = 0, clip = 0, narration = 0;
    std::int32_t start = 0;
    for (int i = 1; i <= 40; ++i) {
        MediaSource s;
        if (i % 7 == 4) {
            s.mediaType = MediaVideo;
            s.Filename = corpus + "/" + clips[clip++];
            s.Thumbnail = pictures.first();
            s.Duration = lengthMs(s.Filename);
            plan << "clip " << s.Filename << " " << start << "\n";
        } else {
            s.mediaType = MediaImage;
            s.Filename = pictures[picture];
            s.Thumbnail = s.Filename;
            s.Duration = gDefaultSlideDuration;
            plan << "picture " << s.Filename << "\n";
            if (picture % 3 == 0 && narration < 10) {
                s.Sound = corpus + QString::asprintf("/n%02d.wav", ++narration);
                s.AudioDuration = lengthMs(s.Sound);
                plan << "narration " << s.Sound << " " << start << "\n";
            }
            ++picture;
        }
        s.Caption = QString("Slide %1 on the harbour").arg(i);
        if (!gProject.Add(s)) {
            std::fprintf(stderr, "cannot add slide %d\n", i);
            return 1;
        }
        const std::int32_t duration = calculateSlideDuration(static_cast<std::int16_t>(i)).toInt();
        plan << "slide " << (s.mediaType == MediaVideo ? "clip " : "picture ") << s.Filename << " "
             << duration << "\n";
        start += duration;
    }
    ++gSoundsUsed;
    gBackTrack = gWorkFolder + QString::asprintf("/sound%d.wav", gSoundsUsed);
    QFile::copy(corpus + "/background.wav", gBackTrack);
    gBackTrackType = SoundWave;
    gBackTrackDuration = lengthMs(gBackTrack);
    const std::int32_t totalMs = presentationTotalMs(1, gProject.count());
    const encoders::Audience audience = encoders::audienceFor(gTargetAudience);
    const encoders::VideoTuning tuning = encoders::tuningFor(gVideoQuality);
    plan << "background " << corpus << "/background.wav\n"
         << "total " << totalMs << "\n"
         << "videobitrate " << audience.videoBitRate << "\n"
         << "sound "
         << (audience.sound == encoders::SoundCodec::Real144 ? "real_144 8000 " : "ac3 32000 ")
         << audience.soundBitRate << "\n"
         << "gop " << int(tuning.keyFrameSeconds * 15) << "\n"
         << "q " << tuning.qmin << " " << tuning.qmax << "\n";
    planFile.close();

    // Pictures are prepared by the pass's own step (with the next slides'
    // pictures made ahead on every core), timed around it: the time the
    // pass spends on them.
    setPicturePrepareStep([](const QString& source, const QString& output, QSize box, int quality) {
        QElapsedTimer t;
        t.start();
        const bool ok = preparePictureBuiltIn(source, output, box, quality);
        gPictureSeconds += seconds(t);
        return ok;
    });

    // The encode steps on their own, cold.
    QElapsedTimer t;
    double audio = 0, video = 0;
    {
        PassProgress silent(true);
        CancelRequested = false;
        t.start();
        encodeAudioTrack(1, gProject.count(), totalMs, work + "/mix.rm", silent);
        audio = seconds(t);
        t.start();
        int n = 0;
        for (const auto& slide : gProject) {
            if (slide->mediaType == MediaVideo) {
                encodeVideoClip(*slide, work + QString("/clip%1.rm").arg(++n), silent);
                slide->setEncoded(0);
            }
        }
        video = seconds(t);
        if (CancelRequested) {
            std::fprintf(stderr, "an encode failed (%d)\n", gEncodeError);
            return 1;
        }
    }

    const PassFigures cold = timedPass();
    const PassFigures warm = timedPass();
    double warmVideo = 0;
    {
        PassProgress silent(true);
        t.start();
        for (int i = 1; i <= gProject.count(); ++i) {
            MediaElement* slide = gProject.Item(i);
            if (slide->mediaType == MediaVideo && slide->isEncoded()) {
                // As the pass finds it: encoded, its file in the preview folder.
                const QString name = slide->Filename.mid(slide->Filename.lastIndexOf('/') + 1);
                encodeVideoClip(*slide, gPreviewFolder + "/" + name.chopped(4) + ".rm", silent);
            }
        }
        warmVideo = seconds(t);
    }

    std::printf(
        "40 slides (%d s of presentation): %d pictures, %d clips, %d narrations, "
        "background track\n",
        totalMs / 1000, picture, clip, narration);
    std::printf("%-36s %8s %8s\n", "seconds", "cold", "warm");
    std::printf("%-36s %8.2f %8.2f\n", "whole preview pass", cold.total, warm.total);
    std::printf("%-36s %8.2f %8.2f\n", "  picture preparation (in the pass)", cold.pictures,
                warm.pictures);
    std::printf("%-36s %8.2f %8.2f\n", "  sound mix (the pass's step)", audio, audio);
    std::printf("%-36s %8.2f %8.2f\n", "  clip encodes (the pass's step)", video, warmVideo);
    std::printf("%-36s %8.2f %8.2f\n", "  slide pauses and file writes",
                cold.total - cold.pictures - audio - video,
                warm.total - warm.pictures - audio - warmVideo);
    if (argc == 4) {
        t.start();
        const ExportOutcome exported = exportVideo({QString::fromLocal8Bit(argv[3]), {}, false});
        const double exportSeconds = seconds(t);
        if (exported != ExportOutcome::Done) {
            std::fprintf(stderr, "the export did not complete\n");
            return 1;
        }
        std::printf("%-36s %8s %8.2f\n", "Export Video (warm pass + render)", "-", exportSeconds);
        std::printf("EXPORT %.3f\n", exportSeconds);
    }
    std::printf("RESULT %.3f %.3f %.3f %.3f %.3f %.3f\n", cold.total, warm.total, cold.pictures,
                audio, video, warm.pictures);
    return 0;
}
