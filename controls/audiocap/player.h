// The player: streams a range of an audio stream through a ring of output
// buffers on the default sink, with the levels of the last buffer queued
// and a position counted from the bytes played.
#pragma once

#include "controls/audiocap/levels.h"
#include "controls/audiocap/recorder.h"
#include "controls/audiocap/sound_stream.h"
#include "platform/wave/wave_device.h"

#include <array>
#include <memory>

namespace brindle::sonteval {

class Player {
public:
    Player() = default;
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Opens the output device and plays [start, end) frames (end < 0: the
    // stream's end). false when the device cannot be opened.
    bool play(StreamPtr stream, std::int64_t start, std::int64_t end, QString* why);
    BufferResult bufferDone(wave::Buffer* buffer);
    void seek(std::uint32_t ms);
    void pause();
    // Resets and closes the device at once.
    void stop();
    // True once everything queued has been played and the device was asked
    // to close: closed() of the device follows.
    bool finished() const { return m_finished; }

    wave::Device* device() const { return m_device.get(); }
    std::uint32_t positionMs() const;
    Levels levels() const { return m_levels; }
    bool paused() const { return m_paused; }

private:
    void fill();

    std::unique_ptr<wave::Device> m_device;
    StreamPtr m_stream;
    wave::Format m_format;
    std::array<wave::Buffer, kMaxBuffers> m_buffers;
    int m_count = 0;
    int m_queued = 0;
    int m_next = 0;
    std::uint32_t m_bufferSize = 16384;
    std::int64_t m_playedBytes = 0;
    std::int64_t m_nextSample = 0;
    std::int64_t m_endSample = 0;
    bool m_playing = false;
    bool m_paused = false;
    bool m_finished = false;
    bool m_stopped = false;
    Levels m_levels;
};

}  // namespace brindle::sonteval
