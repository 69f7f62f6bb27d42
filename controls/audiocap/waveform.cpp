#include "controls/audiocap/waveform.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace brindle::sonteval {
namespace {

// Windows-style rectangle: right and bottom are exclusive.
struct Box {
    int left, top, right, bottom;
};

void fill(QPainter& p, int x0, int y0, int x1, int y1, const QColor& c) {
    if (x1 > x0 && y1 > y0) {
        p.fillRect(QRect(x0, y0, x1 - x0, y1 - y0), c);
    }
}

// A 1-pixel-wide bar from y over height (bars of height 0 draw nothing).
void bar(QPainter& p, int x, int y, int height, const QColor& c) {
    fill(p, x, y, x + 1, y + height, c);
}

std::int16_t s16(const std::uint8_t* at) {
    return static_cast<std::int16_t>(at[0] | (at[1] << 8));
}

void bar8(QPainter& p, int x, int y0, int half, int s, const QColor& c) {
    if (s > 128) {
        const int top = y0 - half * (s - 128) / 128;
        bar(p, x, top, y0 - top, c);
    } else {
        bar(p, x, y0, half * (128 - s) / 128, c);
    }
}

void bar16(QPainter& p, int x, int y0, int l, int s, const QColor& c) {
    if (s > 0) {
        bar(p, x, y0 - l, l, c);
    } else {
        bar(p, x, y0, -l, c);
    }
}

}  // namespace

void ColumnCache::clear() {
    m_streamId = 0;
    m_first = -1;
    m_width = -1;
    m_frames.clear();
    m_frames.shrink_to_fit();
}

const std::vector<std::uint8_t>& ColumnCache::columns(const SoundStream& stream, std::int64_t first,
                                                      std::int64_t last, int w, int* count) {
    // A window shorter than the control is wide still steps by one frame.
    const std::int64_t k = w > 0 ? std::max<std::int64_t>(1, (last - first) / w) : 0;
    if (k == 0) {
        *count = 0;
        m_frames.clear();
        return m_frames;
    }
    const std::int64_t aligned = first + k - (first % k);
    if (stream.id() == m_streamId && aligned == m_first && k == m_step && w == m_width &&
        stream.length() == m_streamLength) {
        *count = m_count;
        return m_frames;
    }
    const int e = stream.format().blockAlign;
    m_frames.resize(static_cast<std::size_t>(w) * e);
    int n = 0;
    for (; n < w; ++n) {
        const std::int64_t frame = aligned + n * k;
        if (frame < 0 || frame >= stream.length()) {
            break;
        }
        std::memcpy(m_frames.data() + static_cast<std::size_t>(n) * e, stream.frameData(frame), e);
    }
    m_streamId = stream.id();
    m_first = aligned;
    m_step = k;
    m_width = w;
    m_streamLength = stream.length();
    m_count = n;
    *count = n;
    return m_frames;
}

bool drawStream(QPainter& painter, const QRect& r, const SoundStream& stream, std::int64_t S,
                std::int64_t W, int displayMode, const WaveColors& colors, ColumnCache& cache) {
    const wave::Format& f = stream.format();
    if (!f.isPcm() || W <= 0) {
        return false;
    }
    const Box R{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    Box D = R;
    const std::int64_t a = stream.timeOf(stream.start());
    const std::int64_t b = stream.timeOf(stream.start() + stream.length());
    if (S < a) {
        const std::int64_t w1 = W - (a - S);
        D.left = D.right -
                 static_cast<int>(((D.right - D.left) * std::max<std::int64_t>(0, w1) + W / 2) / W);
        S = a;
        W = std::max<std::int64_t>(0, w1);
    }
    if (b < S + W) {
        const std::int64_t w2 = std::max<std::int64_t>(0, b - S);
        D.right = W > 0 ? D.left + static_cast<int>(((D.right - D.left) * w2 + W / 2) / W) : D.left;
        W = w2;
    }
    const std::int64_t first = stream.sampleAt(S);
    const std::int64_t last = stream.sampleAt(S + W);
    const int h = R.bottom - R.top;
    const int w = std::max(0, D.right - D.left);

    fill(painter, R.left, R.top, D.left, R.bottom, colors.noStream);
    fill(painter, D.right, R.top, R.right, R.bottom, colors.noStream);
    fill(painter, D.left, R.top, D.right, R.bottom, colors.background);
    if (displayMode == 0) {
        fill(painter, R.right / 2, R.top, R.right / 2 + 1, R.bottom, colors.vernier);
    }
    if (w <= 0 || last <= first) {
        return true;
    }
    int count = 0;
    const std::vector<std::uint8_t>& frames = cache.columns(stream, first, last, w, &count);
    const int e = f.blockAlign;
    if (f.channels == 1) {
        const int y0 = R.top + h / 2;
        fill(painter, D.left, y0, D.right, y0 + 1, colors.mono);
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* at = frames.data() + static_cast<std::size_t>(i) * e;
            const int x = D.left + i;
            if (f.bitsPerSample == 8) {
                bar8(painter, x, y0, h / 2, at[0], colors.mono);
            } else if (f.bitsPerSample == 16) {
                const int s = s16(at);
                bar16(painter, x, y0, (h / 2) * s / 32768, s, colors.mono);
            }
        }
    } else if (f.channels == 2) {
        const int q = h / 4;
        const int y1 = R.top + q;
        const int y2 = R.top + 3 * h / 4;
        fill(painter, D.left, y1, D.right, y1 + 1, colors.left);
        fill(painter, D.left, y2, D.right, y2 + 1, colors.right);
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* at = frames.data() + static_cast<std::size_t>(i) * e;
            const int x = D.left + i;
            if (f.bitsPerSample == 8) {
                bar8(painter, x, y1, q, at[0], colors.left);
                bar8(painter, x, y2, q, at[1], colors.right);
            } else if (f.bitsPerSample == 16) {
                const int l = s16(at);
                const int rr = s16(at + 2);
                bar16(painter, x, y1, q * l / 8192, l, colors.left);
                bar16(painter, x, y2, q * rr / 8192, rr, colors.right);
            }
        }
    }
    return true;
}

}  // namespace brindle::sonteval
