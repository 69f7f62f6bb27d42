// An audio stream addressed by sample frame: PCM samples held in memory,
// read from a sound file, or growing while a recording appends to it.
#pragma once

#include "platform/wave/wave_format.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace brindle::sonteval {

class SoundStream {
public:
    explicit SoundStream(const wave::Format& format) : m_format(format), m_id(nextId()) {}

    const wave::Format& format() const { return m_format; }
    // Identifies this stream among all streams of the process (for caches).
    std::uint64_t id() const { return m_id; }

    std::int64_t start() const { return 0; }
    std::int64_t length() const {
        return static_cast<std::int64_t>(m_bytes.size() / m_format.blockAlign);
    }
    std::int64_t lengthMs() const { return wave::samplesToMs(length(), m_format.samplesPerSec); }
    std::int64_t sampleAt(std::int64_t ms) const {
        return wave::msToSamples(ms, m_format.samplesPerSec);
    }
    std::int64_t timeOf(std::int64_t sample) const {
        return wave::samplesToMs(sample, m_format.samplesPerSec);
    }

    // Copies up to `frames` frames from `first` into out; answers the frames
    // copied (fewer at the stream's end, 0 outside it).
    std::int64_t read(std::int64_t first, std::int64_t frames, std::uint8_t* out) const {
        if (first < 0 || frames <= 0 || first >= length()) {
            return 0;
        }
        const std::int64_t n = std::min(frames, length() - first);
        std::memcpy(out, m_bytes.data() + first * m_format.blockAlign,
                    static_cast<std::size_t>(n * m_format.blockAlign));
        return n;
    }
    const std::uint8_t* frameData(std::int64_t frame) const {
        return m_bytes.data() + frame * m_format.blockAlign;
    }

    void append(const std::uint8_t* data, std::size_t bytes) {
        m_bytes.insert(m_bytes.end(), data, data + bytes);
    }
    std::vector<std::uint8_t>& bytes() { return m_bytes; }

private:
    static std::uint64_t nextId() {
        static std::atomic<std::uint64_t> counter{0};
        return ++counter;
    }

    wave::Format m_format;
    std::uint64_t m_id;
    std::vector<std::uint8_t> m_bytes;
};

using StreamPtr = std::shared_ptr<SoundStream>;

// The most PCM one sound read from a file may take: 25 minutes of CD
// sound, 100 minutes of 22 kHz mono. A longer sound is refused rather than
// read whole into memory (and copied to disk twice more on the way).
inline constexpr std::int64_t kMaxSoundBytes = std::int64_t{256} << 20;

// Reads the first audio stream of a sound file into memory as PCM (8-bit
// sound stays 8-bit, everything else becomes 16-bit; more than two
// channels are mixed down to two). nullptr, with the reason in *why, for a
// file that is not sound, holds no samples, or is a WAV file whose header
// does not match its contents, or that is longer than kMaxSoundBytes of
// PCM takes.
StreamPtr readSoundFile(const std::string& path, std::string* why = nullptr);

// Checks a RIFF WAVE file's chunk structure against its size: true for a
// file that is not RIFF WAVE at all (other readers judge it).
bool wavHeaderSound(const std::string& path, std::string* why);

// Appends PCM buffers to an AVI file with one audio stream, as a recording
// grows.
class AviAppender {
public:
    AviAppender();
    ~AviAppender();
    AviAppender(const AviAppender&) = delete;
    AviAppender& operator=(const AviAppender&) = delete;

    bool open(const std::string& path, const wave::Format& format);
    // Writes whole frames at the next sample; false when the disk refuses.
    bool write(const std::uint8_t* data, std::size_t bytes);
    // Finishes the file (its index); false when that fails.
    bool close();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace brindle::sonteval
