// The editor window's side of an encode: the events of both encoders and
// the wait for an encode's end, which keeps the message loop running so
// the events and the Cancel button arrive.
#pragma once

#include <QVariantList>

namespace brindle {

class EncoderLink;

// The events of an encoder: EncodeComplete sets EncodeDone; EncodeError
// keeps its code in gEncodeError unless one is kept already; EncodeProgress
// moves the progress bar when showsProgress (the audio encoder) and no
// cancel is pending.
void handleEncoderEvent(bool showsProgress, int dispid, const QVariantList& args);

// Connects the encoder's events to handleEncoderEvent.
void listenToEncoder(EncoderLink& encoder, bool showsProgress);

// Runs the message loop until EncodeDone. When CancelRequested is set the
// encoder's abort method is called (once) and the wait goes on for the
// EncodeComplete that follows it.
void waitForEncode(EncoderLink& encoder, int abortDispid);

}  // namespace brindle
