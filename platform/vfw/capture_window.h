// The capture window: a child window that connects to one capture driver,
// shows its live picture at the preview rate, and records. Each call stands
// for one capture-window message and answers whether it worked. Recording
// is either plain (the window writes the AVI file itself: raw frames and
// PCM) or without a file, where the owner receives every frame and every
// sound buffer through its callbacks and writes what it likes.
//
// The devices are read on threads of their own; every callback runs on the
// window's (GUI) thread.
#pragma once

#include "platform/vfw/device_input.h"
#include "platform/vfw/device_modes.h"
#include "platform/vfw/drivers.h"
#include "platform/vfw/formats.h"
#include "platform/vfw/frame_gaps.h"

#include <QEventLoop>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <span>

namespace brindle::vfw {

class AviWriter;

class CaptureWindow : public QWidget {
public:
    using StatusCallback = std::function<void(int id, const QString& text)>;
    using ErrorCallback = std::function<void(int id, const QString& text)>;
    using VideoCallback = std::function<void(const VideoFrame& frame)>;
    using WaveCallback = std::function<void(std::span<const std::uint8_t> bytes)>;

    // Status ids the window reports.
    enum StatusId { kStatusStart = 1, kStatusEnd = 2, kStatusStopped = 3 };
    // Error ids.
    enum ErrorId { kErrorDevice = 1, kErrorWrite = 2 };

    explicit CaptureWindow(QWidget* parent);
    ~CaptureWindow() override;

    void setStatusCallback(StatusCallback cb) { m_statusCb = std::move(cb); }
    void setErrorCallback(ErrorCallback cb) { m_errorCb = std::move(cb); }
    void setVideoStreamCallback(VideoCallback cb) { m_videoCb = std::move(cb); }
    void setWaveStreamCallback(WaveCallback cb) { m_waveCb = std::move(cb); }

    bool driverConnect(int n);
    bool driverDisconnect();
    bool isConnected() const { return m_input != nullptr; }
    const DriverInfo& driver() const { return m_driver; }
    DriverCaps driverCaps() const;

    bool getCaptureParms(CaptureParms* out) const;
    bool setCaptureParms(const CaptureParms& parms);
    bool getVideoFormat(BitmapInfoHeader* out) const;
    bool setVideoFormat(const BitmapInfoHeader& format);
    bool getAudioFormat(WaveFormat* out) const;
    bool setAudioFormat(const WaveFormat& format);

    bool setPreview(bool on);
    bool setPreviewRate(int ms);
    bool setOverlay(bool on);
    bool setScale(bool on);
    bool previewing() const { return m_preview; }
    int previewRateMs() const { return m_previewMs; }
    bool scaling() const { return m_scale; }

    CaptureStatus status() const;

    // The driver's dialogs: 1 accepted, 0 cancelled, -1 the driver has none.
    int dlgVideoFormat();
    int dlgVideoSource();
    int dlgVideoDisplay();
    int dlgVideoCompression();

    bool setCaptureFile(const QString& path);
    QString captureFile() const { return m_captureFile; }
    bool saveCaptureFileAs(const QString& path);

    // Takes the newest frame (waiting briefly for the first one).
    bool grabFrameNoStop();
    bool saveDIB(const QString& path);
    bool editCopy();
    // The newest frame as a picture; null before the first frame.
    QImage currentImage() const;

    // Frames the owner of a capture without a file dropped (to keep the
    // video in step with the sound): they count among the capture's
    // dropped frames, with those the device lost.
    void addDroppedFrames(std::uint32_t count);

    bool captureSequence();        // plain capture to the capture file
    bool captureSequenceNoFile();  // frames and sound to the callbacks
    bool stop();
    bool abort();

    bool singleFrameOpen();
    bool singleFrame();
    bool singleFrameClose();

    // True colour devices have no palettes.
    bool paletteOpen(const QString&) { return false; }
    bool paletteSave(const QString&) { return false; }
    bool paletteAuto(int, int) { return false; }
    bool paletteManual(bool, int) { return false; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool openInput(const DriverInfo& driver, FrameSize size, std::uint32_t usPerFrame);
    void startReading();
    bool startCapture(bool toFile);
    void endCapture(bool failed);
    void startClock();
    void requestEnd();
    bool soundCaughtUp() const;
    void frameArrived(VideoFrame&& frame);
    void waveArrived(std::vector<std::uint8_t>&& bytes);
    void deviceEnded(const QString& why, bool videoGone);
    void reportStatus(int id, const QString& text);

    DriverInfo m_driver;
    std::vector<DeviceMode> m_modes;  // what the connected device offers
    std::unique_ptr<VideoInput> m_input;
    std::unique_ptr<AudioInput> m_audio;
    std::unique_ptr<AviWriter> m_plainWriter;
    std::unique_ptr<AviWriter> m_singleWriter;
    std::shared_ptr<std::atomic<int>> m_pending;  // frames queued to this thread
    int m_generation = 0;

    BitmapInfoHeader m_format;
    WaveFormat m_wave;
    CaptureParms m_parms;
    QString m_captureFile;

    bool m_preview = false;
    int m_previewMs = 66;
    bool m_scale = false;
    QTimer m_previewTimer;
    bool m_newFrame = false;
    std::shared_ptr<const VideoFrame> m_lastFrame;
    QImage m_shown;

    bool m_capturing = false;
    bool m_captureFailed = false;
    bool m_awaitingSound = false;
    bool m_draining = false;
    QTimer m_drainTimer;
    std::chrono::steady_clock::time_point m_captureStart;
    CaptureStatus m_status;
    FrameGaps m_gaps;
    QPointer<QEventLoop> m_wait;
    QTimer m_limitTimer;

    StatusCallback m_statusCb;
    ErrorCallback m_errorCb;
    VideoCallback m_videoCb;
    WaveCallback m_waveCb;
};

// The frame as a picture (any of the capture formats).
QImage imageOf(const VideoFrame& frame);

}  // namespace brindle::vfw
