// Counts the frames a device lost, from the times of the frames it
// delivered: a frame that comes about n periods after the one before stands
// for n - 1 frames lost between them. Half a period either way is timing
// jitter, not a loss.
#pragma once

#include <algorithm>
#include <cstdint>

namespace brindle::vfw {

class FrameGaps {
public:
    // A new run of frames at the given period; nothing lost yet.
    void reset(std::uint32_t periodUs) {
        m_periodUs = periodUs;
        m_lastUs = -1;
        m_lost = 0;
    }

    // The frames lost just before a frame at timeUs (device time, from its
    // start); a time that is unknown (negative) or runs backwards starts
    // the count afresh from that frame.
    std::uint32_t frameAt(std::int64_t timeUs) {
        std::uint32_t lost = 0;
        if (m_periodUs > 0 && m_lastUs >= 0 && timeUs > m_lastUs) {
            const std::int64_t periods = (timeUs - m_lastUs + m_periodUs / 2) / m_periodUs;
            if (periods > 1) {
                lost = static_cast<std::uint32_t>(std::min<std::int64_t>(periods - 1, 0x7fffffff));
            }
        }
        m_lastUs = timeUs;
        m_lost += lost;
        return lost;
    }

    std::uint64_t lost() const { return m_lost; }

private:
    std::uint32_t m_periodUs = 0;
    std::int64_t m_lastUs = -1;
    std::uint64_t m_lost = 0;
};

}  // namespace brindle::vfw
