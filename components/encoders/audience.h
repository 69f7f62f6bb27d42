// What a target audience allows: the connection a presentation is made for
// decides the sound codec and the bit rates of sound and video. The slide
// pictures stream beside them at 10 kbit/s.
#pragma once

#include <cstdint>

namespace brindle::encoders {

enum class SoundCodec { Real144, Ac3 };

struct Audience {
    int connectionKbps;  // what the link carries
    SoundCodec sound;
    int soundBitRate;  // bit/s; real_144 is always 8000
    int videoBitRate;  // bit/s
};

// 0 28.8k modem, 1 56k modem, 2 single ISDN, 3 dual ISDN (the program's
// default), 4 DSL or cable, 5 LAN. Below 0 counts as 0, above 5 as 5.
// Links under 100 kbit/s get RealAudio 1.0 (8 kbit/s speech codec, 8000 Hz
// mono); faster ones AC-3, which sounds far better and carries timestamps.
Audience audienceFor(std::int32_t targetAudience);

}  // namespace brindle::encoders
