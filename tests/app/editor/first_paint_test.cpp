#include "app/editor/first_paint.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <sys/time.h>
#include <memory>

namespace brindle {
namespace {

QByteArray epochSecondsAgo(double seconds) {
    timeval now{};
    gettimeofday(&now, nullptr);
    const double t = static_cast<double>(now.tv_sec) + now.tv_usec / 1e6 - seconds;
    return QByteArray::number(t, 'f', 6);
}

TEST(FirstPaintTest, TimeSinceLaunchFromTheShellClockOrTheProcessStart) {
    // A launch 1.5 s ago, as a shell's EPOCHREALTIME would give it.
    const double ms = msSinceLaunch(epochSecondsAgo(1.5));
    EXPECT_GE(ms, 1500.0);
    EXPECT_LT(ms, 1500.0 + 5000.0);

    // Anything else: this process's own start, which was before now and
    // not long ago (the test program started it moments back).
    QElapsedTimer sinceHere;
    sinceHere.start();
    for (const QByteArray& other : {QByteArray("1"), QByteArray("yes"), QByteArray()}) {
        const double own = msSinceLaunch(other);
        EXPECT_GE(own, 0.0) << other.constData();
        EXPECT_LT(own, 10 * 60 * 1000.0) << other.constData();
    }
}

TEST(FirstPaintTest, WorkRunsOnceAfterThePaintNotBefore) {
    QWidget window;
    window.resize(200, 100);
    int runs = 0;
    bool paintedFirst = false;
    struct Painted : QObject {
        bool* seen;
        explicit Painted(bool* s) : seen(s) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) {
                *seen = true;
            }
            return false;
        }
    } painted(&paintedFirst);
    window.installEventFilter(&painted);
    afterNextPaint(
        &window,
        [&] {
            EXPECT_TRUE(paintedFirst);
            ++runs;
        },
        60000);
    EXPECT_EQ(runs, 0) << "ran at once, before any paint";
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs > 0; }, 5000));
    // Later paints do not run it again.
    window.repaint();
    window.update();
    QTest::qWait(50);
    EXPECT_EQ(runs, 1);
}

TEST(FirstPaintTest, AWindowNeverPaintedRunsTheWorkAtTheFallbackTime) {
    QWidget hidden;
    int runs = 0;
    QElapsedTimer clock;
    clock.start();
    afterNextPaint(
        &hidden, [&] { ++runs; }, 80);
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs > 0; }, 5000));
    EXPECT_GE(clock.elapsed(), 70);
    QTest::qWait(120);
    EXPECT_EQ(runs, 1);
}

TEST(FirstPaintTest, WorkOfAWindowGoneBeforeItsPaintNeverRuns) {
    int runs = 0;
    {
        auto window = std::make_unique<QWidget>();
        afterNextPaint(
            window.get(), [&] { ++runs; }, 30);
        window->show();
    }
    QTest::qWait(150);
    EXPECT_EQ(runs, 0);
}

TEST(FirstPaintTest, TheBenchmarkHookEndsTheEventLoopAtTheFirstPaint) {
    qputenv("BRINDLE_FIRST_PAINT", epochSecondsAgo(0));
    QWidget strip;
    strip.resize(300, 80);
    reportFirstStripPaint(&strip);
    qunsetenv("BRINDLE_FIRST_PAINT");
    strip.show();
    // Ends with 0 at the paint; the guard ends it with 7 otherwise.
    QTimer::singleShot(10000, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 0);

    // Without the variable nothing is watched.
    QWidget other;
    reportFirstStripPaint(&other);
    other.show();
    QTimer::singleShot(200, [] { QCoreApplication::exit(5); });
    EXPECT_EQ(QCoreApplication::exec(), 5);
}

}  // namespace
}  // namespace brindle
