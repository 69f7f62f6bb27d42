// The presentation's sound: every audio element and every video element
// with sound, decoded at its place on the time line and mixed into one
// stream of interleaved float samples, read forward from any position.
#pragma once

#include "player/presentation.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace brindle {

class AudioDecoder;

class PresentationAudio {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    explicit PresentationAudio(const Presentation& presentation);
    ~PresentationAudio();

    bool hasSound() const { return !m_sources.empty(); }

    // Moves the reading position (in milliseconds on the time line).
    void seek(std::int64_t ms);

    // Mixes the next `frames` sample frames; answers how many, fewer only at
    // the presentation's end.
    int read(float* out, int frames);

private:
    struct Source {
        QString path;
        std::int64_t beginFrame = 0;
        std::int64_t endFrame = 0;
        std::unique_ptr<AudioDecoder> decoder;
        std::int64_t nextFrame = -1;  // decoder position, on the time line
        bool exhausted = false;
    };

    std::vector<Source> m_sources;
    std::vector<float> m_scratch;
    std::int64_t m_position = 0;  // frames
    std::int64_t m_endFrame = 0;
};

}  // namespace brindle
