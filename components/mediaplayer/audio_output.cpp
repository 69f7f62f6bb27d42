#include "components/mediaplayer/audio_output.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace brindle {
namespace {

// Target of the server-side buffer: short enough for a prompt stop, long
// enough not to run dry on a busy machine.
constexpr int kBufferMs = 150;

void signalLoop(pa_threaded_mainloop* loop) {
    pa_threaded_mainloop_signal(loop, 0);
}

}  // namespace

AudioOutput::~AudioOutput() {
    close();
}

bool AudioOutput::open(int rate, int channels, const QString& streamName) {
    close();
    m_interrupted = false;
    m_channels = channels;
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop) {
        return false;
    }
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Brindle");
    if (!m_context) {
        close();
        return false;
    }
    pa_context_set_state_callback(
        m_context,
        [](pa_context*, void* loop) { signalLoop(static_cast<pa_threaded_mainloop*>(loop)); },
        m_loop);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(m_loop) < 0) {
        close();
        return false;
    }
    pa_threaded_mainloop_lock(m_loop);
    bool ok = false;
    while (true) {
        const pa_context_state_t s = pa_context_get_state(m_context);
        if (s == PA_CONTEXT_READY) {
            ok = true;
            break;
        }
        if (!PA_CONTEXT_IS_GOOD(s)) {
            break;
        }
        pa_threaded_mainloop_wait(m_loop);
    }
    if (ok) {
        pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, static_cast<std::uint32_t>(rate),
                            static_cast<std::uint8_t>(channels)};
        m_stream = pa_stream_new(m_context, streamName.toUtf8().constData(), &spec, nullptr);
        ok = m_stream != nullptr;
    }
    if (ok) {
        auto wake = [](pa_stream*, void* loop) {
            signalLoop(static_cast<pa_threaded_mainloop*>(loop));
        };
        pa_stream_set_state_callback(m_stream, wake, m_loop);
        pa_stream_set_write_callback(
            m_stream,
            [](pa_stream*, size_t, void* loop) {
                signalLoop(static_cast<pa_threaded_mainloop*>(loop));
            },
            m_loop);
        const std::uint32_t bytesPerMs =
            static_cast<std::uint32_t>(rate) * channels * sizeof(float) / 1000;
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.tlength = bytesPerMs * kBufferMs;
        attr.prebuf = static_cast<std::uint32_t>(-1);
        attr.minreq = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(-1);
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        ok = pa_stream_connect_playback(m_stream, nullptr, &attr, flags, nullptr, nullptr) >= 0;
        while (ok) {
            const pa_stream_state_t s = pa_stream_get_state(m_stream);
            if (s == PA_STREAM_READY) {
                break;
            }
            if (!PA_STREAM_IS_GOOD(s)) {
                ok = false;
                break;
            }
            pa_threaded_mainloop_wait(m_loop);
        }
    }
    pa_threaded_mainloop_unlock(m_loop);
    if (!ok) {
        close();
    }
    return ok;
}

void AudioOutput::close() {
    if (m_loop) {
        pa_threaded_mainloop_stop(m_loop);
    }
    if (m_stream) {
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    if (m_context) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_loop) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

bool AudioOutput::write(const float* samples, int frames) {
    if (!m_stream) {
        return false;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples);
    std::size_t left = static_cast<std::size_t>(frames) * m_channels * sizeof(float);
    const std::size_t frameBytes = m_channels * sizeof(float);
    pa_threaded_mainloop_lock(m_loop);
    bool ok = true;
    while (left > 0) {
        if (m_interrupted || !PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))) {
            ok = false;
            break;
        }
        std::size_t room = pa_stream_writable_size(m_stream);
        if (room == static_cast<std::size_t>(-1)) {
            ok = false;
            break;
        }
        room -= room % frameBytes;
        if (room == 0) {
            pa_threaded_mainloop_wait(m_loop);
            continue;
        }
        const std::size_t n = std::min(room, left);
        if (pa_stream_write(m_stream, bytes, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            ok = false;
            break;
        }
        bytes += n;
        left -= n;
    }
    pa_threaded_mainloop_unlock(m_loop);
    return ok;
}

void AudioOutput::trigger() {
    if (!m_stream) {
        return;
    }
    pa_threaded_mainloop_lock(m_loop);
    if (pa_operation* op = pa_stream_trigger(m_stream, nullptr, nullptr)) {
        pa_operation_unref(op);
    }
    pa_threaded_mainloop_unlock(m_loop);
}

std::int64_t AudioOutput::playedUs() const {
    if (!m_stream) {
        return 0;
    }
    pa_threaded_mainloop_lock(m_loop);
    pa_usec_t us = 0;
    // Before the server has played anything its interpolated time would run
    // ahead of the sound (some sinks take a long time to start), and the
    // time never runs backwards once read, so it is read only from then on.
    const pa_timing_info* info = pa_stream_get_timing_info(m_stream);
    const bool started = info && !info->read_index_corrupt && info->read_index > 0;
    const bool known = started && pa_stream_get_time(m_stream, &us) >= 0;
    pa_threaded_mainloop_unlock(m_loop);
    return known ? static_cast<std::int64_t>(us) : 0;
}

void AudioOutput::setPaused(bool paused) {
    if (!m_stream) {
        return;
    }
    pa_threaded_mainloop_lock(m_loop);
    if (pa_operation* op = pa_stream_cork(m_stream, paused ? 1 : 0, nullptr, nullptr)) {
        pa_operation_unref(op);
    }
    pa_threaded_mainloop_unlock(m_loop);
}

void AudioOutput::interrupt() {
    m_interrupted = true;
    if (m_loop) {
        pa_threaded_mainloop_lock(m_loop);
        pa_threaded_mainloop_signal(m_loop, 0);
        pa_threaded_mainloop_unlock(m_loop);
    }
}

}  // namespace brindle
