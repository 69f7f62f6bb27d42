// The control's capture: the start and stop routines, the frame and sound
// handlers the capture window calls, the single operations (frame to file,
// clipboard, single-frame files, palettes) and the mouse over the video.
#include "controls/videocap/orvalis.h"
#include "controls/videocap/orvalis_args.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTimer>

#include <chrono>
#include <thread>

namespace brindle::orvalis {
namespace {

// How long the stop routine waits for the capture to end.
constexpr auto kStopWait = std::chrono::seconds(5);

}  // namespace

void Orvalis::installCaptureCallbacks() {
    m_capWin->setStatusCallback([this](int, const QString& text) { onStatus(text); });
    m_capWin->setVideoStreamCallback([this](const vfw::VideoFrame& f) { onFrame(f); });
    m_capWin->setWaveStreamCallback([this](std::span<const std::uint8_t> b) { onWave(b); });
    m_capWin->setErrorCallback([this](int id, const QString& text) { onCaptureError(id, text); });
}

void Orvalis::removeCaptureCallbacks() {
    m_capWin->setVideoStreamCallback({});
    m_capWin->setWaveStreamCallback({});
    m_capWin->setStatusCallback({});
    m_capWin->setErrorCallback({});
}

bool Orvalis::captureStart() {
    vfw::CaptureParms parms;
    m_capWin->getCaptureParms(&parms);
    m_engine.reset(parms.microSecPerFrame);
    m_lastReportedFrames = 0;
    m_captureWriteFailed = false;
    if (!m_compressWhileCapturing) {
        installCaptureCallbacks();
        m_stopped = false;
        if (!m_capWin->setCaptureFile(resolvedPath(m_captureFile)) ||
            (!m_capWin->captureSequence() && !m_captureWriteFailed)) {
            m_stopped = true;
            stopRoutine();
            return false;
        }
        if (!parms.yield && !m_stopped) {
            stopRoutine();
        }
        return true;
    }
    installCaptureCallbacks();
    CaptureEngine::Setup setup;
    setup.compression = m_compression.toStdString();
    if (!m_capWin->getVideoFormat(&setup.input)) {
        stopRoutine();
        return false;
    }
    m_capWin->getAudioFormat(&setup.audio);
    setup.withAudio = parms.captureAudio;
    setup.qualityPercent = m_compressionQuality;
    setup.path = resolvedPath(m_captureFile).toStdString();
    setup.framePeriodUs = parms.microSecPerFrame;
    std::string why;
    if (!m_engine.open(setup, &why)) {
        qInfo("Orvalis: %s", why.c_str());
        stopRoutine();
        return false;
    }
    m_stopped = false;
    if (!m_capWin->captureSequenceNoFile() && !m_captureWriteFailed) {
        m_stopped = true;
        stopRoutine();
        return false;
    }
    // Without yield the capture has already run to its end here.
    if (!parms.yield && !m_stopped) {
        stopRoutine();
    }
    return true;
}

bool Orvalis::stopRoutine() {
    if (m_stopRunning) {
        return false;  // a stop is already waiting for the capture to end
    }
    m_stopRunning = true;
    bool result = m_capWin && m_capWin->stop();
    // Waits on the monotonic clock, handling this control's window meanwhile.
    const auto deadline = std::chrono::steady_clock::now() + kStopWait;
    while (m_capWin && m_capWin->status().capturing &&
           std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (m_capWin) {
        removeCaptureCallbacks();
        m_capWin->setStatusCallback([this](int, const QString& text) { onStatus(text); });
    }
    m_stopped = true;
    if (m_engine.isOpen() && !m_engine.close()) {
        m_captureWriteFailed = true;
    }
    if (m_captureWriteFailed) {
        result = false;
    }
    m_capture = false;
    m_stopRunning = false;
    return result;
}

void Orvalis::updateFrameStatus() {
    const vfw::CaptureStatus s = m_capWin->status();
    const auto count = static_cast<std::int32_t>(s.currentVideoFrame);
    if (count != m_lastReportedFrames) {
        m_lastReportedFrames = count;
        m_status = QStringLiteral("Orvalis: Frames Captured=%1").arg(count);
        fire(EventStatus);
    }
}

void Orvalis::onFrame(const vfw::VideoFrame& frame) {
    if (!m_inTable) {
        return;  // a control over the limit is never found by its window
    }
    updateFrameStatus();
    if (m_stopped || !m_engine.isOpen()) {
        return;
    }
    const std::uint32_t dropped = m_engine.framesDropped();
    m_engine.frame(frame.bits);
    // Frames dropped to keep in step with the sound are reported with the
    // capture's own dropped frames.
    m_capWin->addDroppedFrames(m_engine.framesDropped() - dropped);
    if (m_engine.writeFailed()) {
        onCaptureError(vfw::CaptureWindow::kErrorWrite,
                       QString::fromStdString(m_engine.writeError()));
    }
}

void Orvalis::onWave(std::span<const std::uint8_t> bytes) {
    if (m_stopped || !m_inTable) {
        return;
    }
    if (!m_engine.isOpen()) {
        m_engine.countWave(bytes.size());
        return;
    }
    m_engine.wave(bytes);
    if (m_engine.writeFailed()) {
        onCaptureError(vfw::CaptureWindow::kErrorWrite,
                       QString::fromStdString(m_engine.writeError()));
    }
}

void Orvalis::onStatus(const QString& text) {
    if (!m_inTable) {
        return;
    }
    m_status = text;
    fire(EventStatus);
}

void Orvalis::onCaptureError(int, const QString& text) {
    // A full disk or a vanished device: the capture ends now, its file is
    // finished, and the stop reports the failure.
    qInfo("Orvalis: capture failed: %s", qPrintable(text));
    m_captureWriteFailed = true;
    if (!m_stopped && !m_stopRunning) {
        QTimer::singleShot(0, this, [this] {
            if (!m_stopped) {
                stopRoutine();
                m_errorNum = kErrCapture;
            }
        });
    }
}

// --- Capture properties ---------------------------------------------------------

DispResult Orvalis::putCapture(const QVariant& value) {
    bool on = false;
    if (!take(value, &on)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    if (on && !m_stopped) {
        // Already capturing: a second writer on the same file is refused.
        return setError(kErrCapture);
    }
    m_capture = on;
    m_errorNum = kErrCapture;
    if (!on) {
        if (m_stopped) {
            // The capture already ended by itself; a failure it met is
            // reported now.
            m_errorNum = m_captureWriteFailed ? kErrCapture : 0;
            m_captureWriteFailed = false;
            return {};
        }
        if (stopRoutine()) {
            m_errorNum = 0;
        }
        return {};
    }
    if (captureStart()) {
        m_errorNum = m_captureWriteFailed ? kErrCapture : 0;
        m_capture = !m_stopped;
        return {};
    }
    if (m_compressWhileCapturing) {
        // No compressor could be used: capture plain from now on.
        m_compressWhileCapturing = false;
        m_errorNum = captureStart() ? 0 : kErrNotConnected;
        m_capture = !m_stopped;
    }
    return {};
}

DispResult Orvalis::putCaptureStop(const QVariant& value) {
    if (!take(value, &m_captureStop)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    return setError(stopRoutine() ? 0 : kErrCaptureStop);
}

DispResult Orvalis::putCaptureAbort(const QVariant& value) {
    if (!take(value, &m_captureAbort)) {
        return mismatch();
    }
    if (!needDevice()) {
        return {};
    }
    return setError(m_capWin->abort() ? 0 : kErrCaptureStop);
}

DispResult Orvalis::putCaptureFile(const QVariant& value) {
    if (!take(value, &m_captureFile)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    return setError(m_capWin->setCaptureFile(resolvedPath(m_captureFile)) ? 0 : kErrCaptureFile);
}

DispResult Orvalis::putCaptureSave(const QVariant& value) {
    if (!take(value, &m_captureSave)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    if (m_captureSave.isEmpty()) {
        return setError(kErrCaptureSaveEmpty);
    }
    m_capWin->setCaptureFile(resolvedPath(m_captureFile));
    return setError(m_capWin->saveCaptureFileAs(resolvedPath(m_captureSave)) ? 0 : kErrCaptureSave);
}

DispResult Orvalis::putCaptureDIB(const QVariant& value) {
    if (!take(value, &m_captureDIB)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    return setError(m_capWin->saveDIB(resolvedPath(m_captureDIBFile)) ? 0 : kErrCaptureDIB);
}

DispResult Orvalis::putEditCopy(const QVariant& value) {
    if (!take(value, &m_editCopy)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    return setError(m_capWin->editCopy() ? 0 : kErrEditCopy);
}

DispResult Orvalis::putSingleFrameOpen(const QVariant& value) {
    if (!take(value, &m_singleFrameOpen)) {
        return mismatch();
    }
    m_modified = true;
    if (!m_singleFrameOpen || !needDevice()) {
        return {};
    }
    m_capWin->setCaptureFile(resolvedPath(m_captureFile));
    return setError(m_capWin->singleFrameOpen() ? 0 : kErrSingleFrameOpen);
}

DispResult Orvalis::putSingleFrame(const QVariant& value) {
    if (!take(value, &m_singleFrame)) {
        return mismatch();
    }
    m_modified = true;
    if (!m_singleFrame || !needDevice()) {
        return {};
    }
    return setError(m_capWin->singleFrame() ? 0 : kErrSingleFrame);
}

DispResult Orvalis::putSingleFrameClose(const QVariant& value) {
    if (!take(value, &m_singleFrameClose)) {
        return mismatch();
    }
    m_modified = true;
    if (!m_singleFrameClose || !needDevice()) {
        return {};
    }
    return setError(m_capWin->singleFrameClose() ? 0 : kErrSingleFrameClose);
}

DispResult Orvalis::putPalCreate(const QVariant& value) {
    if (!take(value, &m_palCreate)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    if (!m_palCreate) {
        return setError(kErrNotConnected);
    }
    return setError(m_capWin->paletteAuto(m_palNumFrames, m_palNumColors) ? 0 : kErrPalCreate);
}

DispResult Orvalis::putPalCreateManual(const QVariant& value) {
    if (!take(value, &m_palCreateManual)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    return setError(
        m_capWin->paletteManual(m_palCreateManual, m_palNumColors) ? 0 : kErrPalCreateManual);
}

DispResult Orvalis::putPalOpen(const QVariant& value) {
    if (!take(value, &m_palOpen)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    return setError(m_capWin->paletteOpen(resolvedPath(m_palOpen)) ? 0 : kErrPalOpen);
}

DispResult Orvalis::putPalSave(const QVariant& value) {
    if (!take(value, &m_palSave)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    return setError(m_capWin->paletteSave(resolvedPath(m_palSave)) ? 0 : kErrPalSave);
}

// --- The mouse over the video -----------------------------------------------------

bool Orvalis::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_capWin || !m_inTable) {
        return QWidget::eventFilter(watched, event);
    }
    if (!m_stopped) {
        return QWidget::eventFilter(watched, event);  // the capture sees the mouse
    }
    const auto button = [](const QMouseEvent* e) {
        return e->button() == Qt::LeftButton ? 1 : e->button() == Qt::RightButton ? 2 : 0;
    };
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (const int b = button(e)) {
                fire(EventMouseDown, {std::int16_t(b), std::int16_t(0), int(e->position().x()),
                                      int(e->position().y())});
            }
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* e = static_cast<QMouseEvent*>(event);
            const int b = button(e);
            if (b == 2 && m_contextMenuOn) {
                QMetaObject::invokeMethod(
                    this, [this] { showContextMenu(); }, Qt::QueuedConnection);
                return true;
            }
            if (b) {
                fire(EventMouseUp, {std::int16_t(b), std::int16_t(0), int(e->position().x()),
                                    int(e->position().y())});
                fire(EventClick);
            }
            return true;
        }
        case QEvent::MouseButtonDblClick: {
            auto* e = static_cast<QMouseEvent*>(event);
            if (button(e)) {
                fire(EventDblClick);
            }
            return true;
        }
        default:
            return QWidget::eventFilter(watched, event);
    }
}

}  // namespace brindle::orvalis
