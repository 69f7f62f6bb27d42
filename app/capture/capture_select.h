// Choosing the camera: `CaptureSelect` lists every capture driver by its
// description with the current choice selected and stores the choice in
// gCapture (and in the settings when "Use selection as my default" is
// ticked); `NoCamera` says a camera is needed and links to a page about it.
#pragma once

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace brindle {
namespace dispatch {
class ControlHost;
}

// The number of capture drivers found at start-up; the camera buttons and
// the device item show the notice while it is 0.
extern int gCaptureDriverCount;

class CaptureSelect : public QDialog {
    Q_OBJECT
public:
    explicit CaptureSelect(QWidget* parent = nullptr);
    ~CaptureSelect() override;

    QListWidget* List1() const { return m_list; }
    QCheckBox* Save() const { return m_save; }
    QPushButton* OK() const { return m_ok; }
    QPushButton* Cancel() const { return m_cancel; }

private:
    void load();
    void OK_Click();

    std::unique_ptr<dispatch::ControlHost> m_camera;
    QListWidget* m_list = nullptr;
    QCheckBox* m_save = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

class NoCamera : public QDialog {
    Q_OBJECT
public:
    explicit NoCamera(QWidget* parent = nullptr);

    QLabel* lblNoCamera() const { return m_label; }
    QPushButton* CameraAd() const { return m_ad; }

    // Opens gCreateShareURL in the browser and closes the notice.
    void openLink();

private:
    QLabel* m_label = nullptr;
    QPushButton* m_ad = nullptr;
};

}  // namespace brindle
