#include "app/cli/clip_control.h"

#include "controls/clipedit/klipvane_ids.h"

#include <cstdio>

namespace brindle::cli {

ClipControl::ClipControl() {
    QString error;
    m_host = dispatch::ControlHost::load(klipvane::kControlName, &m_window, &error);
    if (!m_host) {
        complain(QStringLiteral("cannot load the clip edit control: %1").arg(error));
    }
}

bool ClipControl::open(const QString& path) {
    m_host->put(klipvane::DispFilename, path);
    if (m_host->get(klipvane::DispFilename).value.toString().isEmpty()) {
        complain(QStringLiteral("%1: not an AVI clip with a readable first frame").arg(path));
        return false;
    }
    return true;
}

}  // namespace brindle::cli
