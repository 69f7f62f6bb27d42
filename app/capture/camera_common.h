// What the camera dialogs share: the video capture control loaded without a
// connection, the driver number held in gCapture, the first frame size a
// camera accepts, the private scratch folder, and the editor operations
// (adding a slide, playing a sound) the dialogs call.
#pragma once

#include <QFont>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>

class QWidget;

namespace brindle {
namespace dispatch {
class ControlHost;
}

namespace camera {

// The driver number a gCapture text means: its leading number, 0 when it
// does not start with one.
int driverNumber(const QString& setting);

// The dialogs' font: the face of string 179 at the size of string 180.
QFont dialogFont();

// A video capture control under parent that holds no camera: a camera
// streams to one reader at a time, so only the dialog that shows the
// picture connects. nullptr (with the reason logged) when the control's
// library cannot be loaded.
std::unique_ptr<dispatch::ControlHost> loadCaptureControl(QWidget* parent);

// Sets the first of sizes the connected camera accepts and answers it; an
// invalid size (and the format unchanged) when it accepts none.
QSize chooseFrameSize(dispatch::ControlHost& control, std::initializer_list<QSize> sizes);

// gTempFolder, made when missing and readable by this user only. Empty
// when it cannot be made private.
QString scratchFolder();

// The editor's add-slide operation: the new slide's number, below 1 on
// failure. Without one registered the slide is appended to gProject.
using SlideAdder = std::function<int(std::int16_t mediaType, const QString& file)>;
void setSlideAdder(SlideAdder adder);
int addSlide(std::int16_t mediaType, const QString& file);

// The editor's sound-playing operation; without one nothing is played.
using SoundPlayer = std::function<void(const QString& path)>;
void setSoundPlayer(SoundPlayer player);
void playSound(const QString& path);

}  // namespace camera
}  // namespace brindle
