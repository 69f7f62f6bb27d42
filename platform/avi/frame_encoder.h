// Encodes the frames of a cut that cannot be copied, with the codec of the
// stream they come from: a key frame every 15 frames, the best quality the
// codec offers, and no reordering of frames (an AVI file keeps no
// presentation times). The first frame is always a key frame.
#pragma once

#include "platform/ffmpeg/handles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brindle::avi {

class FrameEncoder {
public:
    // Sets up an encoder for the stream's codec at the size and picture
    // format of `sample` (a decoded frame of that stream).
    bool open(const AVCodecParameters* source, AVRational timeBase, const AVFrame* sample,
              std::string* why);

    // Encodes frame as output frame `number`; the packets that come out are
    // appended to out, their time stamps in the time base given to open().
    bool encode(const AVFrame* frame, std::int64_t number, std::vector<ff::Packet>* out);

    // Hands out what the encoder still holds.
    bool flush(std::vector<ff::Packet>* out);

private:
    // Sends frame (nullptr: the end) and collects what comes out.
    bool collect(const AVFrame* frame, std::vector<ff::Packet>* out);

    ff::Codec m_codec;
    ff::Sws m_sws;
    ff::Frame m_work;
    ff::Packet m_packet;  // scratch for the encoder's output
    bool m_first = true;
};

}  // namespace brindle::avi
