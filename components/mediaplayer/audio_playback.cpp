#include "components/mediaplayer/audio_playback.h"

#include <chrono>
#include <vector>

namespace brindle {
namespace {

constexpr int kChunkFrames = 1024;

}  // namespace

AudioPlayback::~AudioPlayback() {
    stop();
}

void AudioPlayback::start(Source source, int rate, int channels, std::int64_t startMs,
                          const QString& streamName) {
    stop();
    m_startMs = startMs;
    m_paused = false;
    m_pausedOffsetMs = 0;
    m_soundEnded = false;
    m_stopping = false;
    m_audible = source && rate > 0 && channels > 0 && m_output.open(rate, channels, streamName);
    {
        std::lock_guard lock(m_mutex);
        m_anchorMs = startMs;
        m_elapsed.start();
    }
    m_running = true;
    if (m_audible) {
        m_thread = std::thread(&AudioPlayback::run, this, std::move(source), rate, channels);
    }
}

void AudioPlayback::run(Source source, int rate, int channels) {
    std::vector<float> chunk(static_cast<std::size_t>(kChunkFrames) * channels);
    std::int64_t writtenFrames = 0;
    bool failed = false;
    while (!m_stopping) {
        const int n = source(chunk.data(), kChunkFrames);
        if (n <= 0) {
            break;
        }
        if (!m_output.write(chunk.data(), n)) {
            failed = !m_stopping;
            break;
        }
        writtenFrames += n;
    }
    if (m_stopping) {
        return;
    }
    // The server's clock stops short of the end once nothing more is
    // written, so the system clock takes over from what has been heard so
    // far and runs to the end of the sound while the server plays it out.
    m_output.trigger();
    const std::int64_t endMs = m_startMs + (failed ? 0 : writtenFrames * 1000 / rate);
    {
        std::lock_guard lock(m_mutex);
        const std::int64_t heard =
            m_paused ? m_heldMs : m_startMs + m_output.playedUs() / 1000 - m_pausedOffsetMs;
        m_anchorMs = failed ? heard : std::min(heard, endMs);
        m_elapsed.start();
        m_audible = false;
    }
    while (!m_stopping && !failed) {
        std::int64_t now;
        {
            std::lock_guard lock(m_mutex);
            now = systemClockMs();
        }
        if (now >= endMs) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!m_stopping) {
        m_soundEnded = true;
    }
}

void AudioPlayback::stop() {
    if (!m_running) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_anchorMs = systemClockMs();
    }
    const std::int64_t heard = m_audible ? positionMs() : -1;
    m_stopping = true;
    m_output.interrupt();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_output.close();
    std::lock_guard lock(m_mutex);
    if (heard >= 0) {
        m_anchorMs = heard;
    }
    m_running = false;
    m_audible = false;
}

void AudioPlayback::setPaused(bool paused) {
    if (!m_running || paused == m_paused) {
        return;
    }
    std::lock_guard lock(m_mutex);
    if (m_audible) {
        // The server's clock may run on while corked; the time it ran is
        // taken out again on resume.
        const std::int64_t played = m_output.playedUs() / 1000;
        if (paused) {
            m_heldMs = m_startMs + played - m_pausedOffsetMs;
            m_pausedAtMs = played;
        } else {
            m_pausedOffsetMs += played - m_pausedAtMs;
        }
        m_output.setPaused(paused);
    }
    if (paused) {
        m_anchorMs = systemClockMs();
    } else {
        m_elapsed.start();
    }
    m_paused = paused;
}

std::int64_t AudioPlayback::systemClockMs() const {
    if (!m_running || m_paused) {
        return m_anchorMs;
    }
    return m_anchorMs + m_elapsed.elapsed();
}

std::int64_t AudioPlayback::positionMs() const {
    if (m_audible) {
        std::lock_guard lock(m_mutex);
        if (m_paused) {
            return m_heldMs;
        }
        return m_startMs + m_output.playedUs() / 1000 - m_pausedOffsetMs;
    }
    std::lock_guard lock(m_mutex);
    return systemClockMs();
}

}  // namespace brindle
