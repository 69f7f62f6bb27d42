// Presses Cancel on the progress window as soon as one shows, as a user
// would, while the code under test runs its own event loop.
#pragma once

#include "app/media/progress_form.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

namespace brindle::test {

class CancelPresser {
public:
    CancelPresser() {
        installProgressWindows();
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* form = qobject_cast<progressForm*>(w);
                if (form && form->isVisible() && !m_pressed) {
                    m_pressed = true;
                    form->Cancel()->click();
                }
            }
        });
        m_timer.start(5);
    }
    bool pressed() const { return m_pressed; }

private:
    QTimer m_timer;
    bool m_pressed = false;
};

}  // namespace brindle::test
