// What the two encoder controls share: an invisible widget that runs one
// encode at a time on a worker thread and reports it through the events
// EncodeProgress, EncodeError and EncodeComplete. The worker never calls the
// host: each report is posted to the control's own (GUI) thread and fired
// there, so a host that goes away while an encode runs is never reached from
// the worker, and reports still pending die with the control.
#pragma once

#include "components/encoders/encode_job.h"
#include "platform/dispatch/control_api.h"

#include <QWidget>

#include <atomic>
#include <functional>
#include <thread>

namespace brindle::encoders {

class EncoderControl : public QWidget, public dispatch::Control {
public:
    explicit EncoderControl(QWidget* parent);
    ~EncoderControl() override;  // aborts a running encode and waits for it

    QWidget* widget() override { return this; }
    void saveProperties(dispatch::PropertyBag& bag) const override;
    void loadProperties(const dispatch::PropertyBag&) override {}

protected:
    // The abort method of both controls.
    dispatch::DispResult abortMethod(QVariantList&) {
        abortEncode();
        return {};
    }

    // True from launch() until EncodeComplete has been fired.
    bool busy() const { return m_busy; }

    // Runs work on a worker thread; when it returns, EncodeComplete follows
    // every report it made.
    void launch(std::function<void(JobContext&)> work);

    // Asks the running encode to stop; nothing happens when none runs.
    void abortEncode();

private:
    class Context;
    void post(int event, const QVariantList& args);
    void completed();

    std::thread m_worker;
    std::atomic<bool> m_abort{false};
    bool m_busy = false;
};

}  // namespace brindle::encoders
