#include "app/editor/event_wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace brindle {

void processEventsFor(int ms, const bool* stop) {
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    // Sleeps in the event loop until the next event or the deadline, so the
    // wait does not spin; the flag can only change in an event handler.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!(stop && *stop) && !deadline.hasExpired()) {
        wake.start(static_cast<int>(deadline.remainingTime()));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace brindle
