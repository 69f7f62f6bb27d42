#include "controls/audiocap/levels.h"

#include <algorithm>
#include <cmath>

namespace brindle::sonteval {
namespace {

short levelOf(double meanSquare) {
    if (meanSquare < 1000.0) {
        return 0;
    }
    int index = static_cast<int>((10.0 * std::log10(meanSquare) - 30.0) * 2.0);
    index = std::clamp(index, 0, 119);
    return static_cast<short>(index * 5 / 6 + 1);
}

std::int16_t s16At(const std::uint8_t* p) {
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}

double square8(std::uint8_t s) {
    const double d = static_cast<double>(s) - 128.0;
    return d * d * 65536.0;
}

}  // namespace

Levels measureLevels(const wave::Format& format, const std::uint8_t* data, std::size_t bytes) {
    Levels out;
    if (!format.isPcm() || !data) {
        return out;
    }
    double left = 0;
    double right = 0;
    if (format.channels == 1 && format.bitsPerSample == 8) {
        if (bytes == 0) {
            return out;
        }
        for (std::size_t i = 0; i < bytes; ++i) {
            left += square8(data[i]);
        }
        out.left = levelOf(left / static_cast<double>(bytes));
    } else if (format.channels == 1 && format.bitsPerSample == 16) {
        const std::size_t n = bytes / 2;
        if (n == 0) {
            return out;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const double s = s16At(data + 2 * i);
            left += s * s;
        }
        out.left = levelOf(left / static_cast<double>(n));
    } else if (format.channels == 2 && format.bitsPerSample == 8) {
        const std::size_t n = bytes / 2;
        if (n == 0) {
            return out;
        }
        for (std::size_t i = 0; i < n; ++i) {
            left += square8(data[2 * i]);
            right += square8(data[2 * i + 1]);
        }
        out.left = levelOf(left / static_cast<double>(n));
        out.right = levelOf(right / static_cast<double>(n));
    } else if (format.channels == 2 && format.bitsPerSample == 16) {
        const std::size_t n = bytes / 4;
        if (n == 0) {
            return out;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const double l = s16At(data + 4 * i);
            const double r = s16At(data + 4 * i + 2);
            left += l * l;
            right += r * r;
        }
        out.left = levelOf(left / static_cast<double>(n));
        out.right = levelOf(right / static_cast<double>(n));
    }
    return out;
}

}  // namespace brindle::sonteval
