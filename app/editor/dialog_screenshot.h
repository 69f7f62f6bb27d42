// Pictures of the text dialogs for the documentation: the real dialogs,
// opened by their editor commands and grabbed from the screen.
#pragma once

#include <QString>

namespace brindle {

class MainFrame;

// Opens the dialog named `dialog` ("text": the text slide editor with a
// sample text; "caption": the text caption dialog of a text slide), grabs
// it into pngFile, cancels it and closes the frame without asking. True
// when the picture was written.
bool takeDialogScreenshot(MainFrame& frame, const QString& dialog, const QString& pngFile);

}  // namespace brindle
