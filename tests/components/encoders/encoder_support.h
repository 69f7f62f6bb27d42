// Shared by the encoder tests: fixtures made with the ffmpeg command-line
// tool, the encoder controls loaded through the control host with their
// events recorded, and an independent read-back of what they wrote.
#pragma once

#include "tests/support/media_fixture.h"

#include "platform/dispatch/control_host.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

namespace brindle::test {

// A wave file of a sine tone: amplitude 0..1, mono unless channels says
// otherwise.
QString makeTone(const QString& path, double frequency, double seconds, double amplitude = 0.5,
                 int rate = 22050, int channels = 1);

// An AVI clip of moving test pictures (MPEG-4), with a 22050 Hz sine tone
// as its sound unless toneFrequency is 0.
QString makeClip(const QString& path, double seconds, int width = 640, int height = 480,
                 int fps = 15, double toneFrequency = 440);

// One encoder control on a hidden parent, with every event it fires.
class EncoderUnderTest {
public:
    explicit EncoderUnderTest(const QString& library);
    ~EncoderUnderTest();

    bool loaded() const { return m_host != nullptr; }
    dispatch::ControlHost& host() { return *m_host; }

    // Runs the event loop until EncodeComplete arrives; false on timeout.
    bool waitComplete(int timeoutMs = 60000);
    // Runs the event loop until an event of the id (or EncodeComplete)
    // has arrived.
    bool waitEvent(int id, int timeoutMs = 60000);

    struct Event {
        int id;
        QVariantList args;
    };
    const std::vector<Event>& events() const { return m_events; }
    std::vector<int> errorCodes() const;
    std::vector<int> progress() const;
    int completions() const;
    void clearEvents() { m_events.clear(); }

private:
    std::vector<int> firstArguments(int id) const;

    QWidget m_parent;
    std::unique_ptr<dispatch::ControlHost> m_host;
    std::vector<Event> m_events;
};

// The sound of a file as mono floats at its own rate.
struct SoundRead {
    std::string codec;
    int rate = 0;
    int streams = 0;
    double containerSeconds = 0;  // as the container's header and timestamps say
    std::vector<float> samples;
    double seconds() const { return rate ? double(samples.size()) / rate : 0; }
};
SoundRead readSound(const QString& path);

struct VideoRead {
    std::string codec;
    int width = 0;
    int height = 0;
    int streams = 0;
    bool hasSound = false;
    int frames = 0;  // decoded
    int packets = 0;
    int decodeErrors = 0;  // packets or frames the decoder refused
    int largestPacket = 0;
};
VideoRead readVideo(const QString& path);

// Level of a stretch of a sound, from and to in seconds.
double rms(const SoundRead& s, double from, double to);
// Amplitude of one frequency in a stretch (a sine of amplitude a gives a).
double toneAmplitude(const SoundRead& s, double frequency, double from, double to);

}  // namespace brindle::test
