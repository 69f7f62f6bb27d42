// Sequential sound reading: one audio stream of a file decoded and resampled
// to interleaved float samples at the rate and channel count asked for.
#pragma once

#include "platform/ffmpeg/decoder.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace brindle {

class AudioDecoder {
public:
    // Opens the file's first audio stream; rate or channels 0 keep the
    // stream's own. False when the file has no audio stream that decodes.
    bool open(const QString& path, int rate = 0, int channels = 0);
    bool isOpen() const { return m_dec != nullptr; }

    int rate() const { return m_rate; }
    int channels() const { return m_channels; }

    // Fills up to `frames` sample frames (frames × channels floats); answers
    // how many were written, fewer only at the end of the stream.
    int read(float* out, int frames);

    // Moves to a time in milliseconds from the start of the stream. Streams
    // without usable timestamps are read again from the start and the samples
    // before the time are skipped.
    bool seek(std::int64_t ms);

private:
    bool openStream();
    bool decodeMore();
    void convert(const AVFrame* frame);

    QString m_path;
    int m_rate = 0;
    int m_channels = 0;
    int m_stream = -1;
    bool m_timestamps = true;
    ff::ReadState m_read;
    std::int64_t m_skipFrames = 0;     // output frames still to drop after a seek
    std::int64_t m_seekTargetMs = -1;  // set until the first frame after a seek
    ff::Input m_in;
    ff::Codec m_dec;
    ff::Swr m_swr;
    ff::Packet m_packet;
    ff::Frame m_frame;
    std::vector<float> m_pending;
    std::size_t m_pendingPos = 0;
};

}  // namespace brindle
