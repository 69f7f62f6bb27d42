// A RealMedia file being written through libavformat's "rm" muxer. Streams
// are added from their open encoders, then the header is written, then the
// frames are encoded into it. A file that is not finished is removed, so an
// aborted or failed encode leaves nothing behind.
#pragma once

#include "components/encoders/failure.h"
#include "platform/ffmpeg/writer.h"

#include <string>

namespace brindle::encoders {

// The muxer refuses packets over 64 KB; this margin keeps clear of it.
inline constexpr int kMaxRealMediaPacket = 65000;

class RmWriter {
public:
    // Creates or truncates the file.
    bool open(const std::string& path, Failure* why);

    // A stream for the encoder's packets; answers its index, -1 on failure.
    int addStream(AVCodecContext* encoder, Failure* why);

    bool writeHeader(Failure* why);

    // Sends a frame (nullptr to drain) to the stream's encoder and writes
    // every packet it gives back.
    bool encode(int stream, const AVFrame* frame, Failure* why);

    // Writes the trailer and closes; the file stays.
    bool finish(Failure* why);

    // Closes and removes the file.
    void discard() { m_file.discard(); }

    const std::string& path() const { return m_file.path(); }

private:
    ff::Writer m_file;
};

}  // namespace brindle::encoders
