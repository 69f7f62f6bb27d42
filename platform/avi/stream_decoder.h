// A decoder for one video stream that numbers the frames it puts out: the
// frame number is the frame's time stamp in the stream's time base, which
// in an AVI file is one unit per frame.
#pragma once

#include "platform/ffmpeg/handles.h"

#include <cstdint>
#include <functional>
#include <string>

namespace brindle::avi {

class StreamDecoder {
public:
    // Called with each decoded frame and its number; answers false to stop.
    using Sink = std::function<bool(AVFrame* frame, std::int64_t number)>;

    bool open(const AVStream* stream, std::string* why);
    bool isOpen() const { return m_codec != nullptr; }

    // Feeds one packet (nullptr drains the decoder) and hands every frame
    // that comes out to sink. Packets the decoder rejects are passed over,
    // as a player would; answers false only when the sink asked to stop.
    bool decode(const AVPacket* packet, const Sink& sink);

    // Forgets buffered frames, after a seek to frame nextNumber (and after
    // draining, before the decoder is used again).
    void reset(std::int64_t nextNumber);

private:
    ff::Codec m_codec;
    ff::Frame m_frame;
    std::int64_t m_next = 0;  // number for frames without a time stamp
};

}  // namespace brindle::avi
