// The program's picture for the documentation: the real editor with real
// slides, grabbed from the screen.
#pragma once

#include <QString>
#include <QStringList>

namespace brindle {

class MainFrame;

// Adds the media files as slides (as a drop at the end of the strip would),
// selects the first, grabs the frame into pngFile and closes the frame
// without asking. True when the picture was written.
bool takeScreenshot(MainFrame& frame, const QStringList& media, const QString& pngFile);

}  // namespace brindle
