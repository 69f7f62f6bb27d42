// A tiny control used only by the tests of control hosting: two persisted
// properties, a read-only one, methods with a result, an out parameter and an
// error, and events fired on the caller's thread and from a worker thread.
#include "platform/dispatch/control_api.h"

#include <QPainter>
#include <QWidget>

#include <array>
#include <thread>

namespace {

using namespace brindle::dispatch;

enum : int {
    DispText = 1,
    DispCount = 2,
    DispLength = 3,
    DispAdd = 4,
    DispFail = 5,
    DispSplit = 6,
    DispFireFromWorker = 7,
    DispWriteOnly = 8,
};
enum : int { EventAdded = 1, EventWorkerDone = 2 };

class ExampleControl : public QWidget, public Control, public Fields<ExampleControl> {
public:
    explicit ExampleControl(QWidget* parent) : QWidget(parent) { resize(24, 22); }
    ~ExampleControl() override {
        if (m_worker.joinable()) {
            m_worker.join();
        }
    }

    QWidget* widget() override { return this; }

    DispResult invoke(int dispid, InvokeKind kind, QVariantList& args) override {
        return dispatchByTable<ExampleControl>(*this, kTable, dispid, kind, args);
    }

    void saveProperties(PropertyBag& bag) const override {
        bag.setVersion("1.0");
        bag.write("Text", m_text);
        bag.write("Count", m_count);
    }

    void loadProperties(const PropertyBag& bag) override {
        m_text = bag.read("Text", QString()).toString();
        m_count = bag.read("Count", 0).toInt();
    }

private:
    DispResult getText() { return DispResult::value_of(m_text); }
    DispResult putText(const QVariant& v) {
        m_text = v.toString();
        return {};
    }
    DispResult getLength() { return DispResult::value_of(static_cast<int>(m_text.size())); }
    DispResult putWriteOnly(const QVariant&) { return {}; }

    DispResult add(QVariantList& args) {
        int a = 0, b = 0;
        if (args.size() != 2) {
            return DispResult::error(DISP_E_BADPARAMCOUNT);
        }
        if (!argAs(args[0], &a) || !argAs(args[1], &b)) {
            return DispResult::error(DISP_E_TYPEMISMATCH);
        }
        fire(EventAdded, {a + b});
        return DispResult::value_of(a + b);
    }
    DispResult failing(QVariantList&) {
        return DispResult::error(static_cast<HResult>(0x80040007), "No stream is open");
    }
    // Split(in text, out head, out tail).
    DispResult split(QVariantList& args) {
        if (args.size() != 3) {
            return DispResult::error(DISP_E_BADPARAMCOUNT);
        }
        const QString s = args[0].toString();
        args[1] = s.left(s.size() / 2);
        args[2] = s.mid(s.size() / 2);
        return {};
    }
    DispResult fireFromWorker(QVariantList&) {
        if (m_worker.joinable()) {
            m_worker.join();
        }
        m_worker = std::thread([this] { fire(EventWorkerDone, {QStringLiteral("done")}); });
        return {};
    }

    static const std::array<Member<ExampleControl>, 8> kTable;

    QString m_text;
    int m_count = 0;
    std::thread m_worker;
};

// Defined once the class is complete, so the table can name its fields.
const std::array<Member<ExampleControl>, 8> ExampleControl::kTable{{
    {DispText, "Text", &ExampleControl::getText, &ExampleControl::putText},
    {DispCount, "Count", &ExampleControl::getField<int, &ExampleControl::m_count>,
     &ExampleControl::putField<int, &ExampleControl::m_count>},
    {DispLength, "Length", &ExampleControl::getLength},
    {DispAdd, "Add", nullptr, nullptr, &ExampleControl::add},
    {DispFail, "Fail", nullptr, nullptr, &ExampleControl::failing},
    {DispSplit, "Split", nullptr, nullptr, &ExampleControl::split},
    {DispFireFromWorker, "FireFromWorker", nullptr, nullptr, &ExampleControl::fireFromWorker},
    {DispWriteOnly, "WriteOnly", nullptr, &ExampleControl::putWriteOnly},
}};

Control* create(QWidget* parent) {
    return new ExampleControl(parent);
}

const ControlModule kModule{kControlInterfaceVersion, "Example", "EXAMPLE.ExampleCtrl.1", create};

}  // namespace

BRINDLE_EXPORT_CONTROL(kModule)
