#include "controls/audiocap/recorder.h"

namespace brindle::sonteval {

std::uint32_t bufferSizeFor(const wave::Format& format) {
    const std::uint32_t block = format.blockAlign ? format.blockAlign : 1;
    const std::uint32_t tenth = format.bytesPerSec / 10;
    return (tenth + block - 1) / block * block;
}

Recorder::~Recorder() {
    stop();
}

bool Recorder::open(StreamPtr stream, AviAppender* file, QString* why) {
    m_stream = std::move(stream);
    m_file = file;
    m_format = m_stream->format();
    if (m_format.blockAlign < 1 || m_format.blockAlign > 16384) {
        if (why) {
            *why = QStringLiteral("the sound format has no usable sample size");
        }
        return false;
    }
    m_bufferSize = bufferSizeFor(m_format);
    m_device = wave::Device::open(wave::Device::Direction::Input, m_format, why);
    if (!m_device) {
        return false;
    }
    m_count = 0;
    for (wave::Buffer& b : m_buffers) {
        b.data.assign(m_bufferSize, 0);
        ++m_count;
    }
    return m_count >= 2;
}

void Recorder::start() {
    if (!m_device) {
        return;
    }
    if (!m_recording) {
        m_nextSample = 0;
    }
    m_queued = 0;
    m_next = 0;
    for (int i = 0; i < m_count; ++i) {
        if (!m_device->addBuffer(&m_buffers[i])) {
            m_statusWord = 1;
            break;
        }
        ++m_queued;
    }
    m_recording = true;
    m_device->start();
}

BufferResult Recorder::bufferDone(wave::Buffer* buffer) {
    const auto* first = m_buffers.data();
    if (!m_device || m_stopped || buffer < first || buffer >= first + m_count) {
        return BufferResult::NotOurs;
    }
    --m_queued;
    m_totalBytes += buffer->recorded;
    while (m_queued < m_count) {
        wave::Buffer& b = m_buffers[m_next];
        if (m_recording && !write(b)) {
            return BufferResult::Failed;
        }
        if (!m_device->addBuffer(&b)) {
            return BufferResult::Failed;
        }
        ++m_queued;
        m_next = (m_next + 1) % m_count;
    }
    return BufferResult::Done;
}

bool Recorder::write(wave::Buffer& buffer) {
    // Only what the device filled, in whole frames: never a stale tail.
    const std::size_t bytes = buffer.recorded / m_format.blockAlign * m_format.blockAlign;
    if (bytes == 0) {
        return true;
    }
    if (m_file && !m_file->write(buffer.data.data(), bytes)) {
        return false;
    }
    m_stream->append(buffer.data.data(), bytes);
    m_levels = measureLevels(m_format, buffer.data.data(), bytes);
    m_nextSample += static_cast<std::int64_t>(bytes / m_format.blockAlign);
    return true;
}

void Recorder::pause() {
    if (!m_device || m_stopped || !m_recording) {
        return;
    }
    if (m_paused) {
        m_device->start();
    } else {
        m_device->stop();
    }
    m_paused = !m_paused;
}

void Recorder::stop() {
    if (!m_device || m_stopped) {
        return;
    }
    m_device->reset();
    m_device->purge();
    m_recording = false;
    m_totalBytes = 0;
    m_device->close();
    // The device object itself goes with the recorder: this may run inside
    // one of its notifications.
    m_stopped = true;
}

std::uint32_t Recorder::positionMs() const {
    return wave::bytesToMs(m_totalBytes, m_format.bytesPerSec);
}

}  // namespace brindle::sonteval
