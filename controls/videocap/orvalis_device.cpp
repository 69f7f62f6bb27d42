// The control's device operations: creating the capture window, connecting,
// sizing, the capture parameters, the audio and video formats, the driver
// dialogs, compressor selection and the two enumerations.
#include "controls/videocap/orvalis.h"
#include "controls/videocap/orvalis_args.h"

#include <QApplication>
#include <QCursor>

namespace brindle::orvalis {
namespace {

using dispatch::argAs;
using dispatch::DISP_E_BADPARAMCOUNT;

struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

void Orvalis::createCaptureWindow() {
    if (m_windowCreated) {
        return;
    }
    m_windowCreated = true;
    m_errorNum = 0;
    auto* win = new vfw::CaptureWindow(this);
    win->setGeometry(0, 0, m_width, m_height);
    win->show();
    m_capWin = win;
    m_width = width();
    m_height = height();
    win->setStatusCallback([this](int, const QString& text) { onStatus(text); });
    win->installEventFilter(this);
    // The capture parameters and sound format start from the properties.
    writeCaptureParms();
    writeAudioFormat(static_cast<std::uint32_t>(m_audioRate),
                     static_cast<std::uint32_t>(m_audioBits),
                     static_cast<std::uint32_t>(m_audioChannels));
    connectOperation();
    readVideoFormatIntoProperties();
    m_compression.clear();
    m_compressionQuality = 85;
    m_compressionKeyFrames = 10;
}

void Orvalis::readVideoFormatIntoProperties() {
    vfw::BitmapInfoHeader h;
    if (m_capWin && m_capWin->getVideoFormat(&h)) {
        m_videoResolutionWidth = h.biWidth;
        m_videoResolutionHeight = std::abs(h.biHeight);
        m_imageFormat = QString::fromStdString(vfw::fourccText(h.biCompression));
    }
}

void Orvalis::connectOperation() {
    if (!m_capWin) {
        m_errorNum = kErrNotConnected;
        return;
    }
    if (!m_connect) {
        disconnectOperation();
        return;
    }
    m_connected = false;
    m_connect = false;
    m_errorNum = kErrConnect;
    BusyCursor busy;
    vfw::DriverInfo driver;
    if (!vfw::driverDescription(m_driverNum, &driver)) {
        return;
    }
    if (!m_capWin->driverConnect(m_driverNum)) {
        return;
    }
    m_connected = true;
    m_connect = true;
    if (!vfw::driverDescription(m_driverNum, &driver)) {
        m_driverName.clear();
        m_driverVersion.clear();
        return;
    }
    m_driverName = QString::fromStdString(driver.name);
    m_driverVersion = QString::fromStdString(driver.version);
    // The raw PreviewRate is the interval here, as the device was always set
    // up at connection.
    if (!m_capWin->setPreviewRate(m_previewRate) || !m_capWin->setPreview(m_preview)) {
        return;
    }
    autoSizeOperation();
    m_errorNum = 0;
}

void Orvalis::disconnectOperation() {
    if (!m_capWin) {
        m_errorNum = kErrNotConnected;
        return;
    }
    m_errorNum = m_capWin->driverDisconnect() ? 0 : kErrDisconnect;
    m_connected = false;
}

DispResult Orvalis::putConnect(const QVariant& value) {
    if (!take(value, &m_connect)) {
        return mismatch();
    }
    m_modified = true;
    connectOperation();
    return {};
}

DispResult Orvalis::putDriverNum(const QVariant& value) {
    if (!take(value, &m_driverNum)) {
        return mismatch();
    }
    m_modified = true;
    if (!m_capWin) {
        return setError(kErrNotConnected);
    }
    if (!m_capWin->driverDisconnect()) {
        return setError(kErrDisconnect);
    }
    m_connected = false;
    connectOperation();
    if (m_errorNum != 0) {
        m_errorNum = kErrDriverNum;
    }
    return {};
}

// --- Sizing ----------------------------------------------------------------

void Orvalis::applySize() {
    m_applyingSize = true;
    resize(std::max(1, m_width), std::max(1, m_height));
    m_applyingSize = false;
    if (m_capWin) {
        m_capWin->setGeometry(0, 0, m_width, m_height);
    }
    update();
}

DispResult Orvalis::putWidth(const QVariant& value) {
    std::int32_t w = 0;
    if (!take(value, &w)) {
        return mismatch();
    }
    m_modified = true;
    m_width = m_autoSize ? m_lastWidth : w;
    m_lastWidth = m_width;
    applySize();
    return {};
}

DispResult Orvalis::putHeight(const QVariant& value) {
    std::int32_t h = 0;
    if (!take(value, &h)) {
        return mismatch();
    }
    m_modified = true;
    m_height = m_autoSize ? m_lastHeight : h;
    m_lastHeight = m_height;
    applySize();
    return {};
}

void Orvalis::autoSizeOperation() {
    if (!needDevice()) {
        return;
    }
    bool scaled = m_capWin->setScale(!m_autoSize);
    if (m_autoSize) {
        vfw::BitmapInfoHeader h;
        if (m_capWin->getVideoFormat(&h)) {
            m_width = m_lastWidth = h.biWidth;
            m_height = m_lastHeight = std::abs(h.biHeight);
        }
    } else {
        m_width = width();
        m_height = height();
    }
    applySize();
    m_errorNum = scaled ? 0 : kErrAutoSize;
}

DispResult Orvalis::putAutoSize(const QVariant& value) {
    if (!take(value, &m_autoSize)) {
        return mismatch();
    }
    m_modified = true;
    autoSizeOperation();
    return {};
}

// --- Capture parameters and the sound format --------------------------------

bool Orvalis::writeCaptureParms() {
    if (!m_capWin || m_videoRate <= 0) {
        return false;
    }
    vfw::CaptureParms p;
    if (!m_capWin->getCaptureParms(&p)) {
        return false;
    }
    p.microSecPerFrame = static_cast<std::uint32_t>(1000000 / m_videoRate);
    p.yield = m_yield;
    p.captureAudio = m_captureAudio;
    p.timeLimitSec = static_cast<std::uint32_t>(std::max(0, m_captureLimit));
    p.limitEnabled = m_captureUseLimit;
    p.abortLeftMouse = p.abortRightMouse = m_captureStopOnMouseOrESC;
    p.abortKey = m_captureStopOnMouseOrESC ? 27 : 0;
    return m_capWin->setCaptureParms(p);
}

bool Orvalis::writeAudioFormat(std::uint32_t rate, std::uint32_t bits, std::uint32_t channels) {
    if (!m_capWin) {
        return false;
    }
    vfw::WaveFormat f;
    m_capWin->getAudioFormat(&f);
    f.samplesPerSec = rate;
    f.bitsPerSample = static_cast<std::uint16_t>(std::min<std::uint32_t>(bits, 0xffff));
    f.channels = static_cast<std::uint16_t>(std::min<std::uint32_t>(channels, 0xffff));
    f.recompute();
    // The window refuses 0 channels, a rate of 0 and bit counts that are not
    // whole bytes, so nothing downstream divides by 0.
    return m_capWin->setAudioFormat(f);
}

#define CAPTURE_PARM(Name, member, code)                   \
    DispResult Orvalis::put##Name(const QVariant& value) { \
        if (!take(value, &member)) {                       \
            return mismatch();                             \
        }                                                  \
        m_modified = true;                                 \
        if (!needDevice()) {                               \
            return {};                                     \
        }                                                  \
        return setError(writeCaptureParms() ? 0 : code);   \
    }
CAPTURE_PARM(Yield, m_yield, kErrYield)
CAPTURE_PARM(CaptureAudio, m_captureAudio, kErrCaptureAudio)
CAPTURE_PARM(CaptureLimit, m_captureLimit, kErrLimit)
CAPTURE_PARM(CaptureUseLimit, m_captureUseLimit, kErrLimit)
CAPTURE_PARM(CaptureStopOnMouseOrESC, m_captureStopOnMouseOrESC, kErrStopOnMouseOrEsc)
#undef CAPTURE_PARM

DispResult Orvalis::putVideoRate(const QVariant& value) {
    if (!take(value, &m_videoRate)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    // A rate of 0 (or less) has no frame period: refused, never divided by.
    return setError(m_videoRate > 0 && writeCaptureParms() ? 0 : kErrVideoRate);
}

#define AUDIO_FORMAT(Name, member)                                                         \
    DispResult Orvalis::put##Name(const QVariant& value) {                                 \
        if (!take(value, &member)) {                                                       \
            return mismatch();                                                             \
        }                                                                                  \
        m_modified = true;                                                                 \
        if (!needDevice()) {                                                               \
            return {};                                                                     \
        }                                                                                  \
        if (member > 0 && writeAudioFormat(static_cast<std::uint32_t>(m_audioRate),        \
                                           static_cast<std::uint32_t>(m_audioBits),        \
                                           static_cast<std::uint32_t>(m_audioChannels))) { \
            m_errorNum = 0;                                                                \
        }                                                                                  \
        return {};                                                                         \
    }
AUDIO_FORMAT(AudioRate, m_audioRate)
AUDIO_FORMAT(AudioBits, m_audioBits)
AUDIO_FORMAT(AudioChannels, m_audioChannels)
#undef AUDIO_FORMAT

// --- Preview, overlay and the driver dialogs --------------------------------

DispResult Orvalis::putPreview(const QVariant& value) {
    if (!take(value, &m_preview)) {
        return mismatch();
    }
    m_modified = true;
    m_overlay = false;
    if (!needDevice()) {
        return {};
    }
    return setError(m_capWin->setPreview(m_preview) ? 0 : kErrPreview);
}

DispResult Orvalis::putPreviewRate(const QVariant& value) {
    if (!take(value, &m_previewRate)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    if (m_previewRate <= 0) {
        return setError(kErrPreviewRate);  // no interval for a rate of 0
    }
    return setError(m_capWin->setPreviewRate(1000 / m_previewRate) ? 0 : kErrPreviewRate);
}

DispResult Orvalis::putOverlay(const QVariant& value) {
    if (!take(value, &m_overlay)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    if (m_capWin->driverCaps().hasOverlay) {
        m_preview = false;
        return setError(m_capWin->setOverlay(m_overlay) ? 0 : kErrOverlay);
    }
    return setError(kErrOverlay);
}

DispResult Orvalis::putVideoFormatDlg(const QVariant& value) {
    if (!take(value, &m_videoFormatDlg)) {
        return mismatch();
    }
    m_modified = true;
    if (!m_videoFormatDlg || !needDevice()) {
        return {};
    }
    const int answer = m_capWin->dlgVideoFormat();
    if (answer < 0) {
        return setError(kErrFormatDlg);
    }
    if (answer > 0) {
        if (m_autoSize) {
            autoSizeOperation();
            readVideoFormatIntoProperties();
        }
        fire(EventVideoFormatChanged);
    }
    return setError(0);
}

DispResult Orvalis::putVideoSourceDlg(const QVariant& value) {
    if (!take(value, &m_videoSourceDlg)) {
        return mismatch();
    }
    m_modified = true;
    if (!m_videoSourceDlg || !needDevice()) {
        return {};
    }
    if (m_capWin->dlgVideoSource() < 0) {
        m_errorNum = kErrSourceDlg;  // success leaves ErrorNum as it was
    }
    return {};
}

DispResult Orvalis::putVideoDisplayDlg(const QVariant& value) {
    if (!take(value, &m_videoDisplayDlg)) {
        return mismatch();
    }
    m_modified = true;
    if (!m_videoDisplayDlg || !needDevice()) {
        return {};
    }
    return setError(m_capWin->dlgVideoDisplay() < 0 ? kErrDisplayDlg : 0);
}

DispResult Orvalis::putVideoCompressionDlg(const QVariant& value) {
    if (!take(value, &m_videoCompressionDlg)) {
        return mismatch();
    }
    m_modified = true;
    if (!m_videoCompressionDlg || !needDevice()) {
        return {};
    }
    return setError(m_capWin->dlgVideoCompression() < 0 ? kErrCompressionDlg : 0);
}

// --- Video format ------------------------------------------------------------

DispResult Orvalis::putImageFormat(const QVariant& value) {
    if (!take(value, &m_imageFormat)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    vfw::BitmapInfoHeader h;
    if (!m_capWin->getVideoFormat(&h)) {
        return setError(kErrImageFormat);
    }
    if (m_imageFormat.isEmpty()) {
        h.biCompression = dib::kBiRgb;
        h.biBitCount = 24;
    } else if (m_imageFormat == "YVU9" || m_imageFormat == "yvu9") {
        h.biCompression = vfw::kFourccYVU9;
        h.biBitCount = 9;
    } else if (m_imageFormat == "I420" || m_imageFormat == "i420") {
        h.biCompression = vfw::kFourccI420;
        h.biBitCount = 12;
    } else {
        return setError(kErrImageFormat);
    }
    h.biClrUsed = h.biClrImportant = 0;
    return setError(m_capWin->setVideoFormat(h) ? 0 : kErrImageFormat);
}

DispResult Orvalis::callSetVideoResolution(QVariantList& args) {
    std::int32_t w = 0;
    std::int32_t hgt = 0;
    if (args.size() != 2) {
        return DispResult::error(DISP_E_BADPARAMCOUNT);
    }
    if (!argAs(args[0], &w) || !argAs(args[1], &hgt)) {
        return mismatch();
    }
    if (!needDevice()) {
        return DispResult::value_of(false);
    }
    vfw::BitmapInfoHeader h;
    if (!m_capWin->getVideoFormat(&h)) {
        m_errorNum = kErrResolution;
        return DispResult::value_of(false);
    }
    h.biWidth = w;
    h.biHeight = hgt;
    if (!m_capWin->setVideoFormat(h)) {
        m_errorNum = kErrResolution;
        return DispResult::value_of(false);
    }
    m_videoResolutionWidth = w;
    m_videoResolutionHeight = hgt;
    if (m_autoSize) {
        autoSizeOperation();
    }
    m_errorNum = 0;
    fire(EventVideoFormatChanged);
    return DispResult::value_of(true);
}

DispResult Orvalis::callIsSizeAvailable(QVariantList& args) {
    std::int32_t w = 0;
    std::int32_t hgt = 0;
    if (args.size() != 2) {
        return DispResult::error(DISP_E_BADPARAMCOUNT);
    }
    if (!argAs(args[0], &w) || !argAs(args[1], &hgt)) {
        return mismatch();
    }
    if (!needDevice()) {
        return DispResult::value_of(false);
    }
    vfw::BitmapInfoHeader saved;
    if (!m_capWin->getVideoFormat(&saved)) {
        m_errorNum = kErrImageFormat;
        return DispResult::value_of(false);
    }
    vfw::BitmapInfoHeader probe = saved;
    probe.biWidth = w;
    probe.biHeight = hgt;
    if (!m_capWin->setVideoFormat(probe)) {
        m_errorNum = kErrImageFormat;
        return DispResult::value_of(false);
    }
    m_capWin->setVideoFormat(saved);
    m_errorNum = 0;
    return DispResult::value_of(true);
}

// --- Compressors and drivers ---------------------------------------------------

void Orvalis::selectCompressor() {
    m_compressorDescription.clear();
    if (m_compression.isEmpty()) {
        m_errorNum = 0;
        return;
    }
    if (m_compression.compare("None", Qt::CaseInsensitive) == 0) {
        m_compressorDescription = QStringLiteral("Full Frames (Uncompressed)");
        m_compressWhileCapturing = false;
    } else {
        const std::string wanted = m_compression.left(4).toStdString();
        for (const vfw::CompressorInfo& info : vfw::installedCompressors()) {
            // Handler codes match with their case; the two MPEG-4 handlers
            // also answer to their names in capitals.
            const std::string handler = vfw::fourccText(info.handler);
            const bool mpeg4Capitals =
                (wanted == "ZQ5A" && handler == "zq5a") || (wanted == "ZQ4A" && handler == "zq4a");
            if (handler != wanted && !mpeg4Capitals) {
                continue;
            }
            std::unique_ptr<vfw::Compressor> codec = vfw::Compressor::open(info.handler);
            if (!codec) {
                continue;
            }
            m_compressWhileCapturing = false;
            vfw::BitmapInfoHeader in;
            m_capWin->getVideoFormat(&in);
            bool accepted = true;
            if (m_compression == "zq5a" || m_compression == "ZQ5A") {
                m_compression = "zq5a";
                std::vector<std::uint8_t> block = vfw::configBlock(false);
                if (codec->configure(block) != vfw::kIcOk) {
                    dib::detail::put32(block.data() + 76, 0);
                    accepted = codec->configure(block) == vfw::kIcOk;
                }
            } else if (m_compression == "zq4a" || m_compression == "ZQ4A") {
                m_compression = "zq4a";
                m_compressWhileCapturing = true;
            }
            vfw::BitmapInfoHeader out;
            if (accepted && codec->getFormat(in, &out) == vfw::kIcOk) {
                m_compressorDescription = QString::fromStdString(info.description);
                m_compressWhileCapturing = true;
            }
        }
    }
    if (!m_compressorDescription.isEmpty()) {
        m_errorNum = 0;
    } else {
        m_errorNum = kErrCompression;
        m_compression.clear();
    }
}

DispResult Orvalis::putCompression(const QVariant& value) {
    if (!take(value, &m_compression)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        return {};
    }
    selectCompressor();
    return {};
}

DispResult Orvalis::putCompressionQuality(const QVariant& value) {
    std::int32_t q = 0;
    if (!argAs(value, &q)) {
        return mismatch();
    }
    m_modified = true;
    if (!needDevice()) {
        m_compressionQuality = static_cast<std::int16_t>(q);  // stored unchecked
        return {};
    }
    if (q < 0 || q > 100) {
        return setError(kErrCompressionQuality);  // back to the last accepted value
    }
    m_compressionQuality = static_cast<std::int16_t>(q);
    return setError(0);
}

DispResult Orvalis::callEnumCompressors(QVariantList&) {
    if (!needDevice()) {
        return DispResult::value_of(std::int16_t(-1));
    }
    vfw::BitmapInfoHeader in;
    if (!m_capWin->getVideoFormat(&in)) {
        return DispResult::value_of(std::int16_t(-1));
    }
    std::int16_t found = 0;
    for (const vfw::CompressorInfo& info : vfw::installedCompressors()) {
        std::unique_ptr<vfw::Compressor> codec = vfw::Compressor::open(info.handler);
        if (!codec || codec->formatSize(in) != dib::kInfoHeaderSize) {
            continue;
        }
        vfw::BitmapInfoHeader out;
        if (codec->getFormat(in, &out) != vfw::kIcOk || codec->query(in, out) != vfw::kIcOk) {
            continue;
        }
        fire(EventCompressorFound, {QString::fromStdString(vfw::fourccText(info.handler)),
                                    QString::fromStdString(info.description)});
        ++found;
    }
    return DispResult::value_of(found);
}

DispResult Orvalis::callEnumDrivers(QVariantList&) {
    std::int16_t n = 0;
    vfw::DriverInfo driver;
    while (vfw::driverDescription(n, &driver)) {
        fire(EventDriverFound, {std::int32_t(n), QString::fromStdString(driver.name)});
        ++n;
    }
    return DispResult::value_of(n);
}

}  // namespace brindle::orvalis
