// A RealMedia file being written through libavformat's "rm" muxer. Streams
// are added from their open encoders, then the header is written, then the
// packets. A file that is not finished is removed, so an aborted or failed
// encode leaves nothing behind.
#pragma once

#include "components/encoders/failure.h"
#include "platform/ffmpeg.h"

#include <string>

namespace brindle::encoders {

// The muxer refuses packets over 64 KB; this margin keeps clear of it.
inline constexpr int kMaxRealMediaPacket = 65000;

class RmWriter {
public:
    RmWriter() = default;
    RmWriter(const RmWriter&) = delete;
    RmWriter& operator=(const RmWriter&) = delete;
    ~RmWriter();

    // Creates or truncates the file.
    bool open(const std::string& path, Failure* why);

    // A stream for the encoder's packets; answers its index, -1 on failure.
    int addStream(const AVCodecContext* encoder, Failure* why);

    bool writeHeader(Failure* why);

    // Writes one packet of the stream; its timestamps are in the encoder's
    // time base. The packet is consumed.
    bool write(AVPacket* packet, int stream, AVRational encoderTimeBase, Failure* why);

    // Sends a frame (nullptr to drain) to the encoder and writes every packet
    // it gives back to the stream; packet is scratch space.
    bool encode(AVCodecContext* encoder, const AVFrame* frame, AVPacket* packet, int stream,
                Failure* why);

    // Writes the trailer and closes; the file stays.
    bool finish(Failure* why);

    // Closes and removes the file.
    void discard();

    const std::string& path() const { return m_path; }

private:
    ff::Output m_out;
    std::string m_path;
    bool m_headerWritten = false;
};

}  // namespace brindle::encoders
