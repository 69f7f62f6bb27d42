// The program's numbered string table and its messages. Every message
// carries the application title. Where a message goes is a MessageSink: the
// program with a window installs its message boxes (platform/dialogs), tests
// and the command-line tool install a sink of their own to see which message
// was asked and to answer it. This part needs no window system.
#pragma once

#include "strings/brindle_ids.h"

#include <QString>

namespace brindle {

class StringTable;

// The application title (string 147), the caption of every message box.
extern QString gAppTitle;

// The text of the program's string-table entry; empty when there is none.
QString LoadResString(int number);
const StringTable& programStrings();

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };

// The button pressed, with the values the system's callers test against.
enum MsgAnswer {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7
};

struct MessageRequest {
    int number = 0;  // the string-table entry the text comes from
    QString text;    // the full text shown
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    QString title;
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual MsgAnswer show(const MessageRequest& request) = 0;
};

// Replaces the message box; nullptr restores the real one. The sink is not
// owned.
void setMessageSink(MessageSink* sink);
MessageSink* messageSink();

// The program's real boxes, used when no sink replaces them and a GUI
// application runs; without them (or without a GUI application) messages go
// to standard error. Not owned.
void setMessageBoxes(MessageSink* boxes);

// Shows string-table entry `number`.
MsgAnswer MsgBox(int number, MsgButtons buttons = MsgButtons::Ok,
                 MsgIcon icon = MsgIcon::Exclamation);

// Shows a text built by the caller from entry `number` (a text with a file
// name appended, say); `number` still tells which message it is.
MsgAnswer MsgBoxText(int number, const QString& text, MsgButtons buttons = MsgButtons::Ok,
                     MsgIcon icon = MsgIcon::Exclamation);

// A sink that writes "message N: text" on standard error and answers with
// the given answer (or the box's default button). For programs without a
// window, such as the command-line tool.
class StderrMessageSink : public MessageSink {
public:
    MsgAnswer show(const MessageRequest& request) override;
};

// The answer a box gives when closed without choosing: its default button.
MsgAnswer defaultAnswer(MsgButtons buttons);

}  // namespace brindle
