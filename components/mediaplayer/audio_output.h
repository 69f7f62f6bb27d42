// Sound output to the PulseAudio server: interleaved float samples written
// from one thread, with the time of the sample now being heard.
#pragma once

#include <QString>

#include <atomic>
#include <cstdint>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace brindle {

class AudioOutput {
public:
    AudioOutput() = default;
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Connects to the server (never starting one) and opens a playback
    // stream; false when there is no server or it refuses the stream.
    bool open(int rate, int channels, const QString& streamName);
    void close();
    bool isOpen() const { return m_stream != nullptr; }

    // Writes all frames, waiting for room; false when the stream failed or
    // interrupt() was called.
    bool write(const float* samples, int frames);

    // Starts playing what was written even when it is less than the
    // server's start threshold (the end of a sound).
    void trigger();

    // Microseconds of sound played since the stream was opened, as heard:
    // the server's latency is taken into account. Stands still while paused.
    std::int64_t playedUs() const;

    void setPaused(bool paused);

    // Makes a waiting write() or drain() return; call from another thread.
    void interrupt();

private:
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    int m_channels = 0;
    std::atomic<bool> m_interrupted{false};
};

}  // namespace brindle
