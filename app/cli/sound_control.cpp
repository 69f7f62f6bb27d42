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
        // The control answers with codes only; the ones a user can act on
        // are said in words too.
        QString words;
        if (r.code == sonteval::kErrWrite) {
            words = QStringLiteral(" (the file could not be written: the disk may be full)");
        } else if (r.code == sonteval::kErrCannotOpen) {
            words = QStringLiteral(" (the file could not be opened)");
        }
        complain(QStringLiteral("%1: error 0x%2%3")
                     .arg(what)
                     .arg(static_cast<quint32>(r.code), 8, 16, QLatin1Char('0'))
                     .arg(words));
    }
    return r.ok();
}

}  // namespace brindle::cli
