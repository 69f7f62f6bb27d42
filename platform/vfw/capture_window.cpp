#include "platform/vfw/capture_window.h"

#include "platform/vfw/avi_writer.h"
#include "platform/vfw/device_modes.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace brindle::vfw {
namespace {

constexpr FrameSize kDefaultSize{320, 240};
// Frames the reader may queue ahead of this thread before it drops them.
constexpr int kMaxPendingFrames = 30;
// How long a capture waits for the sound source's first buffer.
constexpr int kSoundStartLimitMs = 5000;
// How long the sound may run on after the pictures at the end of a capture:
// on a loaded machine the sound server hands its last buffers over late.
constexpr int kDrainLimitMs = 1500;

BitmapInfoHeader rgbFormat(FrameSize size) {
    BitmapInfoHeader h;
    h.biWidth = size.width;
    h.biHeight = size.height;
    h.biBitCount = 24;
    h.biCompression = dib::kBiRgb;
    h.biSizeImage = static_cast<std::uint32_t>(frameBytes(h));
    return h;
}

}  // namespace

QImage imageOf(const VideoFrame& frame) {
    const BitmapInfoHeader& h = frame.format;
    const int w = h.biWidth;
    const int height = std::abs(h.biHeight);
    if (frame.bits.size() != frameBytes(h) || frame.bits.empty()) {
        return {};
    }
    if (h.biCompression == dib::kBiRgb) {
        const auto stride = static_cast<qsizetype>(dib::rowBytes(w, 24));
        QImage view(frame.bits.data(), w, height, stride, QImage::Format_BGR888);
        return h.biHeight > 0 ? view.mirrored() : view.copy();
    }
    const bool i420 = h.biCompression == kFourccI420;
    const int div = i420 ? 2 : 4;
    const int cw = (w + div - 1) / div;
    const int ch = (height + div - 1) / div;
    const std::uint8_t* y = frame.bits.data();
    const std::uint8_t* first = y + std::size_t(w) * height;
    const std::uint8_t* second = first + std::size_t(cw) * ch;
    const std::uint8_t* planes[4] = {y, i420 ? first : second, i420 ? second : first, nullptr};
    const int strides[4] = {w, cw, cw, 0};
    QImage out(w, height, QImage::Format_RGB888);
    SwsContext* sws =
        sws_getContext(w, height, i420 ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV410P, w, height,
                       AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws) {
        return {};
    }
    std::uint8_t* dst[4] = {out.bits(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {static_cast<int>(out.bytesPerLine()), 0, 0, 0};
    sws_scale(sws, planes, strides, 0, height, dst, dstStride);
    sws_freeContext(sws);
    return out;
}

CaptureWindow::CaptureWindow(QWidget* parent)
    : QWidget(parent), m_pending(std::make_shared<std::atomic<int>>(0)) {
    setObjectName("CaptureWindow");
    setWindowTitle("Capture Window");
    m_previewTimer.setInterval(m_previewMs);
    QObject::connect(&m_previewTimer, &QTimer::timeout, this, [this] {
        // A window nobody sees (a capture run from a script) converts nothing.
        if (m_newFrame && m_lastFrame && isVisible()) {
            m_newFrame = false;
            m_shown = imageOf(*m_lastFrame);
            update();
        }
    });
    m_limitTimer.setSingleShot(true);
    m_limitTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_limitTimer, &QTimer::timeout, this, [this] { requestEnd(); });
    m_drainTimer.setSingleShot(true);
    QObject::connect(&m_drainTimer, &QTimer::timeout, this, [this] {
        if (m_draining) {
            endCapture(false);
        }
    });
    m_format = rgbFormat(kDefaultSize);
}

CaptureWindow::~CaptureWindow() {
    if (m_capturing) {
        endCapture(false);
    }
    m_singleWriter.reset();
    m_input.reset();
}

DriverCaps CaptureWindow::driverCaps() const {
    DriverCaps caps;
    caps.hasDlgVideoFormat = isConnected();
    return caps;
}

bool CaptureWindow::openInput(const DriverInfo& driver, FrameSize size, std::uint32_t usPerFrame) {
    // A camera streams to one reader at a time: the running input lets go
    // of it before it is opened again (a caller whose new format fails
    // reopens the old one).
    ++m_generation;
    m_input.reset();
    m_lastFrame.reset();  // frames of the old format are gone with it
    std::string why;
    std::unique_ptr<VideoInput> input = VideoInput::open(driver, size, usPerFrame, &why);
    if (!input) {
        qInfo("capture: %s", why.c_str());
        return false;
    }
    m_input = std::move(input);
    // Captures run at the period the device settled on, not the one asked.
    m_parms.microSecPerFrame = m_input->microSecPerFrame();
    BitmapInfoHeader format = m_format;
    format.biWidth = m_input->size().width;
    format.biHeight = m_input->size().height;
    if (frameBytes(format) == 0) {
        format = rgbFormat(m_input->size());
    }
    format.biSizeImage = static_cast<std::uint32_t>(frameBytes(format));
    m_input->setOutputFormat(format);
    m_format = format;
    startReading();
    return true;
}

void CaptureWindow::startReading() {
    const int generation = ++m_generation;
    QPointer<CaptureWindow> self(this);
    std::shared_ptr<std::atomic<int>> pending = m_pending;
    pending->store(0);
    m_input->start(
        [this, generation, pending](VideoFrame&& frame) {
            if (pending->load() >= kMaxPendingFrames) {
                return;  // this thread is behind: the frame is dropped
            }
            ++*pending;
            auto shared = std::make_shared<VideoFrame>(std::move(frame));
            QMetaObject::invokeMethod(
                this,
                [this, generation, pending, shared] {
                    --*pending;
                    if (generation == m_generation) {
                        frameArrived(std::move(*shared));
                    }
                },
                Qt::QueuedConnection);
        },
        [this, generation](const std::string& why) {
            const QString text = QString::fromStdString(why);
            QMetaObject::invokeMethod(
                this,
                [this, generation, text] {
                    if (generation == m_generation) {
                        deviceEnded(text, true);
                    }
                },
                Qt::QueuedConnection);
        });
}

bool CaptureWindow::driverConnect(int n) {
    if (m_capturing) {
        return false;
    }
    DriverInfo driver;
    if (!driverDescription(n, &driver)) {
        return false;
    }
    driverDisconnect();
    m_modes = deviceModes(driver);
    FrameSize size{m_format.biWidth, std::abs(m_format.biHeight)};
    if (!openInput(driver, size, m_parms.microSecPerFrame)) {
        // The device may not offer the size last used: take its first one.
        const std::vector<FrameSize> sizes = readableSizes(m_modes);
        const bool retried = !sizes.empty() && !(sizes.front() == size) &&
                             openInput(driver, sizes.front(), m_parms.microSecPerFrame);
        if (!retried) {
            return false;
        }
    }
    m_driver = driver;
    return true;
}

bool CaptureWindow::driverDisconnect() {
    if (m_capturing) {
        endCapture(false);
    }
    ++m_generation;
    m_input.reset();
    m_lastFrame.reset();
    m_shown = QImage();
    m_driver = DriverInfo();
    m_modes.clear();
    update();
    return true;
}

bool CaptureWindow::getCaptureParms(CaptureParms* out) const {
    *out = m_parms;
    return true;
}

bool CaptureWindow::setCaptureParms(const CaptureParms& parms) {
    if (parms.microSecPerFrame == 0 || m_capturing) {
        return false;
    }
    const std::uint32_t oldPeriod = m_parms.microSecPerFrame;
    m_parms = parms;
    if (!isConnected() || parms.microSecPerFrame == m_input->microSecPerFrame()) {
        return true;
    }
    // A new rate: the device runs at the period it offers closest to it at
    // this size, and the parameters say which.
    const std::optional<ModeChoice> mode =
        modeFor(m_driver, m_modes, m_input->size(), parms.microSecPerFrame);
    if (!mode) {
        m_parms.microSecPerFrame = oldPeriod;
        return false;
    }
    if (mode->periodUs == m_input->microSecPerFrame()) {
        m_parms.microSecPerFrame = mode->periodUs;
        return true;
    }
    const FrameSize size = m_input->size();
    const std::uint32_t running = m_input->microSecPerFrame();
    if (!openInput(m_driver, size, mode->periodUs)) {
        openInput(m_driver, size, running);
        m_parms.microSecPerFrame = oldPeriod;
        return false;
    }
    return true;
}

bool CaptureWindow::getVideoFormat(BitmapInfoHeader* out) const {
    if (!isConnected()) {
        return false;
    }
    *out = m_format;
    return true;
}

bool CaptureWindow::setVideoFormat(const BitmapInfoHeader& requested) {
    if (!isConnected() || m_capturing || frameBytes(requested) == 0) {
        return false;
    }
    BitmapInfoHeader format = requested;
    format.biHeight = std::abs(format.biHeight);
    format.biSizeImage = static_cast<std::uint32_t>(frameBytes(format));
    const FrameSize size{format.biWidth, format.biHeight};
    if (!(m_input->size() == size)) {
        const DriverInfo driver = m_driver;
        const FrameSize old = m_input->size();
        const BitmapInfoHeader oldFormat = m_format;
        const std::uint32_t oldPeriod = m_parms.microSecPerFrame;
        m_format = format;
        if (!openInput(driver, size, oldPeriod)) {
            m_format = oldFormat;
            openInput(driver, old, oldPeriod);
            return false;
        }
        if (!(m_input->size() == size)) {
            // The device rounded the size: not the format asked for.
            m_format = oldFormat;
            openInput(driver, old, oldPeriod);
            return false;
        }
    }
    if (!m_input->setOutputFormat(format)) {
        return false;
    }
    m_format = format;
    return true;
}

bool CaptureWindow::getAudioFormat(WaveFormat* out) const {
    *out = m_wave;
    return true;
}

bool CaptureWindow::setAudioFormat(const WaveFormat& format) {
    if (!format.valid() || m_capturing) {
        return false;
    }
    m_wave = format;
    return true;
}

bool CaptureWindow::setPreview(bool on) {
    if (!isConnected()) {
        return false;
    }
    m_preview = on;
    if (on) {
        m_previewTimer.start(m_previewMs);
    } else {
        m_previewTimer.stop();
        m_shown = QImage();
    }
    update();
    return true;
}

bool CaptureWindow::setPreviewRate(int ms) {
    if (!isConnected() || ms <= 0) {
        return false;
    }
    m_previewMs = ms;
    m_previewTimer.setInterval(ms);
    return true;
}

bool CaptureWindow::setOverlay(bool) {
    return false;  // no device here draws into the screen by itself
}

bool CaptureWindow::setScale(bool on) {
    if (!isConnected()) {
        return false;
    }
    m_scale = on;
    update();
    return true;
}

CaptureStatus CaptureWindow::status() const {
    CaptureStatus s = m_status;
    s.capturing = m_capturing;
    if (m_capturing) {
        s.currentTimeMs =
            static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - m_captureStart)
                                           .count());
    }
    return s;
}

int CaptureWindow::dlgVideoFormat() {
    if (!isConnected()) {
        return -1;
    }
    const std::vector<FrameSize> sizes = readableSizes(m_modes);
    if (sizes.empty()) {
        return -1;
    }
    QDialog dialog(this);
    dialog.setObjectName("VideoFormatDialog");
    dialog.setWindowTitle("Video Format");
    auto* layout = new QVBoxLayout(&dialog);
    auto* combo = new QComboBox(&dialog);
    combo->setObjectName("FrameSize");
    for (const FrameSize& s : sizes) {
        combo->addItem(QStringLiteral("%1 x %2").arg(s.width).arg(s.height));
        if (s.width == m_format.biWidth && s.height == std::abs(m_format.biHeight)) {
            combo->setCurrentIndex(combo->count() - 1);
        }
    }
    layout->addWidget(combo);
    // The rates the device offers at the chosen size.
    auto* rates = new QComboBox(&dialog);
    rates->setObjectName("FrameRate");
    const auto fillRates = [this, rates, &sizes](int sizeIndex) {
        const FrameSize size = sizes[static_cast<std::size_t>(std::max(0, sizeIndex))];
        const std::uint32_t current = modeFor(m_driver, m_modes, size, m_parms.microSecPerFrame)
                                          .value_or(ModeChoice{})
                                          .periodUs;
        rates->clear();
        for (const std::uint32_t us : offeredPeriods(m_modes, size)) {
            // To the hundredth, without trailing zeros: "30", "29.97".
            QString fps = QString::number(std::round(1e8 / us) / 100.0, 'f', 2);
            while (fps.endsWith('0')) {
                fps.chop(1);
            }
            if (fps.endsWith('.')) {
                fps.chop(1);
            }
            rates->addItem(QStringLiteral("%1 frames/s").arg(fps), QVariant::fromValue(us));
            if (us == current) {
                rates->setCurrentIndex(rates->count() - 1);
            }
        }
    };
    fillRates(combo->currentIndex());
    QObject::connect(combo, &QComboBox::currentIndexChanged, rates, fillRates);
    layout->addWidget(rates);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) {
        return 0;
    }
    const FrameSize chosen = sizes[static_cast<std::size_t>(std::max(0, combo->currentIndex()))];
    BitmapInfoHeader format = m_format;
    format.biWidth = chosen.width;
    format.biHeight = chosen.height;
    if (!setVideoFormat(format)) {
        return 0;
    }
    CaptureParms parms = m_parms;
    parms.microSecPerFrame = rates->currentData().toUInt();
    return parms.microSecPerFrame == 0 || setCaptureParms(parms) ? 1 : 0;
}

int CaptureWindow::dlgVideoSource() {
    return -1;
}

int CaptureWindow::dlgVideoDisplay() {
    return -1;
}

int CaptureWindow::dlgVideoCompression() {
    return -1;
}

bool CaptureWindow::setCaptureFile(const QString& path) {
    if (path.isEmpty() || m_capturing) {
        return false;
    }
    m_captureFile = path;
    return true;
}

bool CaptureWindow::saveCaptureFileAs(const QString& path) {
    if (m_capturing || m_captureFile.isEmpty() || !QFile::exists(m_captureFile) || path.isEmpty()) {
        return false;
    }
    if (path == m_captureFile) {
        return true;
    }
    QFile::remove(path);
    return QFile::copy(m_captureFile, path);
}

bool CaptureWindow::grabFrameNoStop() {
    if (!isConnected()) {
        return false;
    }
    // A device just connected has not delivered yet: wait up to two seconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!m_lastFrame && isConnected() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    if (!m_lastFrame) {
        return false;
    }
    m_shown = imageOf(*m_lastFrame);
    update();
    return !m_shown.isNull();
}

QImage CaptureWindow::currentImage() const {
    return m_lastFrame ? imageOf(*m_lastFrame) : QImage();
}

bool CaptureWindow::saveDIB(const QString& path) {
    if (!grabFrameNoStop()) {
        return false;
    }
    const QImage image = currentImage().convertToFormat(QImage::Format_RGB888);
    return !image.isNull() && image.save(path, "BMP");
}

bool CaptureWindow::editCopy() {
    if (!grabFrameNoStop()) {
        return false;
    }
    QApplication::clipboard()->setImage(currentImage());
    return true;
}

bool CaptureWindow::startCapture(bool toFile) {
    if (!isConnected() || m_capturing) {
        return false;
    }
    if (m_input->microSecPerFrame() != m_parms.microSecPerFrame) {
        // The device runs at the rate asked for this capture.
        const FrameSize size = m_input->size();
        const std::uint32_t old = m_input->microSecPerFrame();
        if (!openInput(m_driver, size, m_parms.microSecPerFrame)) {
            openInput(m_driver, size, old);
            return false;
        }
    }
    m_audio.reset();
    if (m_parms.captureAudio) {
        std::string why;
        m_audio = AudioInput::open(m_wave, &why);
        if (!m_audio) {
            qInfo("capture: no sound: %s", why.c_str());
            return false;
        }
    }
    if (toFile) {
        if (m_captureFile.isEmpty()) {
            return false;
        }
        AviVideoStream video;
        video.codec = "rawvideo";
        video.tag = m_format.biCompression;
        video.format = m_format;
        video.microSecPerFrame = m_parms.microSecPerFrame;
        std::string why;
        m_plainWriter = AviWriter::create(m_captureFile.toStdString(), video,
                                          m_parms.captureAudio ? &m_wave : nullptr, &why);
        if (!m_plainWriter) {
            qInfo("capture: %s", why.c_str());
            m_audio.reset();
            return false;
        }
    }
    m_status = CaptureStatus();
    m_captureFailed = false;
    m_capturing = true;
    m_captureStart = std::chrono::steady_clock::now();
    qApp->installEventFilter(this);
    // A sound source takes a moment to deliver its first buffer: the capture
    // begins when it does, so both streams start together.
    m_awaitingSound = m_audio != nullptr;
    if (m_awaitingSound) {
        const int generation = m_generation;
        QTimer::singleShot(kSoundStartLimitMs, this, [this, generation] {
            if (m_capturing && m_awaitingSound && generation == m_generation) {
                deviceEnded(QStringLiteral("the sound source delivers nothing"), false);
            }
        });
    } else {
        startClock();
    }
    if (m_audio) {
        m_audio->start(
            [this](std::vector<std::uint8_t>&& bytes) {
                auto shared = std::make_shared<std::vector<std::uint8_t>>(std::move(bytes));
                QMetaObject::invokeMethod(
                    this, [this, shared] { waveArrived(std::move(*shared)); },
                    Qt::QueuedConnection);
            },
            [this](const std::string& why) {
                const QString text = QString::fromStdString(why);
                QMetaObject::invokeMethod(
                    this, [this, text] { deviceEnded(text, false); }, Qt::QueuedConnection);
            });
    }
    reportStatus(kStatusStart, QStringLiteral("Capture Start"));
    if (!m_parms.yield) {
        // Without yield the call returns when the capture has ended.
        QEventLoop loop;
        m_wait = &loop;
        if (m_capturing) {
            loop.exec();
        }
        return !m_captureFailed;
    }
    return true;
}

void CaptureWindow::startClock() {
    m_captureStart = std::chrono::steady_clock::now();
    m_gaps.reset(m_input ? m_input->microSecPerFrame() : m_parms.microSecPerFrame);
    if (m_parms.limitEnabled) {
        m_limitTimer.start(
            static_cast<int>(std::min<std::uint32_t>(m_parms.timeLimitSec, 2000000) * 1000));
    }
}

bool CaptureWindow::captureSequence() {
    return startCapture(true);
}

bool CaptureWindow::captureSequenceNoFile() {
    return startCapture(false);
}

void CaptureWindow::requestEnd() {
    if (!m_capturing || m_draining) {
        return;
    }
    if (!m_audio || m_awaitingSound) {
        endCapture(false);
        return;
    }
    // The sound source delivers in buffers, so it lags the pictures: the
    // pictures stop now and the sound runs on until it has caught up (or
    // the drain time is over), so both streams end together.
    m_draining = true;
    m_drainTimer.start(kDrainLimitMs);
    if (soundCaughtUp()) {
        endCapture(false);
    }
}

bool CaptureWindow::soundCaughtUp() const {
    if (m_wave.samplesPerSec == 0) {
        return true;
    }
    const double soundUs = double(m_status.currentWaveSamples) * 1e6 / m_wave.samplesPerSec;
    const double videoUs = double(m_status.currentVideoFrame) * m_parms.microSecPerFrame;
    return soundUs >= videoUs;
}

void CaptureWindow::endCapture(bool failed) {
    if (!m_capturing) {
        return;
    }
    m_status.currentTimeMs = status().currentTimeMs;
    m_capturing = false;
    m_draining = false;
    m_drainTimer.stop();
    m_limitTimer.stop();
    qApp->removeEventFilter(this);
    if (m_audio) {
        m_audio->stop();
        m_audio.reset();
    }
    if (m_plainWriter) {
        if (!m_plainWriter->finish()) {
            failed = true;
        }
        m_plainWriter.reset();
    }
    m_captureFailed = m_captureFailed || failed;
    reportStatus(kStatusEnd, QStringLiteral("Captured %1 frames (%2 dropped) %3 sec.")
                                 .arg(m_status.currentVideoFrame)
                                 .arg(m_status.videoFramesDropped)
                                 .arg(m_status.currentTimeMs / 1000.0, 0, 'f', 1));
    if (m_wait) {
        m_wait->quit();
    }
}

bool CaptureWindow::stop() {
    if (!isConnected()) {
        return false;
    }
    requestEnd();
    return true;
}

bool CaptureWindow::abort() {
    if (!isConnected()) {
        return false;
    }
    endCapture(false);
    return true;
}

void CaptureWindow::frameArrived(VideoFrame&& frame) {
    auto shared = std::make_shared<const VideoFrame>(std::move(frame));
    m_lastFrame = shared;
    m_newFrame = true;
    if (!m_capturing || m_awaitingSound || m_draining) {
        return;
    }
    ++m_status.currentVideoFrame;
    // Frames the device lost, or this thread could not keep up with, show
    // as gaps in the device's frame times.
    m_status.videoFramesDropped += m_gaps.frameAt(shared->timeUs);
    if (m_plainWriter) {
        if (!m_plainWriter->writeVideo(shared->bits, true)) {
            const QString why = QString::fromStdString(m_plainWriter->error());
            if (m_errorCb) {
                m_errorCb(kErrorWrite, why);
            }
            endCapture(true);
            return;
        }
    }
    if (m_videoCb) {
        m_videoCb(*shared);
    }
}

void CaptureWindow::addDroppedFrames(std::uint32_t count) {
    if (m_capturing) {
        m_status.videoFramesDropped += count;
    }
}

void CaptureWindow::waveArrived(std::vector<std::uint8_t>&& bytes) {
    if (!m_capturing) {
        return;
    }
    if (m_awaitingSound) {
        // The first buffer was recorded before the start: only its arrival
        // counts.
        m_awaitingSound = false;
        startClock();
        return;
    }
    m_status.currentWaveSamples += m_wave.blockAlign ? bytes.size() / m_wave.blockAlign : 0;
    if (m_plainWriter) {
        if (!m_plainWriter->writeAudio(bytes)) {
            const QString why = QString::fromStdString(m_plainWriter->error());
            if (m_errorCb) {
                m_errorCb(kErrorWrite, why);
            }
            endCapture(true);
            return;
        }
    }
    if (m_waveCb) {
        m_waveCb(bytes);
    }
    if (m_draining && soundCaughtUp()) {
        endCapture(false);
    }
}

void CaptureWindow::deviceEnded(const QString& why, bool videoGone) {
    qInfo("capture: %s", qPrintable(why));
    const bool wasCapturing = m_capturing;
    if (m_errorCb) {
        m_errorCb(kErrorDevice, why);
    }
    if (wasCapturing) {
        endCapture(true);
    }
    if (m_input && videoGone) {
        // A device that stopped delivering is gone: every later operation
        // fails instead of waiting for frames that never come.
        ++m_generation;
        m_input.reset();
        m_lastFrame.reset();
    }
}

void CaptureWindow::reportStatus(int id, const QString& text) {
    if (m_statusCb) {
        m_statusCb(id, text);
    }
}

void CaptureWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (m_shown.isNull()) {
        return;
    }
    if (m_scale) {
        p.drawImage(rect(), m_shown);
    } else {
        p.drawImage(0, 0, m_shown);
    }
}

bool CaptureWindow::eventFilter(QObject* watched, QEvent* event) {
    if (m_capturing) {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            // Escape always ends a capture, so a capture that waits for its
            // end can never hold the user.
            requestEnd();
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress) {
            const auto button = static_cast<QMouseEvent*>(event)->button();
            if ((button == Qt::LeftButton && m_parms.abortLeftMouse) ||
                (button == Qt::RightButton && m_parms.abortRightMouse)) {
                requestEnd();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool CaptureWindow::singleFrameOpen() {
    if (!isConnected() || m_capturing || m_captureFile.isEmpty()) {
        return false;
    }
    AviVideoStream video;
    video.codec = "rawvideo";
    video.tag = m_format.biCompression;
    video.format = m_format;
    video.microSecPerFrame = m_parms.microSecPerFrame;
    std::string why;
    m_singleWriter = AviWriter::create(m_captureFile.toStdString(), video, nullptr, &why);
    return m_singleWriter != nullptr;
}

bool CaptureWindow::singleFrame() {
    if (!m_singleWriter || !grabFrameNoStop()) {
        return false;
    }
    if (m_lastFrame->format.biCompression != m_format.biCompression) {
        return false;
    }
    return m_singleWriter->writeVideo(m_lastFrame->bits, true);
}

bool CaptureWindow::singleFrameClose() {
    if (!m_singleWriter) {
        return false;
    }
    const bool ok = m_singleWriter->finish();
    m_singleWriter.reset();
    return ok;
}

}  // namespace brindle::vfw
