// Plays a source of samples on a thread of its own and keeps the playing
// position. While the server plays the sound, the sound is the clock; with
// no sound, no server, or after the sound has ended, the system clock runs
// on from where the sound left off.
#pragma once

#include "components/mediaplayer/audio_output.h"

#include <QElapsedTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace brindle {

class AudioPlayback {
public:
    // Fills up to `frames` interleaved sample frames; answers how many, 0 at
    // the end. Called on the playback thread.
    using Source = std::function<int(float* out, int frames)>;

    AudioPlayback() = default;
    ~AudioPlayback();
    AudioPlayback(const AudioPlayback&) = delete;
    AudioPlayback& operator=(const AudioPlayback&) = delete;

    // Starts playing from startMs (the position the clock starts at). An
    // empty source runs the system clock only.
    void start(Source source, int rate, int channels, std::int64_t startMs,
               const QString& streamName = QStringLiteral("Brindle"));
    void stop();
    bool isRunning() const { return m_running; }

    void setPaused(bool paused);
    bool isPaused() const { return m_paused; }

    std::int64_t positionMs() const;

    // True while the sound is heard through the server.
    bool isAudible() const { return m_audible; }
    // True once the source has ended and its last sample has been played.
    bool soundEnded() const { return m_soundEnded; }

private:
    void run(Source source, int rate, int channels);
    std::int64_t systemClockMs() const;  // callers hold m_mutex

    AudioOutput m_output;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::int64_t m_startMs = 0;
    std::int64_t m_anchorMs = 0;  // system clock: position when m_elapsed started
    QElapsedTimer m_elapsed;
    std::int64_t m_heldMs = 0;          // sound clock: position while paused
    std::int64_t m_pausedAtMs = 0;      // server time when paused
    std::int64_t m_pausedOffsetMs = 0;  // server time that ran while paused
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_audible{false};
    std::atomic<bool> m_soundEnded{false};
    std::atomic<bool> m_stopping{false};
};

}  // namespace brindle
