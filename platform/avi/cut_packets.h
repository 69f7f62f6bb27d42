// The two packet sources of a cut: the video side (packets copied from a
// key frame on, and frames encoded again where the range starts inside a
// group) and the sound side (the samples that play during the kept
// frames). Each reads the source file through an input of its own, so
// neither has to hold the other's packets.
#pragma once

#include "platform/avi/avi_cut.h"
#include "platform/avi/avi_input.h"
#include "platform/avi/frame_encoder.h"
#include "platform/avi/stream_decoder.h"
#include "platform/avi/video_frames.h"
#include "platform/ffmpeg/handles.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace brindle::avi {

class VideoPackets {
public:
    // Takes an input opened by openAviPackets and its video stream.
    VideoPackets(ff::Input input, int streamIndex);

    AVStream* stream() const { return m_input->streams[m_index]; }
    const VideoFrames& frames() const { return m_frames; }

    // Encodes the leading frames of a plan ahead of writing, reporting the
    // share done (0..100); false to abort. Answers Ok, Aborted or
    // CannotEncode.
    CutStatus encodeLeading(const CutPlan& plan, const std::function<bool(int)>& progress,
                            std::string* why);

    // Gets ready to hand out the plan's packets (after encodeLeading, when
    // the plan has a leading pass).
    bool start(const CutPlan& plan, std::string* why);

    // The next video packet of the cut, numbered from 0 in the stream's time
    // base: 1 with a packet, 0 at the end, negative on failure.
    int next(AVPacket* out, std::string* why);

    std::int64_t encodedFrames() const { return m_encoded; }
    std::int64_t copiedFrames() const { return m_copied; }

private:
    bool seekTo(std::int64_t frame);
    // Reads the next packet of the video stream; false at the end.
    bool readVideo(AVPacket* pkt);
    // Decodes a packet (nullptr drains) and encodes the frames in
    // [plan.first, m_encodeEnd) into the queue.
    bool feed(const AVPacket* pkt, std::string* why);
    bool finishEncoding(std::string* why);

    ff::Input m_input;
    int m_index;
    VideoFrames m_frames;
    CutPlan m_plan;
    StreamDecoder m_decoder;
    FrameEncoder m_encoder;
    bool m_encoderOpen = false;
    bool m_encodeFailed = false;
    std::string m_encodeError;
    std::int64_t m_encodeEnd = 0;  // frames below this are encoded
    std::int64_t m_counter = 0;    // number of a packet without a time stamp
    std::deque<ff::Packet> m_queue;
    ff::Packet m_pending;  // the first packet to copy, read while encoding
    bool m_readDone = false;
    std::int64_t m_encoded = 0;
    std::int64_t m_copied = 0;
};

class AudioPackets {
public:
    // The samples [fromSample, toSample) of the input's stream streamIndex.
    AudioPackets(ff::Input input, int streamIndex, std::int64_t fromSample, std::int64_t toSample);

    AVStream* stream() const { return m_input->streams[m_index]; }
    // Samples per second, the unit of the time stamps next() hands out.
    int sampleRate() const { return stream()->codecpar->sample_rate; }

    // The next sound packet, time stamps in samples from the cut's start:
    // 1 with a packet, 0 at the end.
    int next(AVPacket* out);

    std::int64_t copied() const { return m_copied; }

private:
    ff::Input m_input;
    int m_index;
    std::int64_t m_from;
    std::int64_t m_to;
    bool m_pcm;
    int m_blockAlign;
    std::int64_t m_nextStart = 0;  // for packets without a time stamp
    std::int64_t m_lastOut = -1;
    bool m_done = false;
    std::int64_t m_copied = 0;
};

// Where the sound of a stream ends, in samples, from its index; -1 when
// the index does not say.
std::int64_t audioEndSample(AVStream* stream);

}  // namespace brindle::avi
