#include "platform/event_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace brindle {

bool processEventsUntil(const std::function<bool()>& done, QDeadlineTimer deadline,
                        int wakeEveryMs) {
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        // Wakes the loop at the deadline or the next poll, whichever is first.
        qint64 next = wakeEveryMs > 0 ? wakeEveryMs : -1;
        if (!deadline.isForever()) {
            const qint64 left = deadline.remainingTime();
            next = next < 0 ? left : std::min(next, left);
        }
        if (next >= 0) {
            wake.start(static_cast<int>(next));
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void processEventsFor(int ms, const bool* stop) {
    processEventsUntil([stop] { return stop && *stop; }, QDeadlineTimer(ms, Qt::PreciseTimer));
}

}  // namespace brindle
