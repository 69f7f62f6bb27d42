// One video slide's AVI clip encoded into "video" + n + ".rm".
#include "app/model/media_element.h"
#include "app/model/progress.h"
#include "app/model/settings.h"
#include "app/present/encode_wait.h"
#include "app/present/encoder_link.h"
#include "app/present/media_encoding.h"
#include "app/present/pass_progress.h"
#include "app/present/smil_master.h"
#include "components/encoders/encoder_ids.h"
#include "platform/messages.h"

#include <QFileInfo>

namespace brindle {

namespace {
namespace t = encoders::tolvern;
}  // namespace

void encodeVideoClip(MediaElement& slide, const QString& output, PassProgress& progress) {
    // An earlier pass encoded it; its file is reused as long as it is there
    // (an opened project keeps the flag but starts with an empty preview
    // folder).
    if (slide.isEncoded() && QFileInfo(output).isFile()) {
        return;
    }
    progress.refresh();
    EncoderLink* encoder = mediaEncoder();
    bool started = false;
    if (encoder) {
        listenToEncoder(*encoder, false);
        encoder->put(t::InputFile, slide.Filename);
        encoder->put(t::OutputFile, output);
        encoder->put(t::Mode, static_cast<int>(encoders::MediaModeVideoOnly));
        encoder->put(t::BinFolder, encoderBinFolder());
        encoder->put(t::TargetAudience, gTargetAudience);
        encoder->put(t::VideoCodec, 2);
        encoder->put(t::VideoQuality, gVideoQuality);
        EncodeDone = false;
        gEncodeError = 0;
        started = encoder->call(t::Start).ok();
    }
    if (!started) {
        // No encoder, or one that refuses to start: no EncodeComplete will
        // come, so the pass must not wait for it.
        MsgBox(str::EncodeFailed);
        CancelRequested = true;
        return;
    }
    waitForEncode(*encoder, t::Abort);
    if (gEncodeError != 0) {
        CancelRequested = true;
        MsgBox(str::EncodeFailed);
    } else if (!CancelRequested) {
        slide.setEncoded(-1);
    }
    progress.refresh();
}

}  // namespace brindle
