// One sound stream of a RealMedia file: samples in any rate, format and
// channel count are converted (libswresample) to what the codec takes,
// cut into the codec's frames and encoded.
#pragma once

#include "components/encoders/audience.h"
#include "components/encoders/failure.h"
#include "components/encoders/rm_writer.h"
#include "platform/ffmpeg/handles.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

#include <cstdint>
#include <memory>

namespace brindle::encoders {

struct SoundFormat {
    int rate = 0;
    AVSampleFormat format = AV_SAMPLE_FMT_NONE;
    int channels = 0;
};

class SoundEncoder {
public:
    SoundEncoder() = default;
    SoundEncoder(const SoundEncoder&) = delete;
    SoundEncoder& operator=(const SoundEncoder&) = delete;
    ~SoundEncoder();

    // Opens the codec for input in the given format and adds its stream to
    // the writer (before the writer's header). The codec's own format:
    // real_144 8000 Hz mono; AC-3 at the lowest of 32000/44100/48000 Hz that
    // is not below the input's rate, mono or stereo.
    bool open(SoundCodec codec, int bitRate, const SoundFormat& input, RmWriter& out, Failure* why);

    // Encodes frames of input, one data pointer per plane (one for packed
    // formats).
    bool push(const std::uint8_t* const* data, int frames, Failure* why);

    // Encodes what is left (the last frame padded with silence where the
    // codec needs whole frames) and drains the encoder.
    bool finish(Failure* why);

    const AVCodecContext* codec() const { return m_enc.get(); }

private:
    struct FifoDeleter {
        void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
    };

    bool convert(const std::uint8_t* const* data, int frames, Failure* why);
    bool encodeFrames(bool flush, Failure* why);

    ff::Codec m_enc;
    ff::Swr m_swr;
    std::unique_ptr<AVAudioFifo, FifoDeleter> m_fifo;
    ff::Frame m_frame;
    RmWriter* m_out = nullptr;
    int m_stream = -1;
    std::int64_t m_pts = 0;
    std::uint8_t** m_scratch = nullptr;  // converted samples before the fifo
    int m_scratchFrames = 0;
};

}  // namespace brindle::encoders
