// Writing media files: frames go through their stream's encoder, and every
// packet that comes out is muxed into the file. A file is opened, given one
// stream per open encoder, its header written, then fed frames, each
// stream's encoder drained with a null frame, and finished. A file that is
// not finished is removed, so a failed or abandoned write leaves nothing
// behind.
//
// Threads: once the header is written, each stream may be fed from a
// thread of its own (say, video from the renderer and sound from a capture
// callback); the writes into the file are serialised here. One stream must
// not be fed from two threads at once, and the file is finished once every
// feeding thread is done.
#pragma once

#include "platform/ffmpeg/handles.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace brindle::ff {

// The outcome of a step of writing: which part failed, with FFmpeg's code.
struct Status {
    enum class Step {
        None,            // done
        Encoder,         // the encoder refused a frame or failed
        Output,          // creating, muxing into or finishing the file failed
        PacketTooLarge,  // a packet over the stream's limit; packetSize tells its size
    };
    Step step = Step::None;
    int code = 0;
    int packetSize = 0;

    bool ok() const { return step == Step::None; }
    static Status failed(Step step, int code) { return {step, code, 0}; }
};

// Takes one coded packet; whatever it leaves in the packet is released.
using PacketSink = std::function<Status(AVPacket* packet)>;

// Sends frame to the encoder (nullptr drains it) and hands every packet it
// gives back to sink; packet is scratch space. Stops at the first failure.
Status encode(AVCodecContext* encoder, const AVFrame* frame, AVPacket* packet,
              const PacketSink& sink);

class Writer {
public:
    Writer() = default;
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    ~Writer();

    // Creates or truncates the file for the named muxer ("avi", "rm", "mp4",
    // "wav"; nullptr guesses from the file name). A file still open from
    // before is discarded.
    Status open(const std::string& path, const char* format);

    // Whether the named muxer keeps codec headers apart from the packets:
    // its encoders then need AV_CODEC_FLAG_GLOBAL_HEADER before they are
    // opened. Asked before open(), so a file is only created once its
    // encoders are ready.
    static bool wantsGlobalHeader(const char* format);

    // A stream for the packets of an open encoder, added before the header;
    // answers its index, or -1 with the reason in *why (when given). The
    // encoder stays the caller's and must outlive the writing. Packets over
    // maxPacket bytes are refused (0: no limit).
    int addStream(AVCodecContext* encoder, Status* why, int maxPacket = 0);

    // A stream for packets copied unchanged from a stream of another file,
    // with its parameters and timing, added before the header; answers its
    // index or -1, as addStream(). The packets' timestamps are in
    // packetTimeBase.
    int addCopyStream(const AVStream* source, AVRational packetTimeBase, Status* why);

    // A stream for packets coded elsewhere (a capture's compressed or raw
    // frames, PCM sound), described by parameters (codec, tag, size or
    // sample format), added before the header; answers its index or -1, as
    // addStream(). Its packets' timestamps are in timeBase; frameRate, for
    // video, is the rate the file declares.
    int addPacketStream(const AVCodecParameters* parameters, AVRational timeBase,
                        AVRational frameRate, Status* why);

    Status writeHeader();

    // Bytes the muxer has put into the file so far; -1 when none is open.
    // Packets held back to interleave the streams are not among them.
    std::int64_t bytesWritten() const;

    // Encodes frame on the stream's encoder (nullptr drains it) and writes
    // what comes out. Timestamps are in the encoder's time base.
    Status encode(int stream, const AVFrame* frame);

    // Writes one coded packet of the stream, its timestamps in the
    // encoder's time base (a copied stream's: as added); the packet is
    // consumed.
    Status write(int stream, AVPacket* packet);

    // Writes the trailer and closes the file, which stays.
    Status finish();

    // Closes and removes the file; nothing when none is open.
    void discard();

    bool isOpen() const { return m_out != nullptr; }
    bool headerWritten() const { return m_headerWritten; }
    const std::string& path() const { return m_path; }
    const AVCodecContext* encoder(int stream) const {
        return m_streams.at(static_cast<std::size_t>(stream))->encoder;
    }

private:
    struct Stream {
        AVCodecContext* encoder = nullptr;  // none for a copied stream
        AVStream* stream = nullptr;
        AVRational packetTimeBase{1, 1};
        Packet scratch;
        int maxPacket = 0;
    };

    int add(AVStream* st, AVCodecContext* encoder, AVRational packetTimeBase, int maxPacket);

    Output m_out;
    std::string m_path;
    std::vector<std::unique_ptr<Stream>> m_streams;
    mutable std::mutex m_muxing;  // around every call into the muxer once the header is out
    bool m_headerWritten = false;
};

}  // namespace brindle::ff
