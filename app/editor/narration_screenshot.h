// The documentation's picture of the audio recording dialog: the real
// dialog, recording from the default source, grabbed with its waveform.
#pragma once

#include <QString>

namespace brindle {

class MainFrame;

// Opens the background track's recording dialog, records for a few
// seconds, grabs the dialog into pngFile, then cancels and closes the
// frame. True when the picture was written.
bool takeNarrationScreenshot(MainFrame& frame, const QString& pngFile);

}  // namespace brindle
