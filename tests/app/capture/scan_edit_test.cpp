// The scan result dialog's picture work: brightness that never adds up,
// crops measured on screen and cut in image pixels, quarter turns, and the
// unaltered picture in Worker following crops and turns.
#include "app/capture/scan_edit.h"

#include "components/imaging/image_control.h"
#include "components/imaging/image_view.h"
#include "tests/support/message_recorder.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace brindle {
namespace {

// Grey 128 with a white square in the top-left quarter, so turns show.
QImage marked(int w, int h) {
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(QColor(128, 128, 128));
    QPainter(&image).fillRect(0, 0, w / 4, h / 4, Qt::white);
    return image;
}

class ScanEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(400, 300);
        view.setFitToWindow(true);
        view.setRubberBandEnabled(true);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        worker.setImage(marked(800, 600));
        view.control().copyFrom(worker);
    }

    // A rubber band dragged with the mouse, in display pixels.
    void drag(const QRect& r) {
        const QPoint origin = view.displayRect().topLeft();
        QTest::mousePress(&view, Qt::LeftButton, {}, origin + r.topLeft());
        QTest::mouseMove(&view, origin + r.bottomRight() + QPoint(1, 1));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, origin + r.bottomRight() + QPoint(1, 1));
    }

    QRgb leadPixel(int x, int y) const { return view.control().image().pixel(x, y); }

    ImageControl worker;
    ImageView view{nullptr};
    ScanEdit edit{worker, view};
    test::MessageRecorder messages;
};

TEST_F(ScanEditTest, BrightnessStartsFromTheUnalteredPictureEachTime) {
    edit.setBrightness(4);
    EXPECT_EQ(qRed(leadPixel(700, 500)), 128 + 26);
    edit.setBrightness(-2);  // darkened by 50 from the base, not from +4
    EXPECT_EQ(qRed(leadPixel(700, 500)), 128 - 13);
    edit.setBrightness(0);
    EXPECT_EQ(view.control().image(), worker.image());
    EXPECT_EQ(qRed(worker.image().pixel(700, 500)), 128);
}

TEST_F(ScanEditTest, CropCutsTheBrightenedPictureAndMakesItTheBase) {
    ASSERT_EQ(view.displayWidth(), 400);  // the 800 x 600 picture at half size
    edit.setBrightness(4);
    drag(QRect(100, 50, 150, 100));
    ASSERT_TRUE(view.selectionPresent());
    ASSERT_TRUE(edit.crop());
    EXPECT_FALSE(view.selectionPresent());
    EXPECT_EQ(view.control().width(), 300);
    EXPECT_EQ(view.control().height(), 200);
    EXPECT_EQ(qRed(leadPixel(10, 10)), 154);
    EXPECT_EQ(worker.image(), view.control().image());
    // Later brightness changes start from the cropped, brightened picture.
    edit.setBrightness(0);
    EXPECT_EQ(qRed(leadPixel(10, 10)), 154);
    EXPECT_TRUE(messages.numbers().isEmpty());
}

TEST_F(ScanEditTest, CropWithoutSelectionAsksForOneAndChangesNothing) {
    const QImage before = view.control().image();
    EXPECT_FALSE(edit.crop());
    EXPECT_EQ(messages.numbers(), QList<int>{69});
    EXPECT_EQ(view.control().image(), before);
    EXPECT_EQ(worker.image(), before);
}

TEST_F(ScanEditTest, FourQuarterTurnsRestoreThePictureByteForByte) {
    const QImage first = view.control().image();
    drag(QRect(10, 10, 50, 50));
    ASSERT_TRUE(edit.rotate());
    EXPECT_FALSE(view.selectionPresent());
    EXPECT_EQ(view.control().width(), 600);
    EXPECT_EQ(view.control().height(), 800);
    // The white corner went from top left to top right.
    EXPECT_EQ(leadPixel(599, 0), qRgb(255, 255, 255));
    EXPECT_EQ(worker.image(), view.control().image());
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(edit.rotate());
    }
    const QImage last = view.control().image().convertToFormat(first.format());
    ASSERT_EQ(last.size(), first.size());
    for (int y = 0; y < first.height(); ++y) {
        ASSERT_EQ(0, memcmp(first.constScanLine(y), last.constScanLine(y), first.width() * 3))
            << "row " << y;
    }
}

TEST(ScanEditPixels, SelectionBecomesImagePixelsInsideThePicture) {
    // Half size on screen: every display pixel is two image pixels.
    EXPECT_EQ(ScanEdit::toImagePixels({10, 20, 100, 50}, {320, 240}, {640, 480}),
              QRect(20, 40, 200, 100));
    // Different factors across and down.
    EXPECT_EQ(ScanEdit::toImagePixels({0, 0, 100, 100}, {200, 100}, {400, 300}),
              QRect(0, 0, 200, 300));
    // A selection reaching past the picture is cut at its edge.
    EXPECT_EQ(ScanEdit::toImagePixels({300, 200, 100, 100}, {320, 240}, {640, 480}),
              QRect(600, 400, 40, 80));
    // No display size, no picture, or nothing left: no crop.
    EXPECT_TRUE(ScanEdit::toImagePixels({0, 0, 10, 10}, {0, 240}, {640, 480}).isEmpty());
    EXPECT_TRUE(ScanEdit::toImagePixels({0, 0, 10, 10}, {320, 0}, {640, 480}).isEmpty());
    EXPECT_TRUE(ScanEdit::toImagePixels({0, 0, 10, 10}, {320, 240}, {0, 0}).isEmpty());
    EXPECT_TRUE(ScanEdit::toImagePixels({400, 300, 10, 10}, {320, 240}, {640, 480}).isEmpty());
}

TEST(ScanEditLabel, ShowsTheSliderValueWithItsSign) {
    EXPECT_EQ(ScanEdit::brightnessText(3), "+3");
    EXPECT_EQ(ScanEdit::brightnessText(10), "+10");
    EXPECT_EQ(ScanEdit::brightnessText(-2), "-2");
    EXPECT_EQ(ScanEdit::brightnessText(0), "0");
}

}  // namespace
}  // namespace brindle
