#include "components/mediaplayer/media_length.h"

#include "components/mediaplayer/decoding.h"
#include "platform/ffmpeg/handles.h"

#include <algorithm>

namespace brindle {

std::int64_t mediaLengthMs(const QString& path) {
    ff::Input in = ff::openInput(path.toUtf8().constData());
    if (!in) {
        return 0;
    }
    std::int64_t lengthMs = 0;
    bool anyMedia = false;
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        const AVStream* st = in->streams[i];
        const AVMediaType type = st->codecpar->codec_type;
        if (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO) {
            continue;
        }
        if (type == AVMEDIA_TYPE_VIDEO && (st->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            continue;
        }
        anyMedia = true;
        if (type == AVMEDIA_TYPE_AUDIO && !hasUsableTimestamps(st)) {
            lengthMs = std::max(lengthMs, countedAudioLengthMs(path, static_cast<int>(i)));
        } else {
            lengthMs = std::max(lengthMs, streamLengthMs(in.get(), st));
        }
    }
    return anyMedia ? lengthMs : 0;
}

}  // namespace brindle
