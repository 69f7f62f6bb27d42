#include "platform/avi/video_frames.h"

#include "platform/ffmpeg/handles.h"

#include <algorithm>

namespace brindle::avi {
namespace {

bool intraOnly(const AVCodecParameters* par) {
    const AVCodecDescriptor* d = avcodec_descriptor_get(par->codec_id);
    return d && (d->props & AV_CODEC_PROP_INTRA_ONLY);
}

}  // namespace

VideoFrames VideoFrames::read(AVFormatContext* input, int streamIndex) {
    VideoFrames table;
    AVStream* st = input->streams[streamIndex];
    const bool allKeys = intraOnly(st->codecpar);
    std::int64_t lastTs = -1;
    const int entries = avformat_index_get_entries_count(st);
    if (entries > 0) {
        table.m_keys.reserve(allKeys ? entries : entries / 8 + 1);
        for (int i = 0; i < entries; ++i) {
            const AVIndexEntry* e = avformat_index_get_entry(st, i);
            if (!e || e->timestamp < 0) {
                continue;
            }
            if (allKeys || (e->flags & AVINDEX_KEYFRAME)) {
                table.m_keys.push_back(e->timestamp);
            }
            lastTs = std::max(lastTs, e->timestamp);
        }
    } else {
        // No index: walk the packets once, then go back to the start.
        ff::Packet pkt = ff::makePacket();
        std::int64_t counter = 0;
        while (av_read_frame(input, pkt.get()) >= 0) {
            if (pkt->stream_index == streamIndex) {
                const std::int64_t ts = pkt->dts != AV_NOPTS_VALUE ? pkt->dts : counter;
                if (allKeys || (pkt->flags & AV_PKT_FLAG_KEY)) {
                    table.m_keys.push_back(ts);
                }
                lastTs = std::max(lastTs, ts);
                counter = ts + 1;
            }
            av_packet_unref(pkt.get());
        }
        av_seek_frame(input, streamIndex, 0, AVSEEK_FLAG_BACKWARD);
    }
    std::sort(table.m_keys.begin(), table.m_keys.end());
    table.m_keys.erase(std::unique(table.m_keys.begin(), table.m_keys.end()), table.m_keys.end());
    table.m_count = lastTs + 1;
    return table;
}

bool VideoFrames::isKey(std::int64_t frame) const {
    return std::binary_search(m_keys.begin(), m_keys.end(), frame);
}

std::int64_t VideoFrames::keyAtOrBefore(std::int64_t frame) const {
    auto it = std::upper_bound(m_keys.begin(), m_keys.end(), frame);
    return it == m_keys.begin() ? 0 : *(it - 1);
}

std::int64_t VideoFrames::keyAfter(std::int64_t frame, std::int64_t limit) const {
    auto it = std::upper_bound(m_keys.begin(), m_keys.end(), frame);
    return it != m_keys.end() && *it <= limit ? *it : -1;
}

}  // namespace brindle::avi
