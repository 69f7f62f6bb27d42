// The state scanning shares between the editor and the scan dialogs.
#pragma once

namespace brindle {

// True while the scanner is acquiring a page.
extern bool gScanning;
// Set from the last acquire: true when the user cancelled it.
extern bool gScanCancelled;
// The scanning-source flag: true once the source list found at least one
// scanner (the list is gathered off the GUI thread at start-up).
extern bool gScannerPresent;

}  // namespace brindle
