// A project opened by brindle-cli: a window-less project view (the caption
// and strip calls go nowhere; the clip edit control is loaded when a clip is
// first checked) and private work and preview folders, so the tool never
// touches the files of an editor that is running.
#pragma once

#include "app/cli/clip_control.h"
#include "app/model/project_view.h"
#include "components/imaging/image_control.h"
#include "platform/messages.h"

#include <QList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace brindle::cli {

class CliView : public ProjectView {
public:
    void setCaption(const QString& caption) override { m_caption = caption; }
    void resetStrip() override {}
    void showFromFirstSlide() override {}
    void refreshStrip() override {}
    void dimTheWindow(bool) override {}
    QWidget* dialogParent() override { return nullptr; }
    ImageControl& worker() override { return m_worker; }
    dispatch::ControlHost* clipEditControl() override;

    QString caption() const { return m_caption; }

private:
    QString m_caption;
    ImageControl m_worker;
    std::optional<ClipControl> m_clip;
};

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
    // Opens the file as the editor does; false when it did not open (message
    // 77 or 134), and the reason is already on standard error.
    bool open(const QString& path);

    CliView& view() { return m_view; }
    const QList<int>& messages() const { return m_messages.numbers(); }

private:
    QTemporaryDir m_dir;
    CliView m_view;
    CountingMessageSink m_messages;
};

}  // namespace brindle::cli
