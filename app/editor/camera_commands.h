// The editor's camera commands: the Snapshot and Video buttons and the
// Select Video Capture Device item, each between dimming and undimming the
// editor; the no-camera notice when start-up found no capture driver. Also
// the count of capture drivers, taken once after the window is up.
#pragma once

class QWidget;

namespace brindle {

void Snap_Click();
void Video_Click();
void SelectCapDev_Click();

// Counts the capture drivers with a capture control of window's own that
// never connects, and keeps the count in gCaptureDriverCount. Answers it.
int countCaptureDrivers(QWidget* window);

}  // namespace brindle
