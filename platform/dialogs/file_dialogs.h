// The program's real file dialogs: a FileDialogSink over QFileDialog, shown
// over the window set with setMessageParent.
#pragma once

#include "platform/file_dialogs.h"

namespace brindle {

// Makes the dialogs the program's file dialogs (setFileDialogs). A program
// with a window calls it once at start-up.
void installFileDialogs();

}  // namespace brindle
