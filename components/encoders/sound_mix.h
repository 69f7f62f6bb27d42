// The sound track of a presentation: every source placed at its start with
// its level, summed over the track's length at the mix format (rate, bits,
// channels), then encoded into one RealMedia sound file.
#pragma once

#include "components/encoders/audience.h"
#include "components/encoders/encode_job.h"
#include "components/encoders/rm_writer.h"
#include "components/encoders/sound_encoder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brindle::encoders {

struct MixSource {
    std::string path;
    std::int32_t startMs = 0;
    double level = 1.0;  // linear gain
};

struct MixSettings {
    int rate = 22050;
    int bits = 16;  // 8 or 16
    int channels = 1;
    std::int32_t durationMs = 0;
    SoundCodec codec = SoundCodec::Ac3;
    int bitRate = 32000;
};

class SoundMix {
public:
    SoundMix(std::vector<MixSource> sources, const MixSettings& settings);

    // Checks the settings, creates the output and sets up the encoder; false
    // when nothing can be encoded this way.
    bool prepare(const std::string& output, Failure* why);

    // Mixes and encodes, on the worker thread. A source that can no longer
    // be read is reported and left out; a failure of the output or the
    // encoder ends the encode. An aborted or failed encode removes the file.
    void run(JobContext& job);

private:
    struct Placed;
    bool mixAll(JobContext& job, Failure* why);

    std::vector<MixSource> m_sources;
    MixSettings m_settings;
    RmWriter m_writer;
    SoundEncoder m_encoder;
};

}  // namespace brindle::encoders
