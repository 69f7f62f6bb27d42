#include "controls/trimslider/vasklin_ids.h"
#include "platform/dispatch/control_host.h"

#include <gtest/gtest.h>
#include <QHelpEvent>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QWidget>

namespace brindle::vasklin {
namespace {

using dispatch::ControlHost;

struct Event {
    int id;
    int value;
    bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Event& e) {
    return os << "{" << e.id << ", " << e.value << "}";
}

// A control 286 pixels wide: its track is 200 pixels for the default range of
// 100, two pixels a unit, starting at x = 43.
constexpr int kWidth = 286;
constexpr int kTrackLeft = 43;

class VasklinTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        host = ControlHost::load(kControlName, &window, &error);
        ASSERT_TRUE(host) << error.toStdString();
        slider = host->widget();
        slider->setGeometry(0, 0, kWidth, 40);
        window.resize(kWidth, 40);
        window.show();
        QObject::connect(host.get(), &ControlHost::event, [this](int id, const QVariantList& args) {
            events.push_back({id, args.value(0).toInt()});
        });
    }

    int get(int dispid) { return host->get(dispid).value.toInt(); }
    void put(int dispid, int v) { ASSERT_TRUE(host->put(dispid, v).ok()); }
    int call(int dispid) { return host->call(dispid).value.toInt(); }
    void setRange(int a, int b) { ASSERT_TRUE(host->call(DispSetTotalRange, {a, b}).ok()); }
    void marks(int start, int end) {
        put(DispShowTrimCtl, 1);
        put(DispEndEditPos, end);
        put(DispStartEditPos, start);
        put(DispPointerPos, start);
        events.clear();
    }

    // Where things are on the 286-pixel control, in the default range.
    static int xOf(int v) { return kTrackLeft + 2 * v; }
    static QPoint pointerAt(int v) { return {xOf(v), 12}; }
    static QPoint startFlagAt(int v) { return {xOf(v) - 10, 6}; }
    static QPoint endFlagAt(int v) { return {xOf(v) + 12, 6}; }
    static QPoint forwardButton() { return {266, 15}; }
    static QPoint backButton() { return {23, 15}; }

    void drag(const QPoint& from, int dx) {
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, from);
        // Moves of two pixels (one unit), as a hand makes them.
        const int steps = std::abs(dx) / 2;
        for (int i = 1; i <= steps; ++i) {
            QTest::mouseMove(slider, from + QPoint(dx * i / steps, 0));
        }
        QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, from + QPoint(dx, 0));
    }

    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(slider, k, mods);
    }

    void expectState(int pointer, int start, int end) {
        EXPECT_EQ(get(DispPointerPos), pointer);
        EXPECT_EQ(get(DispStartEditPos), start);
        EXPECT_EQ(get(DispEndEditPos), end);
    }

    QImage picture(qreal scale = 1.0) {
        QPixmap pm(slider->size() * scale);
        pm.setDevicePixelRatio(scale);
        slider->render(&pm);
        return pm.toImage();
    }

    QWidget window;
    std::unique_ptr<ControlHost> host;
    QWidget* slider = nullptr;
    std::vector<Event> events;
};

TEST_F(VasklinTest, IdentityDefaultsAndNothingPersisted) {
    EXPECT_EQ(host->name(), "Vasklin");
    EXPECT_EQ(host->progId(), "VASKLIN.VasklinCtrl.1");
    QString pageId;
    std::unique_ptr<QWidget> page(host->createPropertyPage(nullptr, &pageId));
    ASSERT_TRUE(page);
    EXPECT_EQ(pageId, "VASKLIN.TSlider2PropPage.1");

    EXPECT_EQ(get(DispTickCount), 0);
    EXPECT_FALSE(host->get(DispShowTrimCtl).value.toBool());
    EXPECT_EQ(get(DispTickRatio), 0);
    EXPECT_EQ(get(DispPageSize), 10);
    EXPECT_EQ(call(DispGetStartPos), 0);
    EXPECT_EQ(call(DispGetEndPos), 100);
    EXPECT_EQ(call(DispGetEditStartPos), 0);
    EXPECT_EQ(call(DispGetEditEndPos), 100);
    expectState(0, 0, 100);

    put(DispTickRatio, 7);
    EXPECT_EQ(get(DispTickRatio), 0);
    EXPECT_TRUE(host->call(DispGetTotalRange, {QVariant(), QVariant()}).ok());

    put(DispPointerPos, 40);
    const dispatch::PropertyBag bag = host->saveProperties();
    EXPECT_EQ(bag.version(), "1.0");
    EXPECT_TRUE(bag.values().isEmpty());
    EXPECT_FALSE(host->put(DispPointerPos, "not a number").ok());
}

TEST_F(VasklinTest, PropertiesClampWithoutTheirOwnEvents) {
    // The pointer stops at the end mark, silently.
    put(DispPointerPos, 150);
    EXPECT_EQ(get(DispPointerPos), 100);
    EXPECT_TRUE(events.empty());
    // Negative values compare as very large ones.
    put(DispPointerPos, 0);
    put(DispPointerPos, -5);
    EXPECT_EQ(get(DispPointerPos), 100);
    EXPECT_TRUE(events.empty());

    // A mark set by property moves the pointer to it with the pointer's event.
    put(DispPointerPos, 0);
    put(DispStartEditPos, 30);
    expectState(30, 30, 100);
    EXPECT_EQ(events, (std::vector<Event>{{EventPointerPosChanged, 30}}));

    events.clear();
    put(DispEndEditPos, 10);
    expectState(30, 30, 30);
    EXPECT_TRUE(events.empty());  // the pointer already sits at 30

    put(DispEndEditPos, 500);
    expectState(100, 30, 100);
    put(DispStartEditPos, 200);
    expectState(100, 100, 100);

    put(DispPageSize, 1000);
    EXPECT_EQ(get(DispPageSize), 100);
}

TEST_F(VasklinTest, SetTotalRangeKeepsMarksAndPointerInside) {
    setRange(5, 5);
    setRange(9, 3);
    EXPECT_EQ(call(DispGetStartPos), 0);
    EXPECT_EQ(call(DispGetEndPos), 100);
    EXPECT_TRUE(events.empty());

    // Shrinking lowers the end mark and the pointer, with events.
    put(DispPointerPos, 80);
    setRange(0, 50);
    expectState(50, 0, 50);
    EXPECT_EQ(events,
              (std::vector<Event>{{EventEndEditPosChanged, 50}, {EventPointerPosChanged, 50}}));

    // A range wholly above the marks: both come inside, start below end.
    events.clear();
    setRange(200, 300);
    EXPECT_EQ(call(DispGetStartPos), 200);
    EXPECT_EQ(call(DispGetEndPos), 300);
    expectState(200, 200, 200);
    put(DispEndEditPos, 300);
    // And wholly below them.
    setRange(10, 20);
    expectState(20, 20, 20);
    EXPECT_LE(get(DispPageSize), 20);

    EXPECT_FALSE(host->call(DispSetTotalRange, {1}).ok());
}

TEST_F(VasklinTest, KeyboardMovesThePointerAndMarksWithinTheirClamps) {
    key(Qt::Key_End);
    EXPECT_EQ(get(DispPointerPos), 100);
    EXPECT_EQ(events, (std::vector<Event>{{EventPointerPosChanged, 100}}));

    // Page Down from 3 goes to 0 and comes back up to the start mark.
    marks(2, 90);
    put(DispPointerPos, 3);
    events.clear();
    key(Qt::Key_PageDown);
    EXPECT_EQ(get(DispPointerPos), 2);
    key(Qt::Key_PageUp);
    EXPECT_EQ(get(DispPointerPos), 12);
    key(Qt::Key_Right);
    key(Qt::Key_Up);
    EXPECT_EQ(get(DispPointerPos), 14);
    key(Qt::Key_Left);
    key(Qt::Key_Down);
    key(Qt::Key_Home);
    EXPECT_EQ(get(DispPointerPos), 2);
    EXPECT_EQ(events, (std::vector<Event>{{EventPointerPosChanged, 2},
                                          {EventPointerPosChanged, 12},
                                          {EventPointerPosChanged, 13},
                                          {EventPointerPosChanged, 14},
                                          {EventPointerPosChanged, 13},
                                          {EventPointerPosChanged, 12},
                                          {EventPointerPosChanged, 2}}));

    // Shift steers the start mark, Ctrl the end mark: each read from its key.
    events.clear();
    key(Qt::Key_PageUp, Qt::ShiftModifier);
    expectState(12, 12, 90);
    key(Qt::Key_Right);
    expectState(13, 12, 90);
    key(Qt::Key_End, Qt::ControlModifier);
    expectState(100, 12, 100);
    key(Qt::Key_PageDown, Qt::ControlModifier);
    expectState(90, 12, 90);
    key(Qt::Key_Home, Qt::ShiftModifier);
    expectState(0, 0, 90);
    EXPECT_EQ(events, (std::vector<Event>{{EventStartEditPosChanged, 12},
                                          {EventPointerPosChanged, 12},
                                          {EventPointerPosChanged, 13},
                                          {EventEndEditPosChanged, 100},
                                          {EventPointerPosChanged, 100},
                                          {EventEndEditPosChanged, 90},
                                          {EventPointerPosChanged, 90},
                                          {EventStartEditPosChanged, 0},
                                          {EventPointerPosChanged, 0}}));

    // Without the trim marks shown, Shift moves the pointer.
    put(DispShowTrimCtl, 0);
    key(Qt::Key_End, Qt::ShiftModifier);
    expectState(90, 0, 90);
}

TEST_F(VasklinTest, MouseDragsPointerAndMarksButNeverPastAMark) {
    marks(20, 60);
    // Over a mark, the mark is taken rather than the pointer.
    drag(pointerAt(20), 10);
    expectState(25, 25, 60);
    put(DispStartEditPos, 20);
    put(DispPointerPos, 30);
    events.clear();
    // Two pixels a unit: 10 pixels right are 5 units.
    drag(pointerAt(30), 10);
    EXPECT_EQ(get(DispPointerPos), 35);
    EXPECT_EQ(events.back(), (Event{EventPointerPosChanged, 35}));
    // Far past the end mark: refused at 60, and no event ever beyond it.
    drag(pointerAt(35), 150);
    EXPECT_EQ(get(DispPointerPos), 60);
    for (const Event& e : events) {
        EXPECT_GE(e.value, 20);
        EXPECT_LE(e.value, 60);
    }

    events.clear();
    drag(startFlagAt(20), -20);
    expectState(10, 10, 60);
    EXPECT_EQ(events.front(), (Event{EventStartEditPosChanged, 19}));
    drag(endFlagAt(60), 40);
    expectState(80, 10, 80);
    // The end mark stops at the start mark.
    drag(endFlagAt(80), -200);
    expectState(10, 10, 10);
}

TEST_F(VasklinTest, AnHourAtThirtyFramesASecondDragsInLargeSteps) {
    setRange(0, 107999);
    put(DispEndEditPos, 107999);  // drags the pointer to the end
    put(DispPointerPos, 0);
    events.clear();
    // A range of 107999 over 200 pixels: each two-pixel move is one event of
    // 1079 frames, without a seek queued per frame passed.
    drag(pointerAt(0), 100);
    EXPECT_EQ(get(DispPointerPos), 50 * 1079);
    EXPECT_EQ(events.size(), 50u);
    key(Qt::Key_End);
    EXPECT_EQ(get(DispPointerPos), 107999);
}

TEST_F(VasklinTest, ClicksPageOnTheTrackAndStepOnTheButtons) {
    put(DispPointerPos, 50);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(xOf(80), 20));
    EXPECT_EQ(get(DispPointerPos), 60);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(xOf(10), 20));
    EXPECT_EQ(get(DispPointerPos), 50);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, forwardButton());
    EXPECT_EQ(get(DispPointerPos), 51);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, backButton());
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, backButton());
    EXPECT_EQ(get(DispPointerPos), 49);
    // Released elsewhere than pressed: no step.
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, backButton());
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, QPoint(140, 38));
    EXPECT_EQ(get(DispPointerPos), 49);

    // Held, the forward button repeats after half a second.
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, forwardButton());
    QTest::qWait(300);
    EXPECT_EQ(get(DispPointerPos), 49);
    QTest::qWait(450);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, forwardButton());
    EXPECT_GT(get(DispPointerPos), 52);
}

TEST_F(VasklinTest, ANarrowControlNeitherDividesByZeroNorMoves) {
    slider->resize(80, 40);  // no room for a track between the buttons
    put(DispTickCount, 10);
    EXPECT_EQ(get(DispTickCount), 0);
    put(DispShowTrimCtl, 1);
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, QPoint(43, 12));
    QTest::mouseMove(slider, QPoint(70, 12));
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, QPoint(70, 12));
    (void)picture();
    key(Qt::Key_PageUp);
    EXPECT_EQ(get(DispPointerPos), 10);  // the keyboard still works
}

TEST_F(VasklinTest, TicksAreDrawnOnlyWhenAskedAndAtMostHalfTheWidth) {
    // Count the tick lines in the row below the track.
    auto ticks = [this](const QImage& img) {
        const QRgb text = slider->palette().color(QPalette::ButtonText).rgb();
        int n = 0;
        for (int x = kTrackLeft - 1; x < kWidth - kTrackLeft + 1; ++x) {
            n += img.pixel(x, 28) == text;
        }
        return n;
    };
    EXPECT_EQ(ticks(picture()), 0);
    put(DispTickCount, 0);
    EXPECT_EQ(ticks(picture()), 0);
    put(DispTickCount, 4);
    EXPECT_EQ(ticks(picture()), 5);
    put(DispTickCount, 0);  // ignored
    EXPECT_EQ(get(DispTickCount), 4);
    put(DispTickCount, 1000);
    EXPECT_EQ(get(DispTickCount), 100);
    put(DispTickCount, 20);
    EXPECT_EQ(ticks(picture()), 21);
}

TEST_F(VasklinTest, DrawsTheEditRangeAndMarksAtAnyScale) {
    marks(25, 75);
    for (qreal scale : {1.0, 2.0}) {
        const QImage img = picture(scale);
        const QRgb highlight = slider->palette().color(QPalette::Highlight).rgb();
        auto at = [&](int x, int y) { return img.pixel(int(x * scale), int(y * scale)); };
        EXPECT_EQ(at(xOf(50), 20), highlight) << scale;
        EXPECT_NE(at(xOf(10), 20), highlight) << scale;
        EXPECT_NE(at(xOf(90), 20), highlight) << scale;
        // The marks' flags: green for the start, red for the end.
        const QColor start(at(xOf(25) - 10, 6));
        const QColor end(at(xOf(75) + 12, 6));
        EXPECT_GT(start.green(), start.red()) << scale;
        EXPECT_GT(end.red(), end.green()) << scale;
    }
    put(DispBackColor, 0x00336699);  // blue 0x33, green 0x66, red 0x99
    EXPECT_EQ(get(DispBackColor), 0x00336699);
    EXPECT_EQ(QColor(picture().pixel(140, 38)), QColor(0x99, 0x66, 0x33));
}

TEST_F(VasklinTest, TooltipsNameThePartUnderTheMouse) {
    EXPECT_TRUE(host->call(DispSetFwdToolTip, {"Next frame"}).value.toBool());
    EXPECT_TRUE(host->call(DispSetCurPosToolTip, {"Position"}).value.toBool());
    auto tipAt = [this](const QPoint& p) {
        QToolTip::hideText();
        for (int i = 0; i < 100 && QToolTip::isVisible(); ++i) {
            QTest::qWait(10);
        }
        QHelpEvent help(QEvent::ToolTip, p, slider->mapToGlobal(p));
        QCoreApplication::sendEvent(slider, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipAt(forwardButton()), "Next frame");
    EXPECT_EQ(tipAt(pointerAt(0)), "Position");
    EXPECT_EQ(tipAt(backButton()), "");
    EXPECT_TRUE(host->call(DispEnableToolTips, {false}).value.toBool());
    EXPECT_EQ(tipAt(forwardButton()), "");
    EXPECT_FALSE(host->call(DispEnableToolTips, {true}).value.toBool());
}

TEST_F(VasklinTest, DisabledTakesNoInput) {
    put(DispEnabled, 0);
    EXPECT_FALSE(host->get(DispEnabled).value.toBool());
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, forwardButton());
    key(Qt::Key_End);
    EXPECT_EQ(get(DispPointerPos), 0);
    put(DispEnabled, 1);
    key(Qt::Key_End);
    EXPECT_EQ(get(DispPointerPos), 100);
}

}  // namespace
}  // namespace brindle::vasklin
