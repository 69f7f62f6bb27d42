// Compress-while-capturing: the control's half of a capture in which the
// capture window hands over every frame and every sound buffer. It
// compresses the frames, writes both streams into the AVI file, and keeps
// the video in step with the sound clock by dropping or repeating frames
// (the frame correction). The frame and sound handlers take plain bytes, so
// a scripted source can drive them with exact timing.
#pragma once

#include "platform/vfw/avi_writer.h"
#include "platform/vfw/compressors.h"
#include "platform/vfw/formats.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace brindle::orvalis {

// Key frames fall on every 15th frame written.
inline constexpr std::int32_t kKeyFrameEvery = 15;

class CaptureEngine {
public:
    struct Setup {
        std::string compression;  // the Compression property ("zq5a", "zq4a", ...)
        vfw::BitmapInfoHeader input;
        bool withAudio = true;
        vfw::WaveFormat audio;
        int qualityPercent = 85;
        std::string path;
        std::uint32_t framePeriodUs = 66666;
    };

    ~CaptureEngine();

    // The counters of a new capture: frames written, bytes and the frame
    // correction back to 0.
    void reset(std::uint32_t framePeriodUs);

    // Opens the compressor (by the handler in upper case), sends its
    // configuration block, sizes the compressed buffer, begins compression
    // and creates the AVI file with its two streams. False, with the reason,
    // at the first step that fails; close() releases what was opened.
    bool open(const Setup& setup, std::string* why);
    bool isOpen() const { return m_writer != nullptr; }

    // One video frame in the input format: dropped, written once, or
    // written several times as the frame correction says.
    void frame(std::span<const std::uint8_t> bits);
    // One sound buffer: written once the first frame is, then the frame
    // correction is computed again from the sound clock.
    void wave(std::span<const std::uint8_t> bytes);
    // A sound buffer of a plain capture: only counted.
    void countWave(std::size_t bytes) { m_audioBytes += bytes; }

    // Ends compression and finishes the file (its index written). False when
    // the file is not complete.
    bool close();

    std::int32_t framesWritten() const { return m_framesWritten; }
    // Frames the correction dropped, and copies it added, in this capture.
    std::uint32_t framesDropped() const { return m_framesDropped; }
    std::uint32_t framesRepeated() const { return m_framesRepeated; }
    std::int32_t frameCorrection() const { return m_frameCorrection; }
    void setFrameCorrection(std::int32_t c) { m_frameCorrection = c; }
    std::uint64_t videoBytes() const { return m_videoBytes; }
    std::uint64_t audioBytes() const { return m_audioBytes; }
    std::uint32_t framePeriodUs() const { return m_framePeriodUs; }
    const vfw::BitmapInfoHeader& outputHeader() const { return m_output; }
    // A write failed (disk full, device error); the capture must stop.
    bool writeFailed() const { return m_writeFailed; }
    const std::string& writeError() const { return m_writeError; }

private:
    void resynchronise();

    std::unique_ptr<vfw::Compressor> m_compressor;
    std::unique_ptr<vfw::AviWriter> m_writer;
    std::vector<std::uint8_t> m_buffer;  // compressed frame, used from an 8-byte boundary
    std::size_t m_bufferOffset = 0;
    std::size_t m_bufferUsable = 0;
    vfw::BitmapInfoHeader m_input;
    vfw::BitmapInfoHeader m_output;
    vfw::WaveFormat m_audio;
    bool m_withAudio = false;
    int m_quality = 8500;

    std::uint32_t m_framePeriodUs = 66666;
    std::int32_t m_framesWritten = 0;
    std::int32_t m_frameCorrection = 0;
    std::uint32_t m_framesDropped = 0;
    std::uint32_t m_framesRepeated = 0;
    std::uint64_t m_videoBytes = 0;
    std::uint64_t m_audioBytes = 0;
    bool m_writeFailed = false;
    std::string m_writeError;
};

}  // namespace brindle::orvalis
