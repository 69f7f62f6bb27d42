#include "app/editor/event_wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace brindle {

void processEventsFor(int ms, const bool* stop) {
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    while (!deadline.hasExpired() && !(stop && *stop)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // Nothing to do until the next event: do not spin a core.
        QThread::msleep(1);
    }
}

}  // namespace brindle
