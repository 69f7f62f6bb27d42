// A project opened by brindle-cli: the window-less project view and private
// work and preview folders, so the tool never touches the files of an
// editor that is running.
#pragma once

#include "app/cli/cli_view.h"
#include "app/cli/clip_control.h"
#include "app/cli/scratch_folder.h"
#include "platform/messages.h"

#include <QList>

#include <memory>

namespace brindle::cli {

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

class CliProject {
public:
    CliProject();
    ~CliProject();
    CliProject(const CliProject&) = delete;
    CliProject& operator=(const CliProject&) = delete;

    bool ok() const { return m_dir.isValid(); }
    enum class Reading {
        Whole,      // every member unpacked (readProject)
        Checked,    // only what opening reads unpacked (readProjectTable)
        TableOnly,  // the table of contents alone (readProjectTableOnly)
    };
    // Opens the file as the editor does; false when it did not open (message
    // 77, 134 or 1421), and the reason is already on standard error.
    bool open(const QString& path, Reading reading = Reading::Whole);

    CliView& view() { return m_view; }
    const QList<int>& messages() const { return m_messages.numbers(); }

private:
    ScratchFolder m_dir;
    CliView m_view;
    CountingMessageSink m_messages;
};

}  // namespace brindle::cli
