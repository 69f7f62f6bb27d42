// Hand-made RIFF WAVE files for the audio control's tests: well-formed
// ones of a given signal, and the damaged kinds a user may drop.
#pragma once

#include <QByteArray>
#include <QtEndian>

#include <cmath>
#include <cstdint>
#include <functional>

namespace brindle::test {

inline void appendLe(QByteArray& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

// A PCM WAV whose header fields may be overridden to lie.
struct WavSpec {
    int channels = 1;
    int rate = 22050;
    int bits = 16;
    std::int64_t frames = 22050;
    // Sample value of channel c at frame i (16-bit range; 8-bit files add 128
    // to the value divided by 256).
    std::function<int(std::int64_t i, int c)> sample = [](std::int64_t, int) { return 0; };
    std::int64_t riffSizeDelta = 0;  // added to the true RIFF size
    std::int64_t dataSizeDelta = 0;  // added to the true data size
    int blockAlignOverride = -1;
    int byteRateOverride = -1;
};

inline QByteArray makeWav(const WavSpec& s) {
    const int block = s.channels * s.bits / 8;
    QByteArray data;
    data.reserve(static_cast<int>(s.frames * block));
    for (std::int64_t i = 0; i < s.frames; ++i) {
        for (int c = 0; c < s.channels; ++c) {
            const int v = s.sample(i, c);
            if (s.bits == 8) {
                data.append(static_cast<char>(v / 256 + 128));
            } else {
                appendLe(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)), 2);
            }
        }
    }
    QByteArray b("RIFF");
    appendLe(b, static_cast<std::uint32_t>(36 + data.size() + s.riffSizeDelta), 4);
    b.append("WAVEfmt ");
    appendLe(b, 16, 4);
    appendLe(b, 1, 2);
    appendLe(b, static_cast<std::uint32_t>(s.channels), 2);
    appendLe(b, static_cast<std::uint32_t>(s.rate), 4);
    appendLe(
        b,
        static_cast<std::uint32_t>(s.byteRateOverride >= 0 ? s.byteRateOverride : s.rate * block),
        4);
    appendLe(
        b, static_cast<std::uint32_t>(s.blockAlignOverride >= 0 ? s.blockAlignOverride : block), 2);
    appendLe(b, static_cast<std::uint32_t>(s.bits), 2);
    b.append("data");
    appendLe(b, static_cast<std::uint32_t>(data.size() + s.dataSizeDelta), 4);
    b.append(data);
    return b;
}

inline std::function<int(std::int64_t, int)> sine(double hz, int rate, double amplitude = 16000) {
    return [hz, rate, amplitude](std::int64_t i, int) {
        return static_cast<int>(amplitude *
                                std::sin(2 * M_PI * hz * static_cast<double>(i) / rate));
    };
}

// The dominant frequency of 16-bit mono samples between lowHz and highHz,
// searched in steps of stepHz with the Goertzel filter.
inline double dominantHz(const std::int16_t* s, std::size_t n, int rate, double lowHz = 100,
                         double highHz = 5000, double stepHz = 10) {
    double best = 0;
    double bestPower = -1;
    for (double f = lowHz; f <= highHz; f += stepHz) {
        const double w = 2 * M_PI * f / rate;
        const double coeff = 2 * std::cos(w);
        double q1 = 0;
        double q2 = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double q0 = coeff * q1 - q2 + s[i];
            q2 = q1;
            q1 = q0;
        }
        const double power = q1 * q1 + q2 * q2 - q1 * q2 * coeff;
        if (power > bestPower) {
            bestPower = power;
            best = f;
        }
    }
    return best;
}

}  // namespace brindle::test
