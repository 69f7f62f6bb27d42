#include "platform/messages.h"

#include "platform/stringtable.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <cstdio>

namespace brindle {

QString gAppTitle;

namespace {

constexpr int kAppTitleEntry = 147;

MessageSink* g_sink = nullptr;
QPointer<QWidget> g_parent;

class BoxSink : public MessageSink {
public:
    MsgAnswer show(const MessageRequest& request) override {
        QMessageBox box(g_parent.data());
        box.setWindowTitle(request.title);
        box.setText(request.text);
        box.setIcon(icon(request.icon));
        for (const auto& entry : buttons(request.buttons)) {
            box.addButton(entry.first);
        }
        box.setWindowModality(Qt::ApplicationModal);
        box.raise();
        box.activateWindow();
        const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
        for (const auto& [button, answer] : buttons(request.buttons)) {
            if (button == pressed) {
                return answer;
            }
        }
        return defaultAnswer(request.buttons);
    }

private:
    static QMessageBox::Icon icon(MsgIcon i) {
        switch (i) {
            case MsgIcon::Critical:
                return QMessageBox::Critical;
            case MsgIcon::Question:
                return QMessageBox::Question;
            case MsgIcon::Exclamation:
                return QMessageBox::Warning;
            case MsgIcon::Information:
                return QMessageBox::Information;
            case MsgIcon::None:
                break;
        }
        return QMessageBox::NoIcon;
    }

    static QList<std::pair<QMessageBox::StandardButton, MsgAnswer>> buttons(MsgButtons b) {
        switch (b) {
            case MsgButtons::Ok:
                return {{QMessageBox::Ok, vbOK}};
            case MsgButtons::OkCancel:
                return {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}};
            case MsgButtons::YesNo:
                return {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}};
            case MsgButtons::YesNoCancel:
                return {{QMessageBox::Yes, vbYes},
                        {QMessageBox::No, vbNo},
                        {QMessageBox::Cancel, vbCancel}};
            case MsgButtons::RetryCancel:
                return {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}};
            case MsgButtons::AbortRetryIgnore:
                return {{QMessageBox::Abort, vbAbort},
                        {QMessageBox::Retry, vbRetry},
                        {QMessageBox::Ignore, vbIgnore}};
        }
        return {{QMessageBox::Ok, vbOK}};
    }
};

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

void setMessageParent(QWidget* parent) {
    g_parent = parent;
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
        gAppTitle = LoadResString(kAppTitleEntry);
    }
    MessageRequest request{number, text, buttons, icon, gAppTitle};
    if (g_sink) {
        return g_sink->show(request);
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        StderrMessageSink fallback;
        return fallback.show(request);
    }
    BoxSink box;
    return box.show(request);
}

MsgAnswer StderrMessageSink::show(const MessageRequest& request) {
    std::fprintf(stderr, "message %d: %s\n", request.number,
                 request.text.toLocal8Bit().constData());
    return defaultAnswer(request.buttons);
}

}  // namespace brindle
