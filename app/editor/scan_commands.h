// The editor's scanning commands: the Scan button, the Select Scanner menu
// item, editing the picture of an image or snapshot slide, and the search
// for scanners that start-up leaves to a worker thread.
#pragma once

class QObject;

namespace brindle {

class MainFrame;

void Scan_Click();
void Scanner_Click();
// Opens the scan result dialog on the picture of slide k.
void editPictureSlide(int k);

// Looks for scanners off the GUI thread; when SANE answers, the
// scanning-source flag is set and the Scan button and Select Scanner item
// are enabled.
void startScannerSearch(MainFrame& frame);

}  // namespace brindle
