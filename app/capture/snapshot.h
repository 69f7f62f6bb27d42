// The snapshot dialog `Snapshot`: the camera's live picture; OK grabs the
// current frame, turns it into a JPEG with the image control and adds it as
// a snapshot slide, Cancel closes without adding anything.
#pragma once

#include <QDialog>
#include <QSize>

#include <memory>

class QPushButton;

namespace brindle {
namespace dispatch {
class ControlHost;
}

class Snapshot : public QDialog {
    Q_OBJECT
public:
    explicit Snapshot(QWidget* parent = nullptr);
    ~Snapshot() override;

    dispatch::ControlHost* Orvalis1() const { return m_camera.get(); }
    QPushButton* SnapIt() const { return m_snapIt; }
    QPushButton* Done() const { return m_done; }

    // True when the camera answered at opening; without it the dialog closes
    // itself as soon as it is shown.
    bool connected() const { return m_connected; }
    // The frame size chosen at opening (invalid when the camera took none).
    QSize frameSize() const { return m_frameSize; }
    // The new slide's number after OK, 0 when nothing was added.
    int addedSlide() const { return m_added; }

    // The two scratch files.
    static QString bitmapFile();
    static QString pictureFile();

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void load();
    void SnapIt_Click();
    void Done_Click();
    // Grabs and converts the frame; false after saying so when either failed.
    bool grabPicture();
    void releaseCamera();

    std::unique_ptr<dispatch::ControlHost> m_camera;
    QPushButton* m_snapIt = nullptr;
    QPushButton* m_done = nullptr;
    bool m_connected = false;
    QSize m_frameSize;
    int m_added = 0;
};

}  // namespace brindle
