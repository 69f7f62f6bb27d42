#include "components/encoders/sound_mix.h"

#include "components/encoders/encoder_ids.h"
#include "components/encoders/sound_source.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace brindle::encoders {

namespace {

constexpr int kBlockFrames = 4096;

}  // namespace

struct SoundMix::Placed {
    const MixSource* source;
    std::int64_t startFrame;
    std::unique_ptr<SoundSource> reader;
    bool done = false;
};

SoundMix::SoundMix(std::vector<MixSource> sources, const MixSettings& settings)
    : m_sources(std::move(sources)), m_settings(settings) {}

bool SoundMix::prepare(const std::string& output, Failure* why) {
    const MixSettings& s = m_settings;
    if (s.rate < 8000 || s.rate > 48000 || (s.bits != 8 && s.bits != 16) ||
        (s.channels != 1 && s.channels != 2) || s.durationMs <= 0) {
        *why = {ErrorSettings, "cannot mix at " + std::to_string(s.rate) + " Hz, " +
                                   std::to_string(s.bits) + " bits, " + std::to_string(s.channels) +
                                   " channels for " + std::to_string(s.durationMs) + " ms"};
        return false;
    }
    if (m_sources.empty()) {
        *why = {ErrorInput, "the mix has no sources"};
        return false;
    }
    const SoundFormat mixFormat{s.rate, s.bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16,
                                s.channels};
    return m_writer.open(output, why) &&
           m_encoder.open(s.codec, s.bitRate, mixFormat, m_writer, why) &&
           m_writer.writeHeader(why);
}

bool SoundMix::mixAll(JobContext& job, Failure* why) {
    const MixSettings& s = m_settings;
    const int ch = s.channels;
    const std::int64_t total = std::int64_t(s.durationMs) * s.rate / 1000;

    std::vector<Placed> placed;
    placed.reserve(m_sources.size());
    for (const MixSource& src : m_sources) {
        placed.push_back({&src, std::int64_t(src.startMs) * s.rate / 1000, nullptr});
    }

    std::vector<float> mix(std::size_t(kBlockFrames) * ch);
    std::vector<float> part(mix.size());
    std::vector<std::int16_t> s16(mix.size());
    std::vector<std::uint8_t> u8(mix.size());
    for (std::int64_t pos = 0; pos < total;) {
        if (job.abortRequested()) {
            return false;
        }
        const int n = static_cast<int>(std::min<std::int64_t>(kBlockFrames, total - pos));
        std::fill(mix.begin(), mix.end(), 0.0f);
        for (Placed& p : placed) {
            if (p.done || p.startFrame >= pos + n) {
                continue;
            }
            if (!p.reader) {
                p.reader = std::make_unique<SoundSource>();
                std::string reason;
                if (p.reader->open(p.source->path, &reason) != 0 ||
                    !p.reader->setOutput(s.rate, ch, &reason)) {
                    job.error({ErrorInput, reason});
                    p.reader.reset();
                    p.done = true;
                    continue;
                }
            }
            const int offset = static_cast<int>(std::max<std::int64_t>(0, p.startFrame - pos));
            const int want = n - offset;
            const int got = p.reader->read(part.data(), want);
            const float level = static_cast<float>(p.source->level);
            float* dst = mix.data() + std::size_t(offset) * ch;
            for (std::size_t k = 0, end = std::size_t(got) * ch; k < end; ++k) {
                dst[k] += level * part[k];
            }
            if (got < want) {
                p.reader.reset();
                p.done = true;
            }
        }

        const std::size_t samples = std::size_t(n) * ch;
        const std::uint8_t* planes[1];
        if (s.bits == 16) {
            for (std::size_t k = 0; k < samples; ++k) {
                const float v = std::clamp(mix[k], -1.0f, 1.0f);
                s16[k] = static_cast<std::int16_t>(std::lrint(v * 32767.0f));
            }
            planes[0] = reinterpret_cast<const std::uint8_t*>(s16.data());
        } else {
            for (std::size_t k = 0; k < samples; ++k) {
                const float v = std::clamp(mix[k], -1.0f, 1.0f);
                u8[k] = static_cast<std::uint8_t>(std::lrint(v * 127.0f) + 128);
            }
            planes[0] = u8.data();
        }
        if (!m_encoder.push(planes, n, why)) {
            return false;
        }
        pos += n;
        job.progress(static_cast<int>(pos * 100 / total));
    }
    return m_encoder.finish(why) && m_writer.finish(why);
}

void SoundMix::run(JobContext& job) {
    Failure failure;
    if (!mixAll(job, &failure)) {
        m_writer.discard();
        if (failure.code != 0) {
            job.error(failure);
        }
    }
}

}  // namespace brindle::encoders
