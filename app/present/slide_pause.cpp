#include "app/present/slide_pause.h"

#include "app/model/progress.h"
#include "platform/event_wait.h"

#include <QTime>

namespace brindle {

int slidePauseMs(int msOfDay) {
    const int withinSecond = ((msOfDay % 1000) + 1000) % 1000;
    // Before the half second the nearest second is this one, from it on the
    // next one.
    return withinSecond < 500 ? 500 - withinSecond : 1500 - withinSecond;
}

void pauseBeforeSlide() {
    processEventsUntil([] { return CancelRequested; },
                       QDeadlineTimer(slidePauseMs(QTime::currentTime().msecsSinceStartOfDay()),
                                      Qt::PreciseTimer));
}

}  // namespace brindle
