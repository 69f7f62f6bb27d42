// The presentation pass: every file of the presentation written into the
// preview folder for a range of slides, with the sound mix and the video
// encodes.
#pragma once

#include <cstdint>

namespace brindle {

// Set by the encoders' events during a pass.
extern bool EncodeDone;
extern std::int32_t gEncodeError;  // the first error code of an encode, 0 when none

// How a pass with its progress window shown lets the window breathe between
// slides: the short pause before each slide of a preview or publish, or only
// the events already waiting (a video export, where the pauses would add up
// to half a second a slide and the window stays up for the render anyway).
enum class PassPace { PauseBeforeSlides, NoPauses };

// Writes the presentation of slides first..last (1-based). publishing adds
// thumbnails and the zip list; silent shows no progress dialog. A cancelled
// or failed pass leaves CancelRequested set.
void riteSmilMasterFile(int first, int last, bool publishing, bool silent,
                        PassPace pace = PassPace::PauseBeforeSlides);

}  // namespace brindle
