// Shared by the scan dialog tests: a project view with its own Worker, and
// a helper that acts on a window once it is shown (for the modal windows a
// scan opens on its way).
#pragma once

#include "app/model/project_view.h"
#include "components/imaging/image_control.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace brindle::test {

class ScanView : public ProjectView {
public:
    void setCaption(const QString&) override {}
    void resetStrip() override {}
    void showFromFirstSlide() override {}
    void refreshStrip() override { ++refreshes; }
    void dimTheWindow(bool) override {}
    QWidget* dialogParent() override { return nullptr; }
    ImageControl& worker() override { return image; }
    dispatch::ControlHost* clipEditControl() override { return nullptr; }

    int refreshes = 0;
    ImageControl image;
};

// Calls act(window) once a visible top-level window named `name` shows up,
// checking every 20 ms for up to 20 s; answers a flag that tells whether
// it did.
inline std::shared_ptr<bool> whenShown(const QString& name, std::function<void(QWidget*)> act) {
    auto done = std::make_shared<bool>(false);
    auto* timer = new QTimer(qApp);
    auto left = std::make_shared<int>(1000);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, name, act, done, left] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == name && w->isVisible()) {
                timer->stop();
                timer->deleteLater();
                *done = true;
                act(w);
                return;
            }
        }
        if (--*left <= 0) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
    return done;
}

}  // namespace brindle::test
