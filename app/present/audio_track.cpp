// The sound track "audios.rm": the slides' own sounds (a video's sound
// track, an audio caption) at each slide's start, under them the
// background track from 0.
#include "app/model/progress.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "app/present/encode_wait.h"
#include "app/present/encoder_link.h"
#include "app/present/media_encoding.h"
#include "app/present/pass_progress.h"
#include "app/present/slide_timing.h"
#include "app/present/smil_master.h"
#include "components/encoders/encoder_ids.h"
#include "platform/messages.h"

#include <QCoreApplication>

namespace brindle {

namespace {

namespace q = encoders::quillon;

bool feed(EncoderLink* encoder, const QString& file, std::int32_t startMs, double level) {
    if (!encoder) {
        return false;
    }
    const dispatch::DispResult r = encoder->call(q::AddSource, {file, startMs, level, 0});
    return r.ok() && r.value.isValid() && r.value.toInt() == 0;
}

}  // namespace

QString encoderBinFolder() {
    return QCoreApplication::applicationDirPath() + "/Bin";
}

bool encodeAudioTrack(int first, int last, std::int32_t totalMs, const QString& output,
                      PassProgress& progress) {
    gProgressBase = 0;
    gProgressSpan = kAudioProgressShare;

    EncoderLink* encoder = audioEncoder();
    if (encoder) {
        listenToEncoder(*encoder, true);
        encoder->put(q::BinFolder, encoderBinFolder());
        encoder->put(q::OutputFile, output);
        encoder->put(q::SampleRate, 22050);
        encoder->put(q::BitsPerSample, 16);
        encoder->put(q::Channels, 1);
        encoder->put(q::DurationMs, totalMs);
        encoder->put(q::TargetAudience, gTargetAudience);
        encoder->put(q::Mode, static_cast<int>(encoders::AudioModeByAudience));
        encoder->call(q::NewMix);
    }

    const bool background = !gBackTrack.isEmpty();
    const double slideLevel = background ? gSlideBalance : 1.0;
    bool hasAudio = false;
    std::int32_t start = 0;
    for (int i = first; i <= last; ++i) {
        const MediaElement* slide = gProject.Item(i);
        if (slide) {
            // A clip without a usable sound track is simply silent.
            if (slide->mediaType == MediaVideo &&
                feed(encoder, slide->Filename, start, slideLevel)) {
                hasAudio = true;
            }
            if (!slide->Sound.isEmpty()) {
                if (feed(encoder, slide->Sound, start, slideLevel)) {
                    hasAudio = true;
                } else {
                    MsgBox(str::CannotEncodeSource);
                }
            }
        }
        start += calculateSlideDuration(static_cast<std::int16_t>(i)).toInt();
    }
    if (background) {
        const double level = hasAudio ? 1.0 - slideLevel : 1.0;
        if (feed(encoder, gBackTrack, 0, level)) {
            hasAudio = true;
        } else {
            MsgBox(str::CannotEncodeSource);
        }
    }

    if (hasAudio) {
        gEncodeError = 0;
        EncodeDone = false;
        const dispatch::DispResult started = encoder->call(q::Start);
        if (!started.ok() || started.value.toBool()) {
            MsgBox(str::EncodeFailed);
            EncodeDone = true;
            CancelRequested = true;
        }
        waitForEncode(*encoder, q::Abort);
        if (!CancelRequested && gEncodeError != 0) {
            CancelRequested = true;
            MsgBox(str::EncodeFailed);
        }
    }
    gProgressBase = kAudioProgressShare;
    progress.setValue(gProgressBase);
    return hasAudio;
}

}  // namespace brindle
