#include "components/encoders/encoder_control.h"

#include "components/encoders/encoder_ids.h"

#include <QMetaObject>

namespace brindle::encoders {

class EncoderControl::Context : public JobContext {
public:
    explicit Context(EncoderControl* control) : m_control(control) {}

    bool abortRequested() const override { return m_control->m_abort.load(); }

    void progress(int percent) override {
        if (percent != m_lastPercent) {
            m_lastPercent = percent;
            m_control->post(EncodeProgress, {percent});
        }
    }

    void error(const Failure& failure) override {
        m_control->post(EncodeError, {failure.code, QString::fromStdString(failure.text)});
    }

private:
    EncoderControl* m_control;
    int m_lastPercent = -1;
};

EncoderControl::EncoderControl(QWidget* parent) : QWidget(parent) {
    // Hosted invisibly on its window.
    setVisible(false);
}

EncoderControl::~EncoderControl() {
    m_abort = true;
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void EncoderControl::saveProperties(dispatch::PropertyBag& bag) const {
    bag.setVersion(QStringLiteral("1.0"));
}

void EncoderControl::post(int event, const QVariantList& args) {
    QMetaObject::invokeMethod(
        this, [this, event, args] { fire(event, args); }, Qt::QueuedConnection);
}

void EncoderControl::completed() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_busy = false;
    fire(EncodeComplete);
}

void EncoderControl::launch(std::function<void(JobContext&)> work) {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_abort = false;
    m_busy = true;
    m_worker = std::thread([this, work = std::move(work)] {
        Context context(this);
        work(context);
        QMetaObject::invokeMethod(
            this, [this] { completed(); }, Qt::QueuedConnection);
    });
}

void EncoderControl::abortEncode() {
    if (m_busy) {
        m_abort = true;
    }
}

}  // namespace brindle::encoders
