// The video recording dialog `RecordVideo`: the camera's live picture,
// Record (at most two minutes, with sound) into the scratch file
// "capture.avi", Stop, Play of the take in the media player, and Done, which
// adds the take as a video slide. Recording again replaces the take.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace brindle {

class MediaPlayer;
namespace dispatch {
class ControlHost;
}

class RecordVideo : public QDialog {
    Q_OBJECT
public:
    // The recording limit in seconds.
    static constexpr int kLimit = 120;
    // The picture is centred in an area of this size whose corner is at
    // kScreenLeft, kScreenTop.
    static constexpr int kScreenWidth = 320;
    static constexpr int kScreenHeight = 240;
    static constexpr int kScreenLeft = 24;
    static constexpr int kScreenTop = 26;

    explicit RecordVideo(QWidget* parent = nullptr);
    ~RecordVideo() override;

    dispatch::ControlHost* Orvalis1() const { return m_camera.get(); }
    MediaPlayer* MCIWnd1() const { return m_player; }
    QTimer* Timer1() { return &m_timer; }
    QProgressBar* ProgressBar1() const { return m_progress; }
    QPushButton* Record() const { return m_record; }
    QPushButton* Stop1() const { return m_stop; }
    QPushButton* Play() const { return m_play; }
    QPushButton* Done() const { return m_done; }
    QPushButton* Cancel() const { return m_cancel; }
    QLabel* Label1() const { return m_state; }

    bool connected() const { return m_connected; }
    // True once a recording has started in this dialog.
    bool recorded() const { return m_recorded; }
    // The most frames the control has reported for the current take.
    int framesCaptured() const { return m_frames; }
    // The new slide's number after Done, 0 when nothing was added.
    int addedSlide() const { return m_added; }
    // The take: "capture.avi" in the scratch folder.
    static QString takeFile();

    // The seconds clock the recording display runs on (monotonic). Tests
    // move it on; an empty function restores the real one.
    using Clock = std::function<double()>;
    static void setClock(Clock clock);

    // One tick of Timer1.
    void Timer1_Timer();

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    void load();
    void layoutVideo();
    void Record_Click();
    void Stop1_Click();
    void Play_Click();
    void Done_Click();
    void playerPositionChanged(std::int64_t position);
    void playerModeChanged(const QString& mode);
    void cameraStatus();
    void setState(int entry, const QString& tail = {});
    void showLiveButtons();
    bool capturing();
    void stopCapture();
    // Whole seconds on the dialog's clock.
    static long timer();
    void releaseCamera();

    std::unique_ptr<dispatch::ControlHost> m_camera;
    MediaPlayer* m_player = nullptr;
    QTimer m_timer;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_record = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_play = nullptr;
    QPushButton* m_done = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_state = nullptr;

    bool m_connected = false;
    bool m_recorded = false;
    bool m_playing = false;
    long m_startTime = 0;
    long m_limit = kLimit;
    int m_frames = 0;
    int m_added = 0;
};

}  // namespace brindle
