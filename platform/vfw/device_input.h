// The two device readers of the capture service, each over a libavdevice
// input and each reading on a thread of its own: VideoInput (v4l2, or lavfi
// for the synthetic camera) hands out frames already converted to the
// capture format's bitmap bits; AudioInput (PulseAudio's default source)
// hands out buffers in the capture's wave format.
#pragma once

#include "platform/vfw/drivers.h"
#include "platform/vfw/formats.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brindle::vfw {

struct VideoFrame {
    std::vector<std::uint8_t> bits;  // frameBytes(format) bytes
    BitmapInfoHeader format;
    std::int64_t timeUs = 0;  // device time, from the stream start
};

class VideoInput {
public:
    using FrameHandler = std::function<void(VideoFrame&&)>;
    using EndHandler = std::function<void(const std::string& why)>;

    ~VideoInput();

    // Opens the device at a frame size and rate. nullptr, with the reason,
    // when the device is missing, busy or refuses the size.
    static std::unique_ptr<VideoInput> open(const DriverInfo& driver, FrameSize size,
                                            std::uint32_t microSecPerFrame, std::string* why);

    FrameSize size() const { return m_size; }
    std::uint32_t microSecPerFrame() const { return m_usPerFrame; }

    // The format frames are converted to; its size must be the device's.
    bool setOutputFormat(const BitmapInfoHeader& format);
    BitmapInfoHeader outputFormat() const;

    // Starts reading. Handlers run on the reader thread; onEnd once, when
    // the device stops delivering (vanished, or a bad buffer).
    void start(FrameHandler onFrame, EndHandler onEnd);
    void stop();

private:
    VideoInput() = default;
    void run();

    struct State;
    std::unique_ptr<State> m_state;
    FrameSize m_size;
    std::uint32_t m_usPerFrame = 0;
    std::int64_t m_vanishAfter = -1;
    bool m_stampFrames = false;  // the synthetic camera's frame counter
    int m_heldSynthetic = -1;    // the synthetic camera this reader holds
    mutable std::mutex m_formatMutex;
    BitmapInfoHeader m_format;
    FrameHandler m_onFrame;
    EndHandler m_onEnd;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class AudioInput {
public:
    using BufferHandler = std::function<void(std::vector<std::uint8_t>&&)>;
    using EndHandler = std::function<void(const std::string& why)>;

    ~AudioInput();

    // Opens the default sound source in the given format (which must be
    // valid). BRINDLE_CAPTURE_AUDIO=tone takes a generated tone instead.
    static std::unique_ptr<AudioInput> open(const WaveFormat& format, std::string* why);

    void start(BufferHandler onBuffer, EndHandler onEnd);
    void stop();

private:
    AudioInput() = default;
    void run();

    struct State;
    std::unique_ptr<State> m_state;
    WaveFormat m_format;
    BufferHandler m_onBuffer;
    EndHandler m_onEnd;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Converts 16-bit signed samples to the format's sample size (8-bit unsigned
// or 16-bit signed little-endian).
std::vector<std::uint8_t> pcmFromS16(const std::int16_t* samples, std::size_t count,
                                     unsigned bitsPerSample);

}  // namespace brindle::vfw
