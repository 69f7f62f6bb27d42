// An open AVI file for editing: its video stream's frame table, its sound
// stream (if any), and decoding of single frames into packed bitmaps. The
// file opens only when it is an AVI file with a video stream whose first
// frame decodes.
#pragma once

#include "platform/avi/frame_dib.h"
#include "platform/avi/stream_decoder.h"
#include "platform/avi/video_frames.h"
#include "platform/ffmpeg/handles.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace brindle::avi {

class AviFile {
public:
    // nullptr when the file cannot be used, with the reason in *why.
    static std::unique_ptr<AviFile> open(const std::string& path, std::string* why = nullptr);

    const std::string& path() const { return m_path; }
    // The first frame number (frames are numbered from 0) and the count.
    std::int64_t start() const { return 0; }
    std::int64_t length() const { return m_frames.count(); }
    const VideoFrames& frames() const { return m_frames; }
    bool hasAudio() const { return m_audioIndex >= 0; }
    int width() const;
    int height() const;
    // One frame's duration in seconds, as a fraction.
    AVRational frameDuration() const;

    // Byte size of the first frame's decoded bitmap.
    std::size_t firstFrameDibSize() const { return m_firstDibSize; }

    // Decodes frame n into a packed 24-bit bitmap. False when n is outside
    // the stream or the frame does not decode. Safe to call from any thread.
    bool frameDib(std::int64_t n, std::vector<std::uint8_t>* out);

private:
    AviFile() = default;
    bool decodeLocked(std::int64_t n, std::vector<std::uint8_t>* out);

    std::string m_path;
    ff::Input m_input;
    int m_videoIndex = -1;
    int m_audioIndex = -1;
    VideoFrames m_frames;
    std::size_t m_firstDibSize = 0;

    std::mutex m_lock;  // held while a frame is decoded
    StreamDecoder m_decoder;
    FrameToDib m_toDib;
    ff::Packet m_packet;
    ff::Frame m_held;  // the last frame decoded, for drops and repeats
    std::int64_t m_heldNumber = -1;
    bool m_atEnd = false;  // the demuxer has run out since the last seek
};

}  // namespace brindle::avi
