// The control's interface through the dispatch layer: defaults, errors and
// their texts, the instance limit, formats, compressors, enumerations,
// persistence and the mouse.
#include "tests/controls/videocap/orvalis_fixture.h"

#include "platform/stringtable.h"
#include "platform/vfw/drivers.h"
#include "platform/vfw/frame_stamp.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QMouseEvent>

namespace brindle::orvalis::hosted {
namespace {

StringTable strings() {
    return StringTable::fromFile(QStringLiteral(BRINDLE_STRINGS_DIR "/orvalis.strings"));
}

TEST_F(OrvalisTest, DefaultsAndAFirstConnection) {
    camera("1");
    EXPECT_EQ(host().progId(), "ORVALIS.OrvalisCtrl.1");
    host().put(DispDriverNum, firstCamera());
    EXPECT_EQ(errorNum(), 0);
    EXPECT_EQ(error(), "");
    EXPECT_TRUE(host().get(DispConnect).value.toBool());
    EXPECT_EQ(host().get(DispDriverName).value.toString(), "Brindle Test Camera");
    EXPECT_EQ(host().get(DispDriverVersion).value.toString(), "Version: 1.0");
    EXPECT_EQ(host().get(DispAudioRate).value.toInt(), 11205);
    EXPECT_EQ(host().get(DispCaptureFile).value.toString(), "\\capture.avi");
    EXPECT_EQ(host().get(DispCaptureDIBFile).value.toString(), "\\capture.bmp");
    EXPECT_EQ(host().get(DispVersion).value.toString(), "2.1");
    EXPECT_EQ(host().get(DispPreviewRate).value.toInt(), 15);
    EXPECT_EQ(host().get(DispVideoRate).value.toInt(), 15);
    EXPECT_EQ(host().get(DispCaptureLimit).value.toInt(), 60);
    EXPECT_EQ(host().get(DispPalOpen).value.toString(), "\\optimal.pal");
    EXPECT_EQ(host().get(DispCompressionQuality).value.toInt(), 85);
    EXPECT_EQ(host().get(DispCompressionKeyFrames).value.toInt(), 10);
    EXPECT_EQ(host().get(DispBorderStyle).value.toInt(), 1);
    EXPECT_EQ(host().get(DispVideoResolutionWidth).value.toInt(), 320);
    EXPECT_EQ(host().get(DispVideoResolutionHeight).value.toInt(), 240);
    EXPECT_EQ(host().get(DispImageFormat).value.toString(), "");
    EXPECT_FALSE(host().get(DispCanOverlay).value.toBool());
    EXPECT_EQ(host().widget()->size(), QSize(320, 240));
    // Read-only properties refuse a set the dispatch way.
    EXPECT_EQ(host().put(DispErrorNum, 3).code, dispatch::CTL_E_SETNOTSUPPORTED);
    EXPECT_EQ(host().put(DispError, "x").code, dispatch::CTL_E_SETNOTSUPPORTED);
}

TEST_F(OrvalisTest, FailedConnectionsAndTheirTexts) {
    camera("1");
    const StringTable table = strings();
    ASSERT_TRUE(table.errors().isEmpty());
    EXPECT_EQ(set(DispDriverNum, 42), kErrDriverNum);
    EXPECT_EQ(error(), table.text(116));
    EXPECT_EQ(set(DispConnect, true), kErrConnect);
    EXPECT_EQ(error(), table.text(115));
    EXPECT_FALSE(host().get(DispConnect).value.toBool());
    // Everything that needs the device now reports 105.
    EXPECT_EQ(set(DispPreview, true), kErrNotConnected);
    EXPECT_EQ(set(DispCaptureDIB, true), kErrNotConnected);
    EXPECT_EQ(host().call(DispEnumCompressors).value.toInt(), -1);
    EXPECT_EQ(errorNum(), kErrNotConnected);
    EXPECT_FALSE(host().call(DispSetVideoResolution, {160, 120}).value.toBool());
    EXPECT_EQ(errorNum(), kErrNotConnected);
    // Back on a camera: Error is empty again after a success.
    EXPECT_EQ(set(DispDriverNum, firstCamera()), 0);
    EXPECT_EQ(error(), "");
    EXPECT_EQ(set(DispConnect, false), 0);
    EXPECT_EQ(set(DispCapture, true), kErrNotConnected);
}

TEST_F(OrvalisTest, AtMostFiveControlsAndTheRefusedOnesFreeNoSlot) {
    camera("0");
    LogCapture log;
    std::vector<std::unique_ptr<ControlHost>> hosts;
    for (int i = 0; i < 5; ++i) {
        hosts.push_back(load());
    }
    EXPECT_EQ(LogCapture::count("message 59280"), 0);
    hosts.push_back(load());  // the sixth
    EXPECT_EQ(LogCapture::count("message 59280: Only 5 Orvalis controls allowed at one time."), 1);
    hosts.push_back(load());  // the seventh
    EXPECT_EQ(LogCapture::count("message 59280"), 2);
    // Destroying the refused ones leaves the five slots taken.
    hosts.pop_back();
    hosts.pop_back();
    hosts.push_back(load());
    EXPECT_EQ(LogCapture::count("message 59280"), 3);
    hosts.pop_back();
    // Destroying an admitted one lets the next one in.
    hosts.erase(hosts.begin());
    hosts.push_back(load());
    EXPECT_EQ(LogCapture::count("message 59280"), 3);
}

TEST_F(OrvalisTest, CompressionQualityRange) {
    camera("1");
    host().put(DispDriverNum, firstCamera());
    EXPECT_EQ(set(DispCompressionQuality, 101), kErrCompressionQuality);
    EXPECT_EQ(host().get(DispCompressionQuality).value.toInt(), 85);
    EXPECT_EQ(set(DispCompressionQuality, 0), 0);
    EXPECT_EQ(set(DispCompressionQuality, 100), 0);
    EXPECT_EQ(set(DispCompressionQuality, -1), kErrCompressionQuality);
    EXPECT_EQ(host().get(DispCompressionQuality).value.toInt(), 100);
    set(DispConnect, false);
    EXPECT_EQ(set(DispCompressionQuality, 50), kErrNotConnected);
    EXPECT_EQ(host().get(DispCompressionQuality).value.toInt(), 50);
}

TEST_F(OrvalisTest, ImageFormats) {
    camera("1");
    host().put(DispDriverNum, firstCamera());
    for (const char* code : {"I420", "i420", "YVU9", "yvu9", ""}) {
        EXPECT_EQ(set(DispImageFormat, QString(code)), 0) << code;
    }
    for (const char* code : {"MJPG", "I42", "i420 ", "yuy2"}) {
        EXPECT_EQ(set(DispImageFormat, QString(code)), kErrImageFormat) << code;
    }
    // I420 frames still grab to a picture.
    EXPECT_EQ(set(DispImageFormat, "I420"), 0);
    const QString bmp = env.file("i420.bmp");
    host().put(DispCaptureDIBFile, bmp);
    EXPECT_EQ(set(DispCaptureDIB, true), 0);
    EXPECT_EQ(QImage(bmp).size(), QSize(320, 240));
}

TEST_F(OrvalisTest, Resolutions) {
    camera("1", "640x480");
    host().put(DispDriverNum, firstCamera());
    EXPECT_TRUE(host().call(DispSetVideoResolution, {176, 144}).value.toBool());
    EXPECT_EQ(errorNum(), 0);
    EXPECT_EQ(eventsOf(EventVideoFormatChanged).size(), 1u);
    EXPECT_EQ(host().get(DispVideoResolutionWidth).value.toInt(), 176);
    EXPECT_FALSE(host().call(DispSetVideoResolution, {640, 480}).value.toBool());
    EXPECT_EQ(errorNum(), kErrResolution);
    EXPECT_EQ(host().get(DispVideoResolutionWidth).value.toInt(), 176);

    EXPECT_FALSE(host().call(DispIsSizeAvailable, {640, 480}).value.toBool());
    EXPECT_EQ(errorNum(), kErrImageFormat);
    EXPECT_TRUE(host().call(DispIsSizeAvailable, {352, 288}).value.toBool());
    EXPECT_EQ(errorNum(), 0);
    // The probe put the format back.
    const QString bmp = env.file("after-probe.bmp");
    host().put(DispCaptureDIBFile, bmp);
    EXPECT_EQ(set(DispCaptureDIB, true), 0);
    EXPECT_EQ(QImage(bmp).size(), QSize(176, 144));

    // AutoSize takes the frame size; Width then returns to it.
    EXPECT_EQ(set(DispAutoSize, true), 0);
    EXPECT_EQ(host().widget()->size(), QSize(176, 144));
    host().put(DispWidth, 500);
    EXPECT_EQ(host().get(DispWidth).value.toInt(), 176);
    EXPECT_EQ(set(DispAutoSize, false), 0);
    host().put(DispWidth, 500);
    EXPECT_EQ(host().widget()->width(), 500);
}

TEST_F(OrvalisTest, CompressorSelectionByHandler) {
    camera("1");
    host().put(DispDriverNum, firstCamera());
    EXPECT_EQ(set(DispCompression, "ZQ5A"), 0);
    EXPECT_EQ(host().get(DispCompression).value.toString(), "zq5a");
    EXPECT_EQ(set(DispCompression, "zq4a"), 0);
    EXPECT_EQ(set(DispCompression, "MJPG"), 0);
    EXPECT_EQ(host().get(DispCompression).value.toString(), "MJPG");
    // Other codes match only their exact case.
    EXPECT_EQ(set(DispCompression, "mjpg"), kErrCompression);
    EXPECT_EQ(host().get(DispCompression).value.toString(), "");
    EXPECT_EQ(set(DispCompression, "Zq5a"), kErrCompression);
    EXPECT_EQ(set(DispCompression, "abcd"), kErrCompression);
    EXPECT_EQ(host().get(DispCompression).value.toString(), "");
    EXPECT_EQ(set(DispCompression, "none"), 0);
    EXPECT_EQ(set(DispCompression, ""), 0);

    const int found = host().call(DispEnumCompressors).value.toInt();
    const std::vector<Event> listed = eventsOf(EventCompressorFound);
    ASSERT_EQ(static_cast<int>(listed.size()), found);
    ASSERT_GE(found, 2);
    EXPECT_EQ(listed[0].args.value(0).toString(), "zq5a");
    EXPECT_FALSE(listed[0].args.value(1).toString().isEmpty());
}

TEST_F(OrvalisTest, DriverEnumeration) {
    camera("0");
    const int real = static_cast<int>(vfw::listDrivers().size());
    EXPECT_EQ(host().call(DispEnumDrivers).value.toInt(), real);
    EXPECT_EQ(static_cast<int>(eventsOf(EventDriverFound).size()), real);
    if (real == 0) {
        EXPECT_EQ(errorNum(), kErrConnect);  // nothing to connect to at creation
    }
    events.clear();
    camera("3");
    EXPECT_EQ(host().call(DispEnumDrivers).value.toInt(), real + 3);
    const std::vector<Event> found = eventsOf(EventDriverFound);
    ASSERT_EQ(static_cast<int>(found.size()), real + 3);
    for (int i = 0; i < real + 3; ++i) {
        EXPECT_EQ(found[i].args.value(0).toInt(), i);
    }
    EXPECT_EQ(found.back().args.value(1).toString(), "Brindle Test Camera 3");
}

TEST_F(OrvalisTest, DialogsPalettesAndRates) {
    camera("1");
    host().put(DispDriverNum, firstCamera());
    // The synthetic camera has no source dialog: 108 each time it is asked.
    EXPECT_EQ(set(DispVideoSourceDlg, true), kErrSourceDlg);
    set(DispPreview, true);
    EXPECT_EQ(set(DispVideoSourceDlg, false), 0);
    EXPECT_EQ(set(DispVideoSourceDlg, true), kErrSourceDlg);
    EXPECT_EQ(set(DispVideoDisplayDlg, true), kErrDisplayDlg);
    EXPECT_EQ(set(DispVideoCompressionDlg, true), kErrCompressionDlg);
    EXPECT_EQ(set(DispOverlay, true), kErrOverlay);

    EXPECT_EQ(set(DispPalCreate, false), kErrNotConnected);
    EXPECT_EQ(set(DispPalCreate, true), kErrPalCreate);
    EXPECT_EQ(set(DispPalOpen, "\\optimal.pal"), kErrPalOpen);

    // Rates of 0 are refused with their codes and never divided by.
    EXPECT_EQ(set(DispPreviewRate, 0), kErrPreviewRate);
    EXPECT_EQ(set(DispVideoRate, 0), kErrVideoRate);
    EXPECT_EQ(set(DispPreviewRate, 30), 0);
    EXPECT_EQ(set(DispVideoRate, 30), 0);
    EXPECT_EQ(set(DispYield, true), 0);
    EXPECT_EQ(set(DispCaptureUseLimit, true), 0);
    EXPECT_EQ(set(DispCaptureStopOnMouseOrESC, true), 0);
    EXPECT_EQ(set(DispCaptureSave, ""), kErrCaptureSaveEmpty);
    EXPECT_EQ(set(DispCaptureSave, env.file("copy.avi")), kErrCaptureSave);  // nothing recorded yet
}

TEST_F(OrvalisTest, GrabbingAFrameToTheDefaultFile) {
    camera("1");
    host().put(DispDriverNum, firstCamera());
    EXPECT_EQ(set(DispCaptureDIB, true), 0);
    // "\capture.bmp" is in the per-user temporary folder, not the root.
    const QString path = env.file("cache/brindle/capture.bmp");
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists("/capture.bmp"));
    const QImage image = QImage(path).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(image.size(), QSize(320, 240));
    // The synthetic camera's counter is in the picture.
    EXPECT_LT(vfw::readFrameNumber(image.constBits(), static_cast<int>(image.bytesPerLine())),
              1000u);
    EXPECT_EQ(set(DispEditCopy, true), 0);
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(320, 240));
}

TEST_F(OrvalisTest, PersistedProperties) {
    camera("1");
    host().put(DispPreviewRate, 20);
    host().put(DispCompression, "zq5a");
    host().put(DispCaptureSave, "x.avi");
    const dispatch::PropertyBag bag = host().saveProperties();
    EXPECT_EQ(bag.version(), "2.1");
    EXPECT_EQ(bag.read("PreviewRate").toInt(), 20);
    EXPECT_EQ(bag.read("Compression").toString(), "zq5a");
    for (const char* name : {"AudioRate", "CaptureFile", "DriverNum", "BorderStyle",
                             "DefaultContextMenu", "PalSave", "Version", "CompressionKeyFrames"}) {
        EXPECT_TRUE(bag.contains(name)) << name;
    }
    for (const char* name : {"CaptureAbort", "CaptureSave", "Status", "ImageFormat", "BitCount",
                             "ErrorNum", "Error", "VideoResolutionWidth", "CanOverlay"}) {
        EXPECT_FALSE(bag.contains(name)) << name;
    }

    // A new control takes the bag; window creation then resets the
    // compression settings whatever was stored.
    dispatch::PropertyBag stored = bag;
    stored.write("CompressionQuality", 40);
    stored.write("VideoRate", 0);
    stored.write("Width", 200);
    std::unique_ptr<ControlHost> other = load();
    other->loadProperties(stored);
    EXPECT_EQ(other->get(DispPreviewRate).value.toInt(), 20);
    EXPECT_EQ(other->get(DispCompression).value.toString(), "");
    EXPECT_EQ(other->get(DispCompressionQuality).value.toInt(), 85);
    EXPECT_EQ(other->get(DispVideoRate).value.toInt(), 15);  // 0 is never kept
    EXPECT_EQ(other->get(DispWidth).value.toInt(), 200);
}

TEST_F(OrvalisTest, MouseOverTheVideo) {
    camera("1");
    host().put(DispDriverNum, firstCamera());
    QWidget* video = host().widget()->findChild<QWidget*>("CaptureWindow");
    ASSERT_TRUE(video);
    auto press = [&](QEvent::Type type, Qt::MouseButton button) {
        QMouseEvent e(type, QPointF(12, 34), video->mapToGlobal(QPointF(12, 34)), button, button,
                      Qt::NoModifier);
        QApplication::sendEvent(video, &e);
    };
    press(QEvent::MouseButtonPress, Qt::LeftButton);
    press(QEvent::MouseButtonRelease, Qt::LeftButton);
    ASSERT_EQ(eventsOf(EventMouseDown).size(), 1u);
    EXPECT_EQ(eventsOf(EventMouseDown)[0].args,
              (QVariantList{std::int16_t(1), std::int16_t(0), 12, 34}));
    EXPECT_EQ(eventsOf(EventMouseUp).size(), 1u);
    EXPECT_EQ(eventsOf(EventClick).size(), 1u);
    // The right button opens the menu instead while the menu is on.
    press(QEvent::MouseButtonPress, Qt::RightButton);
    press(QEvent::MouseButtonRelease, Qt::RightButton);
    EXPECT_EQ(eventsOf(EventMouseDown).size(), 2u);
    EXPECT_EQ(eventsOf(EventMouseUp).size(), 1u);
    host().put(DispDefaultContextMenu, false);
    press(QEvent::MouseButtonRelease, Qt::RightButton);
    ASSERT_EQ(eventsOf(EventMouseUp).size(), 2u);
    EXPECT_EQ(eventsOf(EventMouseUp)[1].args.value(0).toInt(), 2);
    press(QEvent::MouseButtonDblClick, Qt::LeftButton);
    EXPECT_EQ(eventsOf(EventDblClick).size(), 1u);
}

}  // namespace
}  // namespace brindle::orvalis::hosted
