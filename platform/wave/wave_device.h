// A wave input or output device on the default PulseAudio source or sink.
// The owner hands buffers to the device; the device hands each one back
// through bufferDone() once it is filled (input) or played out to the
// server (output). Every notification is delivered on the thread that
// opened the device, through its event loop, so the owner's buffer ring
// needs no locks. No call blocks on the server after open(): when the
// server goes away the device reports lost() and closed() and hands back
// nothing more.
#pragma once

#include "platform/wave/wave_format.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace brindle::wave {

struct Buffer {
    std::vector<std::uint8_t> data;  // its size is the buffer's capacity
    std::uint32_t length = 0;        // output: bytes to play
    std::uint32_t recorded = 0;      // input: bytes filled when handed back
    std::uint32_t offset = 0;        // device-side progress through the buffer
};

class Device : public QObject {
    Q_OBJECT
public:
    enum class Direction { Input, Output };

    ~Device() override;

    // Opens the default source (Input) or sink (Output) for PCM sound in
    // the given format. nullptr with the reason in *why when there is no
    // server, the format is not PCM, or the server refuses the stream.
    // opened() follows through the event loop.
    static std::unique_ptr<Device> open(Direction direction, const Format& format,
                                        QString* why = nullptr);

    Direction direction() const { return m_direction; }
    const Format& format() const { return m_format; }

    // Queues a buffer; false when the device has closed or lost its server.
    bool addBuffer(Buffer* buffer);

    // Input: start and stop filling buffers (queued buffers stay queued).
    void start();
    void stop();
    // Output: hold and resume playing.
    void pause();
    void restart();
    // Hands back every queued buffer at once (input: with what it holds so
    // far); output stops sounding at once.
    void reset();
    // Drops the notifications that were posted but not yet delivered, so
    // that nothing stale arrives after the owner has stopped.
    void purge();
    // Closes the device; closed() follows. An output that was not reset
    // plays out what the server holds first.
    void close();

    bool isLost() const { return m_lost.load(); }
    int queuedCount() const;

signals:
    void opened();
    void bufferDone(brindle::wave::Buffer* buffer);
    void closed();
    // The server went away; closed() follows.
    void lost();

private:
    Device(Direction direction, const Format& format);
    bool connect(QString* why);
    // With the loop locked: waits for the server, then opens the stream.
    bool waitUntilReady();
    void teardown();

    // Run on the server thread with the loop locked.
    void onContextState();
    void onStreamState();
    void onRead(std::size_t bytes);
    void feed(std::size_t bytes);
    void onDrained();
    void handBack(Buffer* buffer);
    void post(void (Device::*signal)());
    void finishClose();

    const Direction m_direction;
    const Format m_format;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;

    std::deque<Buffer*> m_queue;  // guarded by the loop lock
    bool m_running = false;       // input: filling; guarded by the loop lock
    bool m_closing = false;       // guarded by the loop lock
    bool m_closedPosted = false;  // guarded by the loop lock
    std::atomic<bool> m_lost{false};
    bool m_openTimedOut = false;  // guarded by the loop lock
    // Notifications carry the generation they were posted in; purge()
    // moves it on so older ones are dropped on arrival.
    std::atomic<std::uint64_t> m_generation{0};
};

}  // namespace brindle::wave
