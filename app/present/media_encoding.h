// The two encodes of a presentation pass: the sound track that mixes every
// slide's sound and the background track, and one video slide's clip. Both
// wait for their encoder with the message loop running; a failure shows
// message 160 or 161 and sets CancelRequested.
#pragma once

#include <QString>

#include <cstdint>

namespace brindle {

class MediaElement;
class PassProgress;

// The encoders' support folder: the program's folder + "/Bin".
QString encoderBinFolder();

// Mixes the sounds of slides first..last (each at its start) and the
// background track into output, totalMs long. True when at least one source
// was accepted, that is when the presentation has a sound track; the encode
// itself may still have failed or been cancelled (CancelRequested tells).
bool encodeAudioTrack(int first, int last, std::int32_t totalMs, const QString& output,
                      PassProgress& progress);

// Encodes an AVI slide's clip into output, unless an earlier pass did and
// its file is still there. Marks the slide encoded when the encode ends
// without error or cancel.
void encodeVideoClip(MediaElement& slide, const QString& output, PassProgress& progress);

}  // namespace brindle
