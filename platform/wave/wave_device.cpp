#include "platform/wave/wave_device.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cstring>

namespace brindle::wave {
namespace {

constexpr pa_usec_t kOpenTimeoutUs = 4 * PA_USEC_PER_SEC;

// The loop lock for one scope, on the owner's side.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : m_loop(loop) {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

void dropOperation(pa_operation* op) {
    if (op) {
        pa_operation_unref(op);
    }
}

}  // namespace

Device::Device(Direction direction, const Format& format)
    : m_direction(direction), m_format(format) {}

Device::~Device() {
    teardown();
}

std::unique_ptr<Device> Device::open(Direction direction, const Format& format, QString* why) {
    if (!format.isPcm() || !format.usable() ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.channels > 2) {
        if (why) {
            *why = QStringLiteral("the sound format is not one the device plays");
        }
        return nullptr;
    }
    std::unique_ptr<Device> device(new Device(direction, format));
    if (!device->connect(why)) {
        return nullptr;
    }
    device->post(&Device::opened);
    return device;
}

bool Device::connect(QString* why) {
    auto fail = [&](const char* text) {
        if (why) {
            *why = QString::fromUtf8(text);
        }
        return false;
    };
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop) {
        return fail("the sound server cannot be reached");
    }
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Brindle");
    if (!m_context) {
        return fail("the sound server cannot be reached");
    }
    pa_context_set_state_callback(
        m_context, [](pa_context*, void* self) { static_cast<Device*>(self)->onContextState(); },
        this);
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(m_loop) < 0) {
        return fail("the sound server is not running");
    }

    LoopLock lock(m_loop);
    // A server that accepts the connection but never answers (stopped, or
    // hung) must not hold the caller: opening gives up after a while.
    pa_time_event* deadline = pa_context_rttime_new(
        m_context, pa_rtclock_now() + kOpenTimeoutUs,
        [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
            auto* device = static_cast<Device*>(self);
            device->m_openTimedOut = true;
            pa_threaded_mainloop_signal(device->m_loop, 0);
        },
        this);
    const bool ready = waitUntilReady();
    if (deadline) {
        pa_threaded_mainloop_get_api(m_loop)->time_free(deadline);
    }
    if (!ready) {
        if (m_openTimedOut) {
            return fail("the sound server does not answer");
        }
        return fail(pa_context_get_state(m_context) == PA_CONTEXT_READY
                        ? "the sound server refused the stream"
                        : "the sound server is not running");
    }
    return true;
}

bool Device::waitUntilReady() {
    while (true) {
        const pa_context_state_t s = pa_context_get_state(m_context);
        if (s == PA_CONTEXT_READY) {
            break;
        }
        if (!PA_CONTEXT_IS_GOOD(s) || m_openTimedOut) {
            return false;
        }
        pa_threaded_mainloop_wait(m_loop);
    }

    pa_sample_spec spec{};
    spec.format = m_format.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    spec.rate = m_format.samplesPerSec;
    spec.channels = static_cast<std::uint8_t>(m_format.channels);
    m_stream = pa_stream_new(
        m_context, m_direction == Direction::Input ? "Brindle recording" : "Brindle playback",
        &spec, nullptr);
    if (!m_stream) {
        return false;
    }
    pa_stream_set_state_callback(
        m_stream, [](pa_stream*, void* self) { static_cast<Device*>(self)->onStreamState(); },
        this);

    // About 100 ms per delivery, and two such pieces held by the server
    // for playback: short enough for a prompt stop and a live level meter.
    const std::uint32_t piece =
        std::max<std::uint32_t>(m_format.blockAlign, m_format.bytesPerSec / 10);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.prebuf = static_cast<std::uint32_t>(-1);
    int rc = 0;
    if (m_direction == Direction::Input) {
        attr.fragsize = piece;
        attr.tlength = static_cast<std::uint32_t>(-1);
        pa_stream_set_read_callback(
            m_stream,
            [](pa_stream*, std::size_t bytes, void* self) {
                static_cast<Device*>(self)->onRead(bytes);
            },
            this);
        rc = pa_stream_connect_record(
            m_stream, nullptr, &attr,
            static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY));
    } else {
        attr.fragsize = static_cast<std::uint32_t>(-1);
        attr.tlength = piece * 2;
        pa_stream_set_write_callback(
            m_stream,
            [](pa_stream*, std::size_t bytes, void* self) {
                static_cast<Device*>(self)->feed(bytes);
            },
            this);
        rc = pa_stream_connect_playback(m_stream, nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr,
                                        nullptr);
    }
    if (rc < 0) {
        return false;
    }
    while (true) {
        const pa_stream_state_t s = pa_stream_get_state(m_stream);
        if (s == PA_STREAM_READY) {
            return true;
        }
        if (!PA_STREAM_IS_GOOD(s) || m_openTimedOut) {
            return false;
        }
        pa_threaded_mainloop_wait(m_loop);
    }
}

void Device::teardown() {
    if (!m_loop) {
        return;
    }
    {
        LoopLock lock(m_loop);
        if (m_stream) {
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            pa_stream_set_read_callback(m_stream, nullptr, nullptr);
            pa_stream_set_write_callback(m_stream, nullptr, nullptr);
            if (PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))) {
                pa_stream_disconnect(m_stream);
            }
            pa_stream_unref(m_stream);
            m_stream = nullptr;
        }
        if (m_context) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
            m_context = nullptr;
        }
    }
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
    m_queue.clear();
}

bool Device::addBuffer(Buffer* buffer) {
    LoopLock lock(m_loop);
    if (m_lost || m_closing || m_closedPosted || !m_stream) {
        return false;
    }
    buffer->offset = 0;
    buffer->recorded = 0;
    m_queue.push_back(buffer);
    if (m_direction == Direction::Output) {
        const std::size_t room = pa_stream_writable_size(m_stream);
        if (room != static_cast<std::size_t>(-1) && room > 0) {
            feed(room);
        }
    }
    return true;
}

void Device::start() {
    LoopLock lock(m_loop);
    if (m_stream && !m_lost) {
        m_running = true;
        dropOperation(pa_stream_cork(m_stream, 0, nullptr, nullptr));
    }
}

void Device::stop() {
    LoopLock lock(m_loop);
    if (m_stream && !m_lost) {
        m_running = false;
        dropOperation(pa_stream_cork(m_stream, 1, nullptr, nullptr));
    }
}

void Device::pause() {
    stop();
}

void Device::restart() {
    start();
}

void Device::reset() {
    LoopLock lock(m_loop);
    if (m_stream && !m_lost && m_direction == Direction::Output) {
        dropOperation(pa_stream_flush(m_stream, nullptr, nullptr));
    }
    while (!m_queue.empty()) {
        Buffer* b = m_queue.front();
        m_queue.pop_front();
        b->recorded = m_direction == Direction::Input ? b->offset : 0;
        handBack(b);
    }
}

void Device::purge() {
    ++m_generation;
}

void Device::close() {
    LoopLock lock(m_loop);
    if (m_closing || m_closedPosted) {
        return;
    }
    m_running = false;
    // An output with sound still at the server plays it out before it
    // reports closed; a held (corked) stream would never drain.
    if (m_direction == Direction::Output && m_stream && !m_lost &&
        pa_stream_get_state(m_stream) == PA_STREAM_READY && !pa_stream_is_corked(m_stream)) {
        m_closing = true;
        dropOperation(pa_stream_trigger(m_stream, nullptr, nullptr));
        dropOperation(pa_stream_drain(
            m_stream, [](pa_stream*, int, void* self) { static_cast<Device*>(self)->onDrained(); },
            this));
        return;
    }
    finishClose();
}

int Device::queuedCount() const {
    LoopLock lock(m_loop);
    return static_cast<int>(m_queue.size());
}

void Device::onContextState() {
    const pa_context_state_t s = pa_context_get_state(m_context);
    if (!PA_CONTEXT_IS_GOOD(s) && !m_lost) {
        m_lost = true;
        if (!m_closedPosted) {
            m_closedPosted = true;
            post(&Device::lost);
            post(&Device::closed);
        }
    }
    pa_threaded_mainloop_signal(m_loop, 0);
}

void Device::onStreamState() {
    const pa_stream_state_t s = pa_stream_get_state(m_stream);
    if (s == PA_STREAM_FAILED && !m_lost) {
        m_lost = true;
        if (!m_closedPosted) {
            m_closedPosted = true;
            post(&Device::lost);
            post(&Device::closed);
        }
    }
    pa_threaded_mainloop_signal(m_loop, 0);
}

void Device::onRead(std::size_t) {
    while (pa_stream_readable_size(m_stream) > 0) {
        const void* data = nullptr;
        std::size_t n = 0;
        if (pa_stream_peek(m_stream, &data, &n) < 0 || n == 0) {
            return;
        }
        std::size_t used = 0;
        while (m_running && used < n && !m_queue.empty()) {
            Buffer* b = m_queue.front();
            const std::size_t take = std::min(b->data.size() - b->offset, n - used);
            if (data) {
                std::memcpy(b->data.data() + b->offset,
                            static_cast<const std::uint8_t*>(data) + used, take);
            } else {
                // A hole in the recording: silence.
                std::memset(b->data.data() + b->offset, m_format.bitsPerSample == 8 ? 128 : 0,
                            take);
            }
            b->offset += static_cast<std::uint32_t>(take);
            used += take;
            if (b->offset >= b->data.size()) {
                m_queue.pop_front();
                b->recorded = b->offset;
                handBack(b);
            }
        }
        pa_stream_drop(m_stream);
    }
}

void Device::feed(std::size_t bytes) {
    while (bytes > 0 && !m_queue.empty() && !m_closing) {
        Buffer* b = m_queue.front();
        const std::size_t take =
            std::min<std::size_t>(b->length - std::min(b->offset, b->length), bytes);
        if (take > 0 && pa_stream_write(m_stream, b->data.data() + b->offset, take, nullptr, 0,
                                        PA_SEEK_RELATIVE) < 0) {
            return;
        }
        b->offset += static_cast<std::uint32_t>(take);
        bytes -= take;
        if (b->offset >= b->length) {
            m_queue.pop_front();
            handBack(b);
        }
    }
}

void Device::onDrained() {
    if (!m_closedPosted) {
        finishClose();
    }
}

void Device::finishClose() {
    if (m_stream && PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))) {
        pa_stream_disconnect(m_stream);
    }
    m_closedPosted = true;
    post(&Device::closed);
}

void Device::handBack(Buffer* buffer) {
    const std::uint64_t generation = m_generation.load();
    QMetaObject::invokeMethod(
        this,
        [this, buffer, generation] {
            if (generation == m_generation.load()) {
                emit bufferDone(buffer);
            }
        },
        Qt::QueuedConnection);
}

void Device::post(void (Device::*signal)()) {
    const std::uint64_t generation = m_generation.load();
    // Closing and losing the server always arrive: purge() is about buffers.
    const bool always = signal == &Device::closed || signal == &Device::lost;
    QMetaObject::invokeMethod(
        this,
        [this, signal, generation, always] {
            if (always || generation == m_generation.load()) {
                (this->*signal)();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace brindle::wave
