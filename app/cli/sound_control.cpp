#include "app/cli/sound_control.h"

#include "app/cli/clip_control.h"
#include "controls/audiocap/sonteval_ids.h"

namespace brindle::cli {

SoundControl::SoundControl() {
    QString error;
    m_host = dispatch::ControlHost::load(sonteval::kControlName, &m_window, &error);
    if (!m_host) {
        complain(QStringLiteral("cannot load the audio capture control: %1").arg(error));
    }
}

bool SoundControl::report(const dispatch::DispResult& r, const QString& what) {
    if (!r.ok()) {
        complain(QStringLiteral("%1: error 0x%2")
                     .arg(what)
                     .arg(static_cast<quint32>(r.code), 8, 16, QLatin1Char('0')));
    }
    return r.ok();
}

}  // namespace brindle::cli
