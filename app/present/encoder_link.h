// The two encoders the editor window hosts invisibly, the audio encoder
// (sound mix, "quillon") and the media encoder (one clip, "tolvern"), as
// the presentation pass reaches them: properties and methods by dispatch
// id, events by dispatch id on the GUI thread.
#pragma once

#include "platform/dispatch/control_api.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>

namespace brindle {

class EncoderLink {
public:
    using EventHandler = std::function<void(int dispid, const QVariantList& args)>;

    virtual ~EncoderLink() = default;
    virtual dispatch::DispResult put(int dispid, const QVariant& value) = 0;
    virtual dispatch::DispResult call(int dispid, QVariantList args = {}) = 0;

    // The one receiver of the encoder's events; replaces the one before.
    void setEventHandler(EventHandler handler) { m_handler = std::move(handler); }

protected:
    void deliver(int dispid, const QVariantList& args) {
        if (m_handler) {
            m_handler(dispid, args);
        }
    }

private:
    EventHandler m_handler;
};

// The editor's encoders, each loaded from its control library on first use
// and kept for the rest of the run; nullptr when its library cannot be
// loaded.
EncoderLink* audioEncoder();
EncoderLink* mediaEncoder();

// Puts other encoders in their place (tests); nullptr gives back the
// loaded ones. Not owned.
void setPassEncoders(EncoderLink* audio, EncoderLink* media);

}  // namespace brindle
