// The program's message boxes: a MessageSink that shows each message in a
// modal QMessageBox with the application title, over the main window.
#pragma once

#include "platform/messages.h"

class QWidget;

namespace brindle {

// Makes the boxes the program's messages (setMessageBoxes). A program with a
// window calls it once at start-up, before its first message.
void installMessageBoxes();

// The window boxes and file dialogs are shown over (the main frame once it
// exists).
void setMessageParent(QWidget* parent);
QWidget* messageParent();

}  // namespace brindle
