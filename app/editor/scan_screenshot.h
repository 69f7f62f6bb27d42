// The scan result dialog's picture for the documentation: a page scanned
// from the first scanner through the real dialogs, grabbed from the screen.
#pragma once

#include <QString>

namespace brindle {

class MainFrame;

// Waits for the start-up scanner search, scans with the options window's
// defaults, shows a brightness change and a rubber band, grabs the dialog
// into pngFile, cancels it and closes the frame. True when written.
bool takeScanScreenshot(MainFrame& frame, const QString& pngFile);

}  // namespace brindle
