#include "controls/videocap/orvalis.h"
#include "controls/videocap/orvalis_args.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QResizeEvent>
#include <QStandardPaths>

namespace brindle::orvalis {
namespace {

using dispatch::DISP_E_BADPARAMCOUNT;

// The process's controls: a count of those constructed and a table of the
// admitted ones, which the capture windows' handlers look themselves up in.
int gControlCount = 0;
std::array<Orvalis*, kMaxControls> gInstances{};

}  // namespace

#define ROW(Name) \
    { Disp##Name, #Name, &Orvalis::get##Name, &Orvalis::put##Name, nullptr }
#define RO(Name) \
    { Disp##Name, #Name, &Orvalis::get##Name, nullptr, nullptr }
#define ORV_METHOD(Name) \
    { Disp##Name, #Name, nullptr, nullptr, &Orvalis::call##Name }
const Orvalis::Table Orvalis::kTable{{
    ROW(AudioRate),
    ROW(Capture),
    ROW(CaptureFile),
    ROW(Connect),
    ROW(DriverNum),
    ROW(Left),
    ROW(Height),
    ROW(Width),
    ROW(Preview),
    ROW(PreviewRate),
    ROW(Top),
    ROW(VideoCompressionDlg),
    ROW(VideoDisplayDlg),
    ROW(VideoFormatDlg),
    ROW(VideoSourceDlg),
    ROW(Visible),
    ROW(Yield),
    ROW(EditCopy),
    ROW(Overlay),
    ROW(CaptureStop),
    ROW(CaptureAudio),
    ROW(CaptureSave),
    ROW(AutoSize),
    ROW(VideoRate),
    ROW(CaptureLimit),
    ROW(CaptureUseLimit),
    ROW(SingleFrameOpen),
    ROW(SingleFrameClose),
    ROW(SingleFrame),
    ROW(CaptureDIB),
    ROW(CaptureDIBFile),
    ROW(Status),
    ROW(CaptureStopOnMouseOrESC),
    ROW(DefaultContextMenu),
    ROW(AudioBits),
    ROW(AudioChannels),
    ROW(CaptureAbort),
    ROW(DriverName),
    ROW(DriverVersion),
    ROW(PalCreate),
    ROW(PalCreateManual),
    ROW(PalNumColors),
    ROW(PalNumFrames),
    ROW(PalOpen),
    ROW(PalSave),
    ROW(Version),
    ROW(Compression),
    ROW(BitCount),
    ROW(ImageFormat),
    ROW(CompressionQuality),
    ROW(CompressionKeyFrames),
    RO(CanOverlay),
    RO(ErrorNum),
    RO(Error),
    RO(VideoResolutionWidth),
    RO(VideoResolutionHeight),
    ROW(BorderStyle),
    ORV_METHOD(SetVideoResolution),
    ORV_METHOD(EnumCompressors),
    ORV_METHOD(IsSizeAvailable),
    ORV_METHOD(EnumDrivers),
    ORV_METHOD(AboutBox),
}};
#undef ROW
#undef RO
#undef ORV_METHOD

Orvalis::Orvalis(QWidget* parent)
    : QWidget(parent), m_strings(StringTable::fromFile(":/orvalis/orvalis.strings")) {
    setObjectName("Orvalis");
    m_version = m_strings.text(136);
    resize(m_width, m_height);
    if (gControlCount == 0) {
        gInstances.fill(nullptr);
    }
    ++gControlCount;
    if (gControlCount > kMaxControls) {
        const QString text = m_strings.text(kStringInstanceLimit);
        // Logged for scripts and tests; the box does not hold the host's
        // construction of the control in a loop of its own.
        qWarning("Orvalis: message %d: %s", kStringInstanceLimit, qPrintable(text));
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
            auto* box =
                new QMessageBox(QMessageBox::Warning, QApplication::applicationDisplayName(), text,
                                QMessageBox::Ok, parent);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->show();
        }
        return;
    }
    for (Orvalis*& slot : gInstances) {
        if (!slot) {
            slot = this;
            m_inTable = true;
            break;
        }
    }
    m_errorNum = 0;
    m_connected = false;
}

Orvalis::~Orvalis() {
    // A capture still running is stopped first, so its file is finished.
    if (!m_stopped) {
        stopRoutine();
    }
    m_engine.close();
    if (m_capWin) {
        m_capWin->setStatusCallback({});
        m_capWin->removeEventFilter(this);
        delete m_capWin;
    }
    if (m_inTable) {
        for (Orvalis*& slot : gInstances) {
            if (slot == this) {
                slot = nullptr;
            }
        }
    }
    --gControlCount;
}

int Orvalis::liveCount() {
    return gControlCount;
}

DispResult Orvalis::invoke(int dispid, dispatch::InvokeKind kind, QVariantList& args) {
    createCaptureWindow();
    return dispatch::dispatchByTable<Orvalis>(*this, kTable, dispid, kind, args);
}

void Orvalis::saveProperties(dispatch::PropertyBag& bag) const {
    bag.setVersion("2.1");
    bag.write("AudioRate", m_audioRate);
    bag.write("Capture", m_capture);
    bag.write("CaptureFile", m_captureFile);
    bag.write("Connect", m_connect);
    bag.write("DriverNum", m_driverNum);
    bag.write("Left", m_left);
    bag.write("Height", m_height);
    bag.write("Width", m_width);
    bag.write("Preview", m_preview);
    bag.write("PreviewRate", m_previewRate);
    bag.write("Top", m_top);
    bag.write("VideoCompressionDlg", m_videoCompressionDlg);
    bag.write("VideoDisplayDlg", m_videoDisplayDlg);
    bag.write("VideoFormatDlg", m_videoFormatDlg);
    bag.write("VideoSourceDlg", m_videoSourceDlg);
    bag.write("Visible", m_visible);
    bag.write("Yield", m_yield);
    bag.write("EditCopy", m_editCopy);
    bag.write("Overlay", m_overlay);
    bag.write("CaptureStop", m_captureStop);
    bag.write("CaptureAudio", m_captureAudio);
    bag.write("AutoSize", m_autoSize);
    bag.write("VideoRate", m_videoRate);
    bag.write("CaptureLimit", m_captureLimit);
    bag.write("CaptureUseLimit", m_captureUseLimit);
    bag.write("SingleFrameOpen", m_singleFrameOpen);
    bag.write("SingleFrameClose", m_singleFrameClose);
    bag.write("SingleFrame", m_singleFrame);
    bag.write("CaptureDIB", m_captureDIB);
    bag.write("CaptureDIBFile", m_captureDIBFile);
    bag.write("CaptureStopOnMouseOrESC", m_captureStopOnMouseOrESC);
    bag.write("DefaultContextMenu", m_defaultContextMenu);
    bag.write("AudioBits", m_audioBits);
    bag.write("AudioChannels", m_audioChannels);
    bag.write("DriverName", m_driverName);
    bag.write("DriverVersion", m_driverVersion);
    bag.write("PalCreate", m_palCreate);
    bag.write("PalCreateManual", m_palCreateManual);
    bag.write("PalNumColors", m_palNumColors);
    bag.write("PalNumFrames", m_palNumFrames);
    bag.write("PalOpen", m_palOpen);
    bag.write("PalSave", m_palSave);
    bag.write("Version", m_version);
    bag.write("Compression", m_compression);
    bag.write("CompressionQuality", int(m_compressionQuality));
    bag.write("CompressionKeyFrames", int(m_compressionKeyFrames));
    bag.write("BorderStyle", int(m_borderStyle));
}

void Orvalis::loadProperties(const dispatch::PropertyBag& bag) {
    auto i32 = [&](const char* name, std::int32_t fallback) {
        return static_cast<std::int32_t>(bag.read(name, fallback).toLongLong());
    };
    auto b = [&](const char* name, bool fallback) { return bag.read(name, fallback).toBool(); };
    auto s = [&](const char* name, const QString& fallback) {
        return bag.read(name, fallback).toString();
    };
    m_audioRate = i32("AudioRate", 11205);
    m_capture = b("Capture", false);
    m_captureFile = s("CaptureFile", "\\capture.avi");
    m_connect = b("Connect", true);
    m_driverNum = i32("DriverNum", 0);
    m_left = i32("Left", 0);
    m_height = i32("Height", 240);
    m_width = i32("Width", 320);
    m_preview = b("Preview", true);
    m_previewRate = i32("PreviewRate", 15);
    m_top = i32("Top", 0);
    m_videoCompressionDlg = b("VideoCompressionDlg", false);
    m_videoDisplayDlg = b("VideoDisplayDlg", false);
    m_videoFormatDlg = b("VideoFormatDlg", false);
    m_videoSourceDlg = b("VideoSourceDlg", false);
    m_visible = b("Visible", true);
    m_yield = b("Yield", false);
    m_editCopy = b("EditCopy", false);
    m_overlay = b("Overlay", false);
    m_captureStop = b("CaptureStop", false);
    m_captureAudio = b("CaptureAudio", true);
    m_autoSize = b("AutoSize", false);
    m_videoRate = i32("VideoRate", 15);
    m_captureLimit = i32("CaptureLimit", 60);
    m_captureUseLimit = b("CaptureUseLimit", false);
    m_singleFrameOpen = b("SingleFrameOpen", false);
    m_singleFrameClose = b("SingleFrameClose", false);
    m_singleFrame = b("SingleFrame", false);
    m_captureDIB = b("CaptureDIB", false);
    m_captureDIBFile = s("CaptureDIBFile", "\\capture.bmp");
    m_captureStopOnMouseOrESC = b("CaptureStopOnMouseOrESC", false);
    m_defaultContextMenu = b("DefaultContextMenu", true);
    m_contextMenuOn = m_defaultContextMenu;
    m_audioBits = i32("AudioBits", 8);
    m_audioChannels = i32("AudioChannels", 1);
    m_driverName = s("DriverName", {});
    m_driverVersion = s("DriverVersion", {});
    m_palCreate = b("PalCreate", false);
    m_palCreateManual = b("PalCreateManual", false);
    m_palNumColors = i32("PalNumColors", 256);
    m_palNumFrames = i32("PalNumFrames", 20);
    m_palOpen = s("PalOpen", "\\optimal.pal");
    m_palSave = s("PalSave", "\\optimal.pal");
    m_version = s("Version", m_strings.text(136));
    m_compression = s("Compression", {});
    m_compressionQuality = static_cast<std::int16_t>(i32("CompressionQuality", 85));
    m_compressionKeyFrames = static_cast<std::int16_t>(i32("CompressionKeyFrames", 10));
    m_borderStyle = static_cast<std::int16_t>(i32("BorderStyle", 1));
    // A stored rate of 0 would be divided by: such a bag gets the defaults.
    if (m_previewRate <= 0) {
        m_previewRate = 15;
    }
    if (m_videoRate <= 0) {
        m_videoRate = 15;
    }
    m_lastWidth = m_width;
    m_lastHeight = m_height;
    m_compressWhileCapturing = true;
    resize(std::max(1, m_width), std::max(1, m_height));
    if (m_windowCreated && m_capWin) {
        // Loaded into a live control: the device follows the loaded values.
        writeCaptureParms();
        writeAudioFormat(static_cast<std::uint32_t>(m_audioRate),
                         static_cast<std::uint32_t>(m_audioBits),
                         static_cast<std::uint32_t>(m_audioChannels));
        connectOperation();
    }
}

DispResult Orvalis::setError(int code) {
    m_errorNum = code;
    return {};
}

bool Orvalis::needDevice() {
    if (!m_capWin || !m_connected) {
        m_errorNum = kErrNotConnected;
        return false;
    }
    return true;
}

QString Orvalis::resolvedPath(const QString& name) const {
    // Names given from the root ("\capture.avi") live in the per-user
    // temporary folder, never in the root folder.
    if (name.startsWith('\\')) {
        QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        if (base.isEmpty()) {
            base = QDir::tempPath();
        }
        base += "/brindle";
        QDir().mkpath(base);
        QString rest = name;
        rest.replace('\\', '/');
        return base + rest;
    }
    return name;
}

void Orvalis::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor fill = m_borderStyle != 0 ? palette().color(QPalette::WindowText)
                                           : palette().color(QPalette::Window);
    p.fillRect(rect(), fill);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void Orvalis::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_applyingSize) {
        return;
    }
    // The host resizing the window goes through the Width/Height path.
    m_width = event->size().width();
    m_height = event->size().height();
    if (!m_autoSize) {
        m_lastWidth = m_width;
        m_lastHeight = m_height;
    }
    if (m_capWin) {
        m_capWin->setGeometry(0, 0, m_width, m_height);
    }
}

void Orvalis::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    createCaptureWindow();
}

// --- Plain stored properties and the simple getters ------------------------

#define STORED(Name, member)                                      \
    DispResult Orvalis::get##Name() {                             \
        return DispResult::value_of(QVariant::fromValue(member)); \
    }                                                             \
    DispResult Orvalis::put##Name(const QVariant& value) {        \
        if (!take(value, &member)) {                              \
            return mismatch();                                    \
        }                                                         \
        m_modified = true;                                        \
        return {};                                                \
    }
STORED(Left, m_left)
STORED(Top, m_top)
STORED(CaptureDIBFile, m_captureDIBFile)
STORED(Status, m_status)
STORED(DriverName, m_driverName)
STORED(DriverVersion, m_driverVersion)
STORED(PalNumColors, m_palNumColors)
STORED(PalNumFrames, m_palNumFrames)
STORED(Version, m_version)
STORED(BitCount, m_bitCount)
STORED(CompressionKeyFrames, m_compressionKeyFrames)
#undef STORED

#define GETTER(Name, member)                                      \
    DispResult Orvalis::get##Name() {                             \
        return DispResult::value_of(QVariant::fromValue(member)); \
    }
GETTER(AudioRate, m_audioRate)
GETTER(Capture, m_capture)
GETTER(CaptureFile, m_captureFile)
GETTER(Connect, m_connect)
GETTER(DriverNum, m_driverNum)
GETTER(Height, m_height)
GETTER(Width, m_width)
GETTER(Preview, m_preview)
GETTER(PreviewRate, m_previewRate)
GETTER(VideoCompressionDlg, m_videoCompressionDlg)
GETTER(VideoDisplayDlg, m_videoDisplayDlg)
GETTER(VideoFormatDlg, m_videoFormatDlg)
GETTER(VideoSourceDlg, m_videoSourceDlg)
GETTER(Visible, m_visible)
GETTER(Yield, m_yield)
GETTER(EditCopy, m_editCopy)
GETTER(Overlay, m_overlay)
GETTER(CaptureStop, m_captureStop)
GETTER(CaptureAudio, m_captureAudio)
GETTER(CaptureSave, m_captureSave)
GETTER(AutoSize, m_autoSize)
GETTER(VideoRate, m_videoRate)
GETTER(CaptureLimit, m_captureLimit)
GETTER(CaptureUseLimit, m_captureUseLimit)
GETTER(SingleFrameOpen, m_singleFrameOpen)
GETTER(SingleFrameClose, m_singleFrameClose)
GETTER(SingleFrame, m_singleFrame)
GETTER(CaptureDIB, m_captureDIB)
GETTER(CaptureStopOnMouseOrESC, m_captureStopOnMouseOrESC)
GETTER(DefaultContextMenu, m_defaultContextMenu)
GETTER(AudioBits, m_audioBits)
GETTER(AudioChannels, m_audioChannels)
GETTER(CaptureAbort, m_captureAbort)
GETTER(PalCreate, m_palCreate)
GETTER(PalCreateManual, m_palCreateManual)
GETTER(PalOpen, m_palOpen)
GETTER(PalSave, m_palSave)
GETTER(Compression, m_compression)
GETTER(ImageFormat, m_imageFormat)
GETTER(CompressionQuality, m_compressionQuality)
GETTER(BorderStyle, m_borderStyle)
GETTER(ErrorNum, m_errorNum)
GETTER(VideoResolutionWidth, m_videoResolutionWidth)
GETTER(VideoResolutionHeight, m_videoResolutionHeight)
#undef GETTER

DispResult Orvalis::getError() {
    return DispResult::value_of(m_errorNum == 0 ? QString() : m_strings.text(m_errorNum));
}

DispResult Orvalis::getCanOverlay() {
    if (!needDevice()) {
        return DispResult::value_of(false);
    }
    return DispResult::value_of(m_capWin->driverCaps().hasOverlay);
}

DispResult Orvalis::putVisible(const QVariant& value) {
    if (!take(value, &m_visible)) {
        return mismatch();
    }
    m_modified = true;
    setVisible(m_visible);
    if (!m_visible) {
        update();
    }
    return {};
}

DispResult Orvalis::putBorderStyle(const QVariant& value) {
    if (!take(value, &m_borderStyle)) {
        return mismatch();
    }
    m_modified = true;
    update();
    return {};
}

DispResult Orvalis::putDefaultContextMenu(const QVariant& value) {
    if (!take(value, &m_defaultContextMenu)) {
        return mismatch();
    }
    m_modified = true;
    m_contextMenuOn = m_defaultContextMenu;
    return {};
}

DispResult Orvalis::callAboutBox(QVariantList&) {
    showAboutBox();
    return {};
}

}  // namespace brindle::orvalis
