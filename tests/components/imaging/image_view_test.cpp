// The visible image control: where the picture is shown, and the rubber
// band a user drags over it, driven with real mouse events.
#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include "components/imaging/image_view.h"
#include "tests/components/imaging/test_pictures.h"

namespace brindle {
namespace {

using test::colorNear;

void mouse(QWidget& w, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(w.mapToGlobal(at)), Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

void drag(QWidget& w, QPoint from, QPoint to) {
    mouse(w, QEvent::MouseButtonPress, from);
    mouse(w, QEvent::MouseMove, (from + to) / 2);
    mouse(w, QEvent::MouseMove, to);
    mouse(w, QEvent::MouseButtonRelease, to);
}

class ImageViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(400, 400);
        view.control().setImage(test::quadrants());  // 640 x 480
        view.setRubberBandEnabled(true);
    }
    QWidget window;
    ImageView view{&window};
};

TEST_F(ImageViewTest, FitsThePictureCentredWithItsProportions) {
    EXPECT_EQ(view.displayRect(), QRect(0, 50, 400, 300));
    EXPECT_EQ(view.displayWidth(), 400);
    EXPECT_EQ(view.displayHeight(), 300);
    view.setFitToWindow(false);
    EXPECT_EQ(view.displayRect(), QRect(0, 0, 640, 480));
    view.control().clear();
    EXPECT_TRUE(view.displayRect().isEmpty());
}

TEST_F(ImageViewTest, ShowsThePictureOnTheBackColour) {
    view.setBackColor(0x0000FFFF);  // yellow as 0x00BBGGRR
    const QImage shot = view.grab().toImage();
    EXPECT_TRUE(colorNear(shot.pixel(200, 20), qRgb(255, 255, 0), 0));
    EXPECT_TRUE(colorNear(shot.pixel(100, 125), test::kRed, 2));
    EXPECT_TRUE(colorNear(shot.pixel(300, 275), test::kGrey, 2));

    // A changed picture is what the next paint shows.
    view.control().changeBrightness(1000);
    EXPECT_TRUE(colorNear(view.grab().toImage().pixel(300, 275), qRgb(255, 255, 255), 2));
}

TEST_F(ImageViewTest, ARubberBandGivesTheSelectionInDisplayPixels) {
    QRect finished;
    QObject::connect(&view, &ImageView::rubberBandFinished, [&](const QRect& r) { finished = r; });
    drag(view, QPoint(300, 250), QPoint(100, 100));  // dragged up and left
    ASSERT_TRUE(view.selectionPresent());
    EXPECT_EQ(view.selection(), QRect(100, 50, 200, 150));
    EXPECT_EQ(finished, view.selection());
    EXPECT_EQ(view.selectionLeft(), 100);
    EXPECT_EQ(view.selectionTop(), 50);
    EXPECT_EQ(view.selectionWidth(), 200);
    EXPECT_EQ(view.selectionHeight(), 150);

    // The dialog's crop: display pixels times image size / display size.
    const double fx = double(view.control().width()) / view.displayWidth();
    const double fy = double(view.control().height()) / view.displayHeight();
    ASSERT_EQ(
        view.control().crop(int(view.selectionLeft() * fx), int(view.selectionTop() * fy),
                            int(view.selectionWidth() * fx), int(view.selectionHeight() * fy)),
        ImageStatus::Ok);
    EXPECT_EQ(QSize(view.control().width(), view.control().height()), QSize(320, 240));
    EXPECT_EQ(view.control().image().pixel(0, 0), test::kRed);
    EXPECT_EQ(view.control().image().pixel(319, 239), test::kGrey);

    view.setSelectionPresent(false);
    EXPECT_FALSE(view.selectionPresent());
    EXPECT_TRUE(view.selection().isEmpty());
}

TEST_F(ImageViewTest, TheBandStaysOnThePictureAndNeedsAnArea) {
    drag(view, QPoint(350, 300), QPoint(600, 390));  // beyond the picture
    ASSERT_TRUE(view.selectionPresent());
    EXPECT_EQ(view.selection(), QRect(350, 250, 50, 50));

    drag(view, QPoint(50, 100), QPoint(250, 100));  // no height
    EXPECT_FALSE(view.selectionPresent());
    drag(view, QPoint(50, 10), QPoint(250, 200));  // starts off the picture
    EXPECT_FALSE(view.selectionPresent());

    view.setRubberBandEnabled(false);
    drag(view, QPoint(50, 100), QPoint(250, 200));
    EXPECT_FALSE(view.selectionPresent());
}

}  // namespace
}  // namespace brindle
