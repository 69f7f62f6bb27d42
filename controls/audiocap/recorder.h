// The recorder: a ring of input buffers on the default source, each
// appended to the record stream (and its scratch file) as it comes back
// full, with the levels of the last buffer written.
#pragma once

#include "controls/audiocap/levels.h"
#include "controls/audiocap/sound_stream.h"
#include "platform/wave/wave_device.h"

#include <QString>

#include <array>
#include <memory>

namespace brindle::sonteval {

inline constexpr int kMaxBuffers = 16;

// About 100 ms of sound, a whole number of sample frames.
std::uint32_t bufferSizeFor(const wave::Format& format);

enum class BufferResult { NotOurs, Done, Failed };

class Recorder {
public:
    Recorder() = default;
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Opens the input device for the stream's format; false (with the
    // reason) when the device cannot be opened or too few buffers exist.
    bool open(StreamPtr stream, AviAppender* file, QString* why);
    // Queues every buffer and starts the device.
    void start();
    // Takes a buffer back from the device, writes it, and queues it again.
    BufferResult bufferDone(wave::Buffer* buffer);
    void pause();
    // Resets and closes the device; buffers handed back by the reset are
    // dropped. The recorded stream stays as written.
    void stop();

    wave::Device* device() const { return m_device.get(); }
    std::uint32_t positionMs() const;
    std::uint32_t bufferSize() const { return m_bufferSize; }
    Levels levels() const { return m_levels; }

private:
    bool write(wave::Buffer& buffer);

    std::unique_ptr<wave::Device> m_device;
    StreamPtr m_stream;
    AviAppender* m_file = nullptr;
    wave::Format m_format;
    std::array<wave::Buffer, kMaxBuffers> m_buffers;
    int m_count = 0;
    int m_queued = 0;
    int m_next = 0;
    std::uint32_t m_bufferSize = 16384;
    std::uint64_t m_totalBytes = 0;
    std::int64_t m_nextSample = 0;
    bool m_recording = false;
    bool m_paused = false;
    bool m_stopped = false;
    int m_statusWord = 0;
    Levels m_levels;
};

}  // namespace brindle::sonteval
