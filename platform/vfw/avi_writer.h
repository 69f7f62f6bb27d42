// The capture's AVI writer: one video stream of compressed (or raw) frames
// at a fixed frame period and, optionally, one PCM stream, each written at
// its next position, muxed through the FFmpeg layer's file writer. It keeps
// room on the disk for its own index ahead of every write, so a disk that
// fills stops the capture with a finished, playable file rather than one
// without an index.
#pragma once

#include "platform/vfw/formats.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace brindle::vfw {

struct AviVideoStream {
    // An FFmpeg encoder name ("mpeg4", "mjpeg", "cinepak") or "rawvideo"
    // for the capture format's own bits.
    std::string codec;
    std::uint32_t tag = 0;    // the AVI's codec tag; 0 for raw 24-bit
    BitmapInfoHeader format;  // the frames' size (and, for raw, their layout)
    std::uint32_t microSecPerFrame = 66667;
};

class AviWriter {
public:
    ~AviWriter();

    // Creates the file (replacing one of the same name). audio may be null.
    static std::unique_ptr<AviWriter> create(const std::string& path, const AviVideoStream& video,
                                             const WaveFormat* audio, std::string* why);

    // False when the frame could not be written (the disk is full, a write
    // failed); the writer then refuses everything but finish().
    bool writeVideo(std::span<const std::uint8_t> bytes, bool keyFrame);
    bool writeAudio(std::span<const std::uint8_t> bytes);

    // Writes the index and closes the file; false when the file is not
    // complete. Safe to call twice.
    bool finish();

    bool failed() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }
    std::int64_t videoFrames() const { return m_videoFrames; }
    std::int64_t audioBytes() const { return m_audioBytes; }

    // Room kept free past the written data for the index and the headers.
    std::uint64_t reserveBytes() const;

private:
    AviWriter() = default;
    bool ensureRoom(std::uint64_t packetBytes);
    bool write(int stream, std::span<const std::uint8_t> bytes, std::int64_t pts,
               std::int64_t duration, bool key);

    struct State;
    std::unique_ptr<State> m_state;
    std::string m_error;
    std::int64_t m_videoFrames = 0;
    std::int64_t m_audioBytes = 0;
    std::int64_t m_audioSamples = 0;
    std::uint32_t m_blockAlign = 0;
    bool m_finished = false;
    bool m_complete = false;
    bool m_flipRows = false;
    std::size_t m_rowBytes = 0;
    std::size_t m_rows = 0;
    std::vector<std::uint8_t> m_flipped;
};

}  // namespace brindle::vfw
