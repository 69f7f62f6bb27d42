// Hosts Orvalis controls through the dispatch layer, as the dialogs do, with
// the synthetic camera switched on and a private cache folder for the
// default file names. Records every event and every log line.
#pragma once

#include "controls/videocap/orvalis_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/vfw/device_input.h"
#include "tests/support/temp_env.h"

#include <gtest/gtest.h>
#include <QWidget>

#include <memory>
#include <vector>

namespace brindle::orvalis::hosted {

using dispatch::ControlHost;

struct Event {
    int id;
    QVariantList args;
};

// Log lines written while a LogCapture lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    static QStringList lines();
    static int count(const QString& part);
};

class OrvalisTest : public ::testing::Test {
protected:
    // The synthetic cameras' settings for this test; call before host().
    void camera(const char* count, const char* refuse = "", const char* frames = "");
    void TearDown() override;

    // A new control on the test window, its events recorded in `events`.
    std::unique_ptr<ControlHost> load();
    ControlHost& host();

    int errorNum() { return host().get(DispErrorNum).value.toInt(); }
    QString error() { return host().get(DispError).value.toString(); }
    // Sets a property and answers ErrorNum.
    int set(int dispid, const QVariant& value);
    std::vector<Event> eventsOf(int id) const;
    // The driver number of the first synthetic camera.
    int firstCamera() const;
    // True when the sound source can be opened (the private PulseAudio).
    static bool soundAvailable();

    brindle::test::TempEnv env;
    QWidget window;
    std::unique_ptr<ControlHost> m_host;
    std::vector<Event> events;
};

}  // namespace brindle::orvalis::hosted
