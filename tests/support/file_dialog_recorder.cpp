#include "tests/support/file_dialog_recorder.h"

namespace brindle::test {

FileDialogRecorder::FileDialogRecorder() : m_previous(fileDialogSink()) {
    setFileDialogSink(this);
}

FileDialogRecorder::~FileDialogRecorder() {
    setFileDialogSink(m_previous);
}

void FileDialogRecorder::answer(const QStringList& files) {
    m_answer = [files](const FileDialogRequest&) { return files; };
}

void FileDialogRecorder::answer(Answer answer) {
    m_answer = std::move(answer);
}

QStringList FileDialogRecorder::choose(const FileDialogRequest& request) {
    m_requests.append(request);
    return m_answer ? m_answer(request) : QStringList();
}

QStringList FileDialogRecorder::titles() const {
    QStringList out;
    for (const FileDialogRequest& r : m_requests) {
        out.append(r.title);
    }
    return out;
}

}  // namespace brindle::test
