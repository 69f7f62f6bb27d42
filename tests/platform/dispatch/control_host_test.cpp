#include "platform/dispatch/control_host.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#include <memory>

namespace brindle::dispatch {
namespace {

// The example control's dispatch ids.
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

class ControlHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        host = ControlHost::load("examplecontrol", &parent, &error);
        ASSERT_TRUE(host) << error.toStdString();
    }

    QWidget parent;
    std::unique_ptr<ControlHost> host;
};

TEST_F(ControlHostTest, LoadsByNameAndSitsOnTheParent) {
    EXPECT_EQ(host->name(), "Example");
    EXPECT_EQ(host->progId(), "EXAMPLE.ExampleCtrl.1");
    ASSERT_NE(host->widget(), nullptr);
    EXPECT_EQ(host->widget()->parentWidget(), &parent);
}

TEST_F(ControlHostTest, ALibraryWithoutAPropertyPageMakesNone) {
    QString progId = "unchanged";
    EXPECT_EQ(host->createPropertyPage(&parent, &progId), nullptr);
    EXPECT_EQ(progId, "unchanged");
}

TEST_F(ControlHostTest, PropertiesByDispatchId) {
    EXPECT_TRUE(host->put(DispText, "hello").ok());
    EXPECT_EQ(host->get(DispText).value.toString(), "hello");
    EXPECT_EQ(host->get(DispLength).value.toInt(), 5);
    EXPECT_TRUE(host->put(DispCount, "42").ok());  // converted as dispatch does
    EXPECT_EQ(host->get(DispCount).value.toInt(), 42);
    // A property read with method syntax, as late-bound callers do.
    EXPECT_EQ(host->call(DispCount).value.toInt(), 42);
}

TEST_F(ControlHostTest, MethodsReturnValuesAndWriteOutParameters) {
    const DispResult sum = host->call(DispAdd, {2, 3});
    ASSERT_TRUE(sum.ok());
    EXPECT_EQ(sum.value.toInt(), 5);

    QVariantList args{QStringLiteral("abcd"), QVariant(), QVariant()};
    ASSERT_TRUE(host->invoke(DispSplit, InvokeKind::Method, args).ok());
    EXPECT_EQ(args[1].toString(), "ab");
    EXPECT_EQ(args[2].toString(), "cd");
}

TEST_F(ControlHostTest, ErrorsComeBackAsDispatchCodes) {
    EXPECT_EQ(host->get(99).code, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(host->call(99).code, DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(host->put(DispLength, 3).code, CTL_E_SETNOTSUPPORTED);
    EXPECT_EQ(host->get(DispWriteOnly).code, CTL_E_GETNOTSUPPORTED);
    EXPECT_EQ(host->put(DispCount, "abc").code, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(host->get(DispCount).value.toInt(), 0);  // unchanged by the failed put
    EXPECT_EQ(host->call(DispAdd, {1}).code, DISP_E_BADPARAMCOUNT);
    QVariantList two{1, 2};
    EXPECT_EQ(host->invoke(DispText, InvokeKind::Put, two).code, DISP_E_BADPARAMCOUNT);

    const DispResult failed = host->call(DispFail);
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(failed.code, static_cast<HResult>(0x80040007));
    EXPECT_EQ(failed.description, "No stream is open");
}

TEST_F(ControlHostTest, EventsArriveByIdDuringTheCall) {
    QList<std::pair<int, QVariantList>> seen;
    int handled = 0;
    QObject::connect(host.get(), &ControlHost::event, [&](int id, const QVariantList& args) {
        seen.append({id, args});
    });
    host->onEvent(1, [&](const QVariantList& args) { handled += args.value(0).toInt(); });
    host->call(DispAdd, {4, 5});
    // Delivered synchronously, inside the call, as a progress event must be.
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].first, 1);
    EXPECT_EQ(seen[0].second, QVariantList{9});
    EXPECT_EQ(handled, 9);
}

TEST_F(ControlHostTest, EventsFromAWorkerThreadArriveOnTheGuiThread) {
    QThread* deliveredOn = nullptr;
    QString payload;
    host->onEvent(2, [&](const QVariantList& args) {
        deliveredOn = QThread::currentThread();
        payload = args.value(0).toString();
    });
    ASSERT_TRUE(host->call(DispFireFromWorker).ok());
    QElapsedTimer timer;
    timer.start();
    while (!deliveredOn && timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(deliveredOn, QCoreApplication::instance()->thread());
    EXPECT_EQ(payload, "done");
}

TEST_F(ControlHostTest, PersistedPropertiesRoundTripThroughTheBag) {
    host->put(DispText, "kept");
    host->put(DispCount, 7);
    const PropertyBag bag = host->saveProperties();
    EXPECT_EQ(bag.version(), "1.0");

    PropertyBag restored;
    ASSERT_TRUE(PropertyBag::fromByteArray(bag.toByteArray(), &restored));
    EXPECT_EQ(restored, bag);

    QWidget otherParent;
    auto other = ControlHost::load("examplecontrol", &otherParent);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->get(DispText).value.toString(), "");
    other->loadProperties(restored);
    EXPECT_EQ(other->get(DispText).value.toString(), "kept");
    EXPECT_EQ(other->get(DispCount).value.toInt(), 7);

    // A missing property takes its default.
    other->loadProperties(PropertyBag("1.0"));
    EXPECT_EQ(other->get(DispCount).value.toInt(), 0);
    PropertyBag junk;
    EXPECT_FALSE(PropertyBag::fromByteArray("not a bag", &junk));
}

TEST_F(ControlHostTest, HostSurvivesItsParentDeletingTheControl) {
    auto ownParent = std::make_unique<QWidget>();
    auto h = ControlHost::load("examplecontrol", ownParent.get());
    ASSERT_TRUE(h);
    ownParent.reset();  // deletes the control as a child widget
    EXPECT_EQ(h->widget(), nullptr);
    EXPECT_EQ(h->get(DispText).code, E_FAIL);
    h.reset();  // must not delete it a second time
}

TEST(ControlHostLoading, RefusesWhatIsNotAControl) {
    QWidget parent;
    QString error;
    EXPECT_FALSE(ControlHost::load("nosuchcontrol", &parent, &error));
    EXPECT_TRUE(error.contains("does not exist")) << error.toStdString();
    EXPECT_FALSE(ControlHost::load("noentry", &parent, &error));
    EXPECT_TRUE(error.contains("brindle_control_module")) << error.toStdString();
}

}  // namespace
}  // namespace brindle::dispatch
