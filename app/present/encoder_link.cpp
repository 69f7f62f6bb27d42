#include "app/present/encoder_link.h"

#include "components/encoders/encoder_ids.h"
#include "platform/dispatch/control_host.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace brindle {

namespace {

// An encoder control behind the control host.
class HostedEncoder : public EncoderLink {
public:
    explicit HostedEncoder(std::unique_ptr<dispatch::ControlHost> host) : m_host(std::move(host)) {
        for (int id : {encoders::EncodeComplete, encoders::EncodeError, encoders::EncodeProgress}) {
            m_host->onEvent(id, [this, id](const QVariantList& args) { deliver(id, args); });
        }
    }
    dispatch::DispResult put(int dispid, const QVariant& value) override {
        return m_host->put(dispid, value);
    }
    dispatch::DispResult call(int dispid, QVariantList args) override {
        return m_host->call(dispid, std::move(args));
    }

private:
    std::unique_ptr<dispatch::ControlHost> m_host;
};

struct LoadedEncoders {
    QPointer<QWidget> parent;  // hidden; the controls are its children
    std::unique_ptr<HostedEncoder> audio;
    std::unique_ptr<HostedEncoder> media;
    bool audioTried = false;
    bool mediaTried = false;
};

LoadedEncoders* gLoaded = nullptr;
EncoderLink* gAudioOverride = nullptr;
EncoderLink* gMediaOverride = nullptr;

// The controls end before the application does: their destructors stop a
// running encode and wait for its thread.
void unloadEncoders() {
    if (!gLoaded) {
        return;
    }
    gLoaded->audio.reset();
    gLoaded->media.reset();
    delete gLoaded->parent.data();
    delete gLoaded;
    gLoaded = nullptr;
}

LoadedEncoders& loaded() {
    if (!gLoaded) {
        gLoaded = new LoadedEncoders;
        gLoaded->parent = new QWidget;
        gLoaded->parent->setObjectName("encoderHost");
        qAddPostRoutine(unloadEncoders);
    }
    return *gLoaded;
}

std::unique_ptr<HostedEncoder> load(const char* library) {
    std::unique_ptr<dispatch::ControlHost> host =
        dispatch::ControlHost::load(QString::fromLatin1(library), loaded().parent);
    return host ? std::make_unique<HostedEncoder>(std::move(host)) : nullptr;
}

}  // namespace

EncoderLink* audioEncoder() {
    if (gAudioOverride) {
        return gAudioOverride;
    }
    LoadedEncoders& l = loaded();
    if (!l.audioTried) {
        l.audioTried = true;
        l.audio = load("quillon");
    }
    return l.audio.get();
}

EncoderLink* mediaEncoder() {
    if (gMediaOverride) {
        return gMediaOverride;
    }
    LoadedEncoders& l = loaded();
    if (!l.mediaTried) {
        l.mediaTried = true;
        l.media = load("tolvern");
    }
    return l.media.get();
}

void setPassEncoders(EncoderLink* audio, EncoderLink* media) {
    gAudioOverride = audio;
    gMediaOverride = media;
}

}  // namespace brindle
