// Stands in for the file dialogs: records every request and answers with
// what the test set, nothing (a cancel) when it set nothing. Installed for
// its lifetime.
#pragma once

#include "platform/file_dialogs.h"

#include <QList>

#include <functional>

namespace brindle::test {

class FileDialogRecorder : public FileDialogSink {
public:
    using Answer = std::function<QStringList(const FileDialogRequest&)>;

    FileDialogRecorder();
    ~FileDialogRecorder() override;
    FileDialogRecorder(const FileDialogRecorder&) = delete;
    FileDialogRecorder& operator=(const FileDialogRecorder&) = delete;

    // Every following dialog answers these files (none: cancel).
    void answer(const QStringList& files);
    // Every following dialog answers what the function gives.
    void answer(Answer answer);

    QStringList choose(const FileDialogRequest& request) override;

    const QList<FileDialogRequest>& requests() const { return m_requests; }
    QStringList titles() const;

private:
    FileDialogSink* m_previous;
    QList<FileDialogRequest> m_requests;
    Answer m_answer;
};

}  // namespace brindle::test
