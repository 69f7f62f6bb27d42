// The waveform display: a window of a sound, one decimated sample frame
// per pixel column, mono in one band or stereo in two, with a distinct
// colour where the window reaches past either end of the sound.
#pragma once

#include "controls/audiocap/sound_stream.h"

#include <QColor>
#include <QRect>

#include <cstdint>
#include <vector>

class QPainter;

namespace brindle::sonteval {

inline constexpr std::int64_t kWindowMs = 4000;

struct WaveColors {
    QColor background{25, 90, 156};
    QColor noStream{128, 128, 128};
    QColor mono{255, 255, 255};
    QColor left{255, 255, 255};
    QColor right{255, 255, 255};
    QColor vernier{220, 220, 220};
};

// The frames picked for the columns of the last window drawn. Each control
// owns one, so no control ever draws from another's memory.
class ColumnCache {
public:
    // The frames of columns 0..w-1 over [first, last) of the stream: frame
    // first' + i*k, first' aligned to the step k = (last-first) / w. Fewer
    // than w frames when the window reaches past the stream's end.
    const std::vector<std::uint8_t>& columns(const SoundStream& stream, std::int64_t first,
                                             std::int64_t last, int w, int* count);
    void clear();

private:
    std::uint64_t m_streamId = 0;
    std::int64_t m_first = -1;
    std::int64_t m_step = 0;
    int m_width = -1;
    std::int64_t m_streamLength = -1;
    int m_count = 0;
    std::vector<std::uint8_t> m_frames;
};

// Draws [startMs, startMs + widthMs) of the stream into r. False (nothing
// painted) when the stream's format is not PCM.
bool drawStream(QPainter& painter, const QRect& r, const SoundStream& stream, std::int64_t startMs,
                std::int64_t widthMs, int displayMode, const WaveColors& colors,
                ColumnCache& cache);

}  // namespace brindle::sonteval
