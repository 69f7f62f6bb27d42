#include "platform/messages.h"

#include "platform/stringtable.h"

#include <QCoreApplication>

#include <cstdio>

namespace brindle {

QString gAppTitle;

namespace {

MessageSink* g_sink = nullptr;
MessageSink* g_boxes = nullptr;

bool guiApplication() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && app->inherits("QApplication");
}

}  // namespace

const StringTable& programStrings() {
    static const StringTable table = StringTable::fromFile(":/strings/brindle.strings");
    return table;
}

QString LoadResString(int number) {
    return programStrings().text(number);
}

void setMessageSink(MessageSink* sink) {
    g_sink = sink;
}

MessageSink* messageSink() {
    return g_sink;
}

void setMessageBoxes(MessageSink* boxes) {
    g_boxes = boxes;
}

MsgAnswer defaultAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::Ok:
            return vbOK;
        case MsgButtons::OkCancel:
            return vbCancel;
        case MsgButtons::YesNo:
            return vbNo;
        case MsgButtons::YesNoCancel:
            return vbCancel;
        case MsgButtons::RetryCancel:
            return vbCancel;
        case MsgButtons::AbortRetryIgnore:
            return vbAbort;
    }
    return vbOK;
}

MsgAnswer MsgBox(int number, MsgButtons buttons, MsgIcon icon) {
    return MsgBoxText(number, LoadResString(number), buttons, icon);
}

MsgAnswer MsgBoxText(int number, const QString& text, MsgButtons buttons, MsgIcon icon) {
    if (gAppTitle.isEmpty()) {
        gAppTitle = LoadResString(str::AppTitle);
    }
    MessageRequest request{number, text, buttons, icon, gAppTitle};
    if (g_sink) {
        return g_sink->show(request);
    }
    if (g_boxes && guiApplication()) {
        return g_boxes->show(request);
    }
    StderrMessageSink fallback;
    return fallback.show(request);
}

MsgAnswer StderrMessageSink::show(const MessageRequest& request) {
    std::fprintf(stderr, "message %d: %s\n", request.number,
                 request.text.toLocal8Bit().constData());
    return defaultAnswer(request.buttons);
}

}  // namespace brindle
