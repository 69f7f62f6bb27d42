#include "app/present/encode_wait.h"

#include "app/model/progress.h"
#include "app/present/encoder_link.h"
#include "app/present/pass_progress.h"
#include "app/present/smil_master.h"
#include "components/encoders/encoder_ids.h"
#include "platform/event_wait.h"

#include <cmath>

namespace brindle {

bool EncodeDone = false;
std::int32_t gEncodeError = 0;

void handleEncoderEvent(bool showsProgress, int dispid, const QVariantList& args) {
    switch (dispid) {
        case encoders::EncodeComplete:
            EncodeDone = true;
            break;
        case encoders::EncodeError:
            // Only the first code counts; the description is not shown.
            if (gEncodeError == 0 && !args.isEmpty()) {
                gEncodeError = static_cast<std::int16_t>(args.front().toInt());
            }
            break;
        case encoders::EncodeProgress:
            if (showsProgress && !CancelRequested && !args.isEmpty()) {
                if (PassProgress* progress = currentPassProgress()) {
                    const double percent = args.front().toDouble();
                    progress->setValue(static_cast<int>(
                        std::lround(gProgressBase + percent / 100.0 * gProgressSpan)));
                }
            }
            break;
        default:
            break;
    }
}

void listenToEncoder(EncoderLink& encoder, bool showsProgress) {
    encoder.setEventHandler([showsProgress](int dispid, const QVariantList& args) {
        handleEncoderEvent(showsProgress, dispid, args);
    });
}

void waitForEncode(EncoderLink& encoder, int abortDispid) {
    // The encoders post their events, so waiting for events misses none;
    // the poll only makes sure a cancel set outside an event is seen.
    bool aborted = false;
    processEventsUntil(
        [&] {
            if (CancelRequested && !aborted) {
                aborted = true;
                encoder.call(abortDispid);
            }
            return EncodeDone;
        },
        QDeadlineTimer(QDeadlineTimer::Forever), 100);
}

}  // namespace brindle
