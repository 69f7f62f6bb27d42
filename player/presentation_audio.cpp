#include "player/presentation_audio.h"

#include "components/mediaplayer/audio_decoder.h"

#include <algorithm>
#include <cstring>

namespace brindle {
namespace {

std::int64_t toFrames(std::int64_t ms) {
    return ms * PresentationAudio::kRate / 1000;
}

}  // namespace

PresentationAudio::PresentationAudio(const Presentation& presentation) {
    m_endFrame = toFrames(presentation.durationMs);
    for (const PresentationItem& item : presentation.items) {
        if (!item.hasAudio || item.activeEndMs <= item.beginMs) {
            continue;
        }
        Source s;
        s.path = item.path;
        s.beginFrame = toFrames(item.beginMs);
        s.endFrame = toFrames(item.activeEndMs);
        m_sources.push_back(std::move(s));
    }
}

PresentationAudio::~PresentationAudio() = default;

void PresentationAudio::seek(std::int64_t ms) {
    m_position = std::clamp<std::int64_t>(toFrames(ms), 0, m_endFrame);
}

int PresentationAudio::read(float* out, int frames) {
    const int n = static_cast<int>(std::clamp<std::int64_t>(m_endFrame - m_position, 0, frames));
    std::memset(out, 0, sizeof(float) * n * kChannels);
    const std::int64_t from = m_position;
    const std::int64_t to = m_position + n;
    for (Source& s : m_sources) {
        const std::int64_t a = std::max(from, s.beginFrame);
        const std::int64_t b = std::min(to, s.endFrame);
        if (a >= b) {
            continue;
        }
        if (!s.decoder) {
            s.decoder = std::make_unique<AudioDecoder>();
            if (!s.decoder->open(s.path, kRate, kChannels)) {
                s.exhausted = true;
            }
        }
        if (s.exhausted && s.nextFrame < 0) {
            continue;
        }
        if (s.nextFrame != a) {
            s.exhausted = !s.decoder->seek((a - s.beginFrame) * 1000 / kRate);
            s.nextFrame = a;
            if (s.exhausted) {
                continue;
            }
        }
        const int want = static_cast<int>(b - a);
        m_scratch.resize(static_cast<std::size_t>(want) * kChannels);
        const int got = s.exhausted ? 0 : s.decoder->read(m_scratch.data(), want);
        if (got < want) {
            s.exhausted = true;  // the stream ended before its element
        }
        float* dst = out + (a - from) * kChannels;
        for (int i = 0; i < got * kChannels; ++i) {
            dst[i] += m_scratch[i];
        }
        s.nextFrame = a + want;
    }
    for (int i = 0; i < n * kChannels; ++i) {
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
    }
    m_position = to;
    return n;
}

}  // namespace brindle
