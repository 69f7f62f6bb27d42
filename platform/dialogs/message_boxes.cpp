#include "platform/dialogs/message_boxes.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace brindle {
namespace {

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

void installMessageBoxes() {
    static BoxSink boxes;
    setMessageBoxes(&boxes);
}

void setMessageParent(QWidget* parent) {
    g_parent = parent;
}

QWidget* messageParent() {
    return g_parent.data();
}

}  // namespace brindle
