// The sound of one media file (a wave file, RealAudio or RealMedia, the
// sound track of an AVI clip), decoded and resampled to the mix's rate and
// channel count as interleaved floats. Samples follow one another from the
// first decoded one; packet timestamps are not trusted, since RealAudio 1.0
// files carry none.
#pragma once

#include "platform/ffmpeg/decoder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brindle::encoders {

class SoundSource {
public:
    SoundSource() = default;
    SoundSource(const SoundSource&) = delete;
    SoundSource& operator=(const SoundSource&) = delete;
    ~SoundSource() { av_channel_layout_uninit(&m_inLayout); }

    // Opens the file and decodes its first sound frame. 0 when it can be
    // mixed, else RefusedUnreadable or RefusedNoAudio, with a reason.
    int open(const std::string& path, std::string* why);

    // The format read() delivers; call once after open().
    bool setOutput(int rate, int channels, std::string* why);

    // Up to `frames` frames of interleaved samples; fewer only at the end
    // of the sound (0 once it is over).
    int read(float* out, int frames);

    // True when packets could not be decoded and were left out.
    bool damaged() const { return m_damaged || m_read.damaged; }

private:
    bool decodeMore();  // false at the end
    bool nextFrame();   // the next decoded frame in m_frame; false at the end
    bool appendConverted(const AVFrame* frame);
    bool sameFormat(const AVFrame& frame) const;

    ff::Input m_in;
    ff::Codec m_dec;
    ff::Swr m_swr;
    ff::Frame m_frame;
    ff::Packet m_packet;
    int m_stream = -1;
    int m_inFormat = -1;  // what the converter was made for
    int m_inRate = 0;
    AVChannelLayout m_inLayout{};
    int m_outRate = 0;
    int m_outChannels = 0;
    bool m_haveFrame = false;  // m_frame holds a decoded frame not yet converted
    bool m_finished = false;
    bool m_damaged = false;  // samples that could not be converted
    ff::ReadState m_read;
    std::vector<float> m_buffer;  // converted samples not yet read
    std::size_t m_readPos = 0;
};

}  // namespace brindle::encoders
