// Writing a range of a sound into a WAV or AVI file in a PCM format,
// converting rate, channels and sample size on the way, in blocks of one
// second with a progress step after each.
#pragma once

#include "controls/audiocap/sound_stream.h"

#include <functional>
#include <string>

namespace brindle::sonteval {

// A destination name whose text after its last "." is "AVI" in any case.
bool isAviName(const std::string& path);

// Answers false from a progress step to cancel the save.
using SaveProgressStep = std::function<bool(int percent)>;

enum class SaveResult { Ok, WriteFailed, Cancelled, BadFormat };

// Writes frames [first, end) of the stream to path (created or truncated)
// in the target PCM format, as AVI or as RIFF WAVE with "fmt ", "fact" and
// "data" chunks. The file is complete and closed when the answer is Ok;
// otherwise it is removed.
SaveResult writeSound(const SoundStream& stream, std::int64_t first, std::int64_t end,
                      const wave::Format& target, const std::string& path, bool avi,
                      const SaveProgressStep& progress);

}  // namespace brindle::sonteval
