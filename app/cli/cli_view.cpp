#include "app/cli/cli_view.h"

#include "app/cli/clip_control.h"
#include "controls/clipedit/klipvane_ids.h"

namespace brindle::cli {

CliView::CliView() = default;

CliView::~CliView() {
    if (projectView() == this) {
        setProjectView(nullptr);
    }
    // The control goes before the window that parents it.
    m_clipEdit.reset();
}

ImageControl& CliView::worker() {
    if (!m_worker) {
        m_worker = std::make_unique<ImageControl>();
    }
    return *m_worker;
}

dispatch::ControlHost* CliView::clipEditControl() {
    if (!m_clipEditTried) {
        m_clipEditTried = true;
        m_window = std::make_unique<QWidget>();
        QString error;
        m_clipEdit = dispatch::ControlHost::load(klipvane::kControlName, m_window.get(), &error);
        if (!m_clipEdit) {
            complain(QStringLiteral("cannot load the clip edit control: %1").arg(error));
        }
    }
    return m_clipEdit.get();
}

}  // namespace brindle::cli
