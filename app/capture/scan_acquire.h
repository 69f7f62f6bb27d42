// Acquiring one page into an image control from the GUI thread: the
// scan-options window, then the scan on a worker thread behind the progress
// window, whose Cancel stops the device at once. gScanning is true while
// the page is read; gScanCancelled is cleared before and set from the
// result. A failure other than a cancel is told with message 270 and the
// device's reason.
#pragma once

#include <QString>

class QWidget;

namespace brindle {

class ImageControl;

// True when the page became target's current image; target is untouched
// otherwise.
bool acquireScan(ImageControl& target, const QString& device, QWidget* parent);

}  // namespace brindle
