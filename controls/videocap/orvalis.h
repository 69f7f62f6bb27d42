// Orvalis, the video capture control: wraps one capture device, shows its
// live picture in its own window, and captures frames, still pictures and
// video files when the host sets its action properties. Every outcome is
// left in ErrorNum (0 = success) with its text in Error; nothing is thrown
// to the host.
#pragma once

#include "controls/videocap/capture_engine.h"
#include "controls/videocap/orvalis_ids.h"
#include "platform/dispatch/control_api.h"
#include "platform/stringtable.h"
#include "platform/vfw/capture_window.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class QMenu;

namespace brindle::orvalis {

using dispatch::DispResult;

class Orvalis : public QWidget, public dispatch::Control {
public:
    explicit Orvalis(QWidget* parent);
    ~Orvalis() override;

    QWidget* widget() override { return this; }
    DispResult invoke(int dispid, dispatch::InvokeKind kind, QVariantList& args) override;
    void saveProperties(dispatch::PropertyBag& bag) const override;
    void loadProperties(const dispatch::PropertyBag& bag) override;

    // The live count of controls in this process (for the instance limit).
    static int liveCount();

    // The context menu of the video picture, built for the caller to show.
    QMenu* buildContextMenu(QWidget* parent);
    // The menu's "Save As..." with the chosen path (empty: cancelled).
    void saveFrameAs(const QString& path);

    vfw::CaptureWindow* captureWindow() const { return m_capWin; }
    CaptureEngine& engine() { return m_engine; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Table = std::array<dispatch::Member<Orvalis>, 62>;
    static const Table kTable;

    // Property plumbing.
    DispResult setError(int code);
    DispResult ok() { return setError(kErrNone); }
    bool needDevice();  // false (and 105) without a capture window or connection

    // Window creation: the capture window and the first connect.
    void createCaptureWindow();

    // Device operations (orvalis_device.cpp).
    void connectOperation();
    void disconnectOperation();
    void autoSizeOperation();
    void applySize();
    bool writeCaptureParms();
    bool writeAudioFormat(std::uint32_t rate, std::uint32_t bits, std::uint32_t channels);
    void selectCompressor();
    void readVideoFormatIntoProperties();

    // Capture (orvalis_capture.cpp).
    bool captureStart();
    bool stopRoutine();
    void onFrame(const vfw::VideoFrame& frame);
    void onWave(std::span<const std::uint8_t> bytes);
    void onStatus(const QString& text);
    void onCaptureError(int id, const QString& text);
    void updateFrameStatus();
    void installCaptureCallbacks();
    void removeCaptureCallbacks();

    // Menu and about box (orvalis_menu.cpp).
    void showContextMenu();
    void showAboutBox();
    void showSaveFrameDialog();

    QString resolvedPath(const QString& name) const;

#define ORVALIS_PROPERTY(Name) \
    DispResult get##Name();    \
    DispResult put##Name(const QVariant& value);
    ORVALIS_PROPERTY(AudioRate)
    ORVALIS_PROPERTY(Capture)
    ORVALIS_PROPERTY(CaptureFile)
    ORVALIS_PROPERTY(Connect)
    ORVALIS_PROPERTY(DriverNum)
    ORVALIS_PROPERTY(Left)
    ORVALIS_PROPERTY(Height)
    ORVALIS_PROPERTY(Width)
    ORVALIS_PROPERTY(Preview)
    ORVALIS_PROPERTY(PreviewRate)
    ORVALIS_PROPERTY(Top)
    ORVALIS_PROPERTY(VideoCompressionDlg)
    ORVALIS_PROPERTY(VideoDisplayDlg)
    ORVALIS_PROPERTY(VideoFormatDlg)
    ORVALIS_PROPERTY(VideoSourceDlg)
    ORVALIS_PROPERTY(Visible)
    ORVALIS_PROPERTY(Yield)
    ORVALIS_PROPERTY(EditCopy)
    ORVALIS_PROPERTY(Overlay)
    ORVALIS_PROPERTY(CaptureStop)
    ORVALIS_PROPERTY(CaptureAudio)
    ORVALIS_PROPERTY(CaptureSave)
    ORVALIS_PROPERTY(AutoSize)
    ORVALIS_PROPERTY(VideoRate)
    ORVALIS_PROPERTY(CaptureLimit)
    ORVALIS_PROPERTY(CaptureUseLimit)
    ORVALIS_PROPERTY(SingleFrameOpen)
    ORVALIS_PROPERTY(SingleFrameClose)
    ORVALIS_PROPERTY(SingleFrame)
    ORVALIS_PROPERTY(CaptureDIB)
    ORVALIS_PROPERTY(CaptureDIBFile)
    ORVALIS_PROPERTY(Status)
    ORVALIS_PROPERTY(CaptureStopOnMouseOrESC)
    ORVALIS_PROPERTY(DefaultContextMenu)
    ORVALIS_PROPERTY(AudioBits)
    ORVALIS_PROPERTY(AudioChannels)
    ORVALIS_PROPERTY(CaptureAbort)
    ORVALIS_PROPERTY(DriverName)
    ORVALIS_PROPERTY(DriverVersion)
    ORVALIS_PROPERTY(PalCreate)
    ORVALIS_PROPERTY(PalCreateManual)
    ORVALIS_PROPERTY(PalNumColors)
    ORVALIS_PROPERTY(PalNumFrames)
    ORVALIS_PROPERTY(PalOpen)
    ORVALIS_PROPERTY(PalSave)
    ORVALIS_PROPERTY(Version)
    ORVALIS_PROPERTY(Compression)
    ORVALIS_PROPERTY(BitCount)
    ORVALIS_PROPERTY(ImageFormat)
    ORVALIS_PROPERTY(CompressionQuality)
    ORVALIS_PROPERTY(CompressionKeyFrames)
    ORVALIS_PROPERTY(BorderStyle)
#undef ORVALIS_PROPERTY
    DispResult getCanOverlay();
    DispResult getErrorNum();
    DispResult getError();
    DispResult getVideoResolutionWidth();
    DispResult getVideoResolutionHeight();
    DispResult callSetVideoResolution(QVariantList& args);
    DispResult callEnumCompressors(QVariantList& args);
    DispResult callIsSizeAvailable(QVariantList& args);
    DispResult callEnumDrivers(QVariantList& args);
    DispResult callAboutBox(QVariantList& args);

    // Properties, with their defaults.
    std::int32_t m_audioRate = 11205;
    bool m_capture = false;
    QString m_captureFile = QStringLiteral("\\capture.avi");
    bool m_connect = true;
    std::int32_t m_driverNum = 0;
    std::int32_t m_left = 0;
    std::int32_t m_height = 240;
    std::int32_t m_width = 320;
    bool m_preview = true;
    std::int32_t m_previewRate = 15;
    std::int32_t m_top = 0;
    bool m_videoCompressionDlg = false;
    bool m_videoDisplayDlg = false;
    bool m_videoFormatDlg = false;
    bool m_videoSourceDlg = false;
    bool m_visible = true;
    bool m_yield = false;
    bool m_editCopy = false;
    bool m_overlay = false;
    bool m_captureStop = false;
    bool m_captureAudio = true;
    QString m_captureSave;
    bool m_autoSize = false;
    std::int32_t m_videoRate = 15;
    std::int32_t m_captureLimit = 60;
    bool m_captureUseLimit = false;
    bool m_singleFrameOpen = false;
    bool m_singleFrameClose = false;
    bool m_singleFrame = false;
    bool m_captureDIB = false;
    QString m_captureDIBFile = QStringLiteral("\\capture.bmp");
    QString m_status;
    bool m_captureStopOnMouseOrESC = false;
    bool m_defaultContextMenu = true;
    std::int32_t m_audioBits = 8;
    std::int32_t m_audioChannels = 1;
    bool m_captureAbort = false;
    QString m_driverName;
    QString m_driverVersion;
    bool m_palCreate = false;
    bool m_palCreateManual = false;
    std::int32_t m_palNumColors = 256;
    std::int32_t m_palNumFrames = 20;
    QString m_palOpen = QStringLiteral("\\optimal.pal");
    QString m_palSave = QStringLiteral("\\optimal.pal");
    QString m_version;
    QString m_compression;
    std::int16_t m_bitCount = 24;
    QString m_imageFormat;
    std::int16_t m_compressionQuality = 85;
    std::int16_t m_compressionKeyFrames = 10;
    std::int16_t m_borderStyle = 1;
    std::int32_t m_errorNum = 0;
    std::int32_t m_videoResolutionWidth = 0;
    std::int32_t m_videoResolutionHeight = 0;

    // Engine state besides the properties.
    QPointer<vfw::CaptureWindow> m_capWin;
    bool m_connected = false;
    std::int32_t m_lastWidth = 320;
    std::int32_t m_lastHeight = 240;
    bool m_compressWhileCapturing = true;
    bool m_stopped = true;
    std::int32_t m_lastReportedFrames = 0;
    QString m_compressorDescription;
    bool m_contextMenuOn = true;
    bool m_stopRunning = false;         // this control's stop guard
    bool m_captureWriteFailed = false;  // remembered until the stop reports it
    bool m_inTable = false;
    bool m_windowCreated = false;
    bool m_applyingSize = false;
    bool m_modified = false;
    CaptureEngine m_engine;
    StringTable m_strings;
};

}  // namespace brindle::orvalis
