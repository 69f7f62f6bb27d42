// The project view of brindle-cli: no window, so the strip and the dimming
// do nothing and the caption is only kept; the hidden image control and the
// clip edit control are made when first asked for, so subcommands that
// never use them pay nothing.
#pragma once

#include "app/model/project_view.h"
#include "components/imaging/image_control.h"
#include "platform/dispatch/control_host.h"

#include <QWidget>

#include <memory>

namespace brindle::cli {

class CliView : public ProjectView {
public:
    CliView();
    ~CliView() override;
    CliView(const CliView&) = delete;
    CliView& operator=(const CliView&) = delete;

    void setCaption(const QString& caption) override { m_caption = caption; }
    void resetStrip() override {}
    void showFromFirstSlide() override {}
    void refreshStrip() override {}
    void dimTheWindow(bool) override {}
    QWidget* dialogParent() override { return nullptr; }
    ImageControl& worker() override;
    dispatch::ControlHost* clipEditControl() override;

    QString caption() const { return m_caption; }

private:
    QString m_caption;
    std::unique_ptr<ImageControl> m_worker;
    std::unique_ptr<QWidget> m_window;  // the clip edit control's parent, never shown
    std::unique_ptr<dispatch::ControlHost> m_clipEdit;
    bool m_clipEditTried = false;
};

}  // namespace brindle::cli
