#include "controls/audiocap/player.h"

namespace brindle::sonteval {

Player::~Player() {
    stop();
}

bool Player::play(StreamPtr stream, std::int64_t start, std::int64_t end, QString* why) {
    m_stream = std::move(stream);
    m_format = m_stream->format();
    if (start < 0) {
        start = m_stream->start();
    }
    if (end < 0) {
        end = m_stream->start() + m_stream->length();
    }
    if (start >= end) {
        return true;  // nothing to play: the player waits for Stop
    }
    if (m_format.blockAlign < 1 || m_format.blockAlign > 16384) {
        return false;
    }
    m_bufferSize = bufferSizeFor(m_format);
    m_device = wave::Device::open(wave::Device::Direction::Output, m_format, why);
    if (!m_device) {
        return false;
    }
    m_count = 0;
    for (wave::Buffer& b : m_buffers) {
        b.data.assign(m_bufferSize, 0);
        ++m_count;
    }
    m_playedBytes = start * m_format.blockAlign;
    m_device->pause();
    m_nextSample = start;
    m_endSample = end;
    m_playing = true;
    fill();
    m_device->restart();
    return true;
}

void Player::fill() {
    while (m_playing && m_queued < m_count) {
        if (m_nextSample >= m_endSample) {
            break;
        }
        wave::Buffer& b = m_buffers[m_next];
        const std::int64_t n =
            std::min<std::int64_t>(m_endSample - m_nextSample, m_bufferSize / m_format.blockAlign);
        const std::int64_t got = m_stream->read(m_nextSample, n, b.data.data());
        if (got < n) {
            // The stream ended early: what is queued plays, then playback ends.
            m_endSample = m_nextSample;
            if (got <= 0) {
                break;
            }
        }
        b.length = static_cast<std::uint32_t>(got * m_format.blockAlign);
        m_nextSample += got;
        m_levels = measureLevels(m_format, b.data.data(), b.length);
        if (!m_device->addBuffer(&b)) {
            m_playing = false;
            break;
        }
        ++m_queued;
        m_next = (m_next + 1) % m_count;
    }
    if (m_queued == 0 && m_nextSample >= m_endSample && !m_finished) {
        m_finished = true;
        m_device->close();
    }
}

BufferResult Player::bufferDone(wave::Buffer* buffer) {
    const auto* first = m_buffers.data();
    if (!m_device || m_stopped || buffer < first || buffer >= first + m_count) {
        return BufferResult::NotOurs;
    }
    --m_queued;
    m_playedBytes += buffer->length;
    fill();
    return BufferResult::Done;
}

void Player::seek(std::uint32_t ms) {
    if (!m_device || m_stopped) {
        return;
    }
    const std::int64_t target = wave::msToBytes(ms, m_format.bytesPerSec);
    m_nextSample = target / m_format.blockAlign;
    // Every buffer the reset hands back adds its length: start below the
    // target by exactly what is queued, so the count lands on it.
    std::int64_t queuedBytes = 0;
    for (int i = 0, at = (m_next - m_queued + m_count) % m_count; i < m_queued;
         ++i, at = (at + 1) % m_count) {
        queuedBytes += m_buffers[at].length;
    }
    m_playedBytes = target - queuedBytes;
    m_finished = false;
    m_device->reset();
    if (m_paused) {
        m_device->pause();
    }
}

void Player::pause() {
    if (!m_device || m_stopped) {
        return;
    }
    if (m_paused) {
        m_device->restart();
    } else {
        m_device->pause();
    }
    m_paused = !m_paused;
}

void Player::stop() {
    if (!m_device || m_stopped) {
        return;
    }
    m_device->reset();
    m_device->purge();
    m_playing = false;
    m_device->close();
    // The device object itself goes with the player: this may run inside
    // one of its notifications.
    m_stopped = true;
    m_queued = 0;
}

std::uint32_t Player::positionMs() const {
    return wave::bytesToMs(static_cast<std::uint64_t>(std::max<std::int64_t>(0, m_playedBytes)),
                           m_format.bytesPerSec);
}

}  // namespace brindle::sonteval
