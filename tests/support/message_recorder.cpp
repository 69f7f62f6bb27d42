#include "tests/support/message_recorder.h"

namespace brindle::test {

MessageRecorder::MessageRecorder() : m_previous(messageSink()) {
    setMessageSink(this);
}

MessageRecorder::~MessageRecorder() {
    setMessageSink(m_previous);
}

void MessageRecorder::script(std::initializer_list<MsgAnswer> answers) {
    m_answers.insert(m_answers.end(), answers);
}

MsgAnswer MessageRecorder::show(const MessageRequest& request) {
    m_requests.append(request);
    if (m_answers.empty()) {
        return defaultAnswer(request.buttons);
    }
    const MsgAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

QList<int> MessageRecorder::numbers() const {
    QList<int> out;
    for (const MessageRequest& r : m_requests) {
        out.append(r.number);
    }
    return out;
}

}  // namespace brindle::test
