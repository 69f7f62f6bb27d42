// Short sounds the editor plays as feedback (the strip's scroll click).
#pragma once

#include <QString>

namespace brindle {

// Plays a sound file once and returns at once; a sound still playing is
// cut off. Opening and playing happen on a thread of their own, so the
// caller (a drag in progress) never waits for the sound server. Any failure
// (no file, no server) is passed over in silence.
void playWavFile(const QString& path);

}  // namespace brindle
