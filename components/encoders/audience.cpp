#include "components/encoders/audience.h"

#include <algorithm>
#include <array>

namespace brindle::encoders {

Audience audienceFor(std::int32_t targetAudience) {
    static constexpr std::array<Audience, 6> kTable{{
        {28, SoundCodec::Real144, 8000, 10000},
        {56, SoundCodec::Real144, 8000, 24000},
        {64, SoundCodec::Real144, 8000, 34000},
        {128, SoundCodec::Ac3, 32000, 64000},
        {256, SoundCodec::Ac3, 64000, 160000},
        {384, SoundCodec::Ac3, 96000, 256000},
    }};
    const auto index = std::clamp<std::int32_t>(targetAudience, 0, kTable.size() - 1);
    return kTable[static_cast<std::size_t>(index)];
}

}  // namespace brindle::encoders
