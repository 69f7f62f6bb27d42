#include "app/present/slide_pause.h"

#include "app/media/progress_form.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTime>
#include <QTimer>

namespace brindle {

int slidePauseMs(int msOfDay) {
    const int withinSecond = ((msOfDay % 1000) + 1000) % 1000;
    // Before the half second the nearest second is this one, from it on the
    // next one.
    return withinSecond < 500 ? 500 - withinSecond : 1500 - withinSecond;
}

void pauseBeforeSlide() {
    const QDeadlineTimer deadline(slidePauseMs(QTime::currentTime().msecsSinceStartOfDay()),
                                  Qt::PreciseTimer);
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!CancelRequested && !deadline.hasExpired()) {
        wake.start(static_cast<int>(deadline.remainingTime()));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace brindle
