// The private work and preview folders of one brindle-cli run and the count
// of the messages it showed, with no project view: enough to open a project
// file and read it. brindle-cli-list lists a table of contents
// with this alone, loading no window-system code.
#pragma once

#include "app/cli/scratch_folder.h"
#include "platform/messages.h"

#include <QList>

namespace brindle::cli {

// Prints "brindle-cli: text" on standard error.
void complain(const QString& text);

// Passes messages on to standard error and keeps their numbers.
class CountingMessageSink : public MessageSink {
public:
    CountingMessageSink();
    ~CountingMessageSink() override;
    CountingMessageSink(const CountingMessageSink&) = delete;
    CountingMessageSink& operator=(const CountingMessageSink&) = delete;

    MsgAnswer show(const MessageRequest& request) override;
    const QList<int>& numbers() const { return m_numbers; }

private:
    MessageSink* m_next;
    QList<int> m_numbers;
};

class CliWorkspace {
public:
    CliWorkspace();
    ~CliWorkspace();
    CliWorkspace(const CliWorkspace&) = delete;
    CliWorkspace& operator=(const CliWorkspace&) = delete;

    bool ok() const { return m_dir.isValid(); }
    enum class Reading {
        Whole,      // every member unpacked (readProject)
        Checked,    // only what opening reads unpacked (readProjectTable)
        TableOnly,  // the table of contents alone (readProjectTableOnly)
    };
    // Opens the file as the editor does; false when it did not open (message
    // 77, 134 or 1421), and the reason is already on standard error.
    bool open(const QString& path, Reading reading = Reading::Whole);

    const QList<int>& messages() const { return m_messages.numbers(); }

private:
    ScratchFolder m_dir;
    CountingMessageSink m_messages;
};

}  // namespace brindle::cli
