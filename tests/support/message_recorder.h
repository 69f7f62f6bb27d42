// Stands in for the message box: records every message asked (number, text,
// buttons, title) and answers from a script, the box's default button when
// the script is used up. Installed for its lifetime.
#pragma once

#include "platform/messages.h"

#include <QList>
#include <deque>

namespace brindle::test {

class MessageRecorder : public MessageSink {
public:
    MessageRecorder();
    ~MessageRecorder() override;
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // Answers to give, in order.
    void script(std::initializer_list<MsgAnswer> answers);

    MsgAnswer show(const MessageRequest& request) override;

    const QList<MessageRequest>& requests() const { return m_requests; }
    QList<int> numbers() const;
    void clear() { m_requests.clear(); }

private:
    MessageSink* m_previous;
    QList<MessageRequest> m_requests;
    std::deque<MsgAnswer> m_answers;
};

}  // namespace brindle::test
