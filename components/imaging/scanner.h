// The image control's scanner operations over SANE: the list of scanner
// sources, what a source offers (sources, colour or grey, resolutions) and
// the acquiring of one page as a 24-bit colour picture.
//
// Every function here may block for seconds (network scanners answer
// slowly, a page takes time to scan): callers on the GUI thread use
// ScanJob (scan_job.h) or a worker thread of their own. A cancel asked from
// another thread reaches the device through sane_cancel at once.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <sane/sane.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

namespace brindle {

// One scanner source: its SANE device name (what is stored, "test:0") and
// the name shown to the user (vendor and model).
struct ScanSource {
    QString device;
    QString label;
};

enum class ScanStatus {
    Ok = 0,
    Cancelled,
    NoScanner,   // SANE could not be started, or the source list is empty
    DeviceGone,  // the source could not be opened (unplugged, switched off)
    DeviceBusy,
    Jammed,
    NoDocs,  // the document feeder is empty
    CoverOpen,
    IoError,
    NoMemory,
    AccessDenied,
    EmptyPage,     // the device reported a page without pixels
    PageTooLarge,  // beyond kMaxScanSide or kMaxScanPixels
    NoData,        // the device ended the page before sending all of it
    Unsupported,   // a frame layout or bit depth this code does not read
    Failed,        // any other failure the device reported
};

// A short English sentence naming the problem, for messages and logs.
QString scanStatusText(ScanStatus status);

// Pages are refused beyond these sizes before any memory is taken for them.
constexpr int kMaxScanSide = 32768;
constexpr qint64 kMaxScanPixels = qint64(64) << 20;

// Whether a frame the device announces can be taken: Ok, EmptyPage (no
// pixels), PageTooLarge or Unsupported (a layout or depth not read here).
ScanStatus checkScanParameters(const SANE_Parameters& parameters);

// The sources SANE finds, in its order. Labels that two sources share get
// the device name appended so the list tells them apart.
std::vector<ScanSource> listScanSources();

// What the scan-options window offers for one source.
struct ScanCapabilities {
    QStringList sources;                      // document sources ("Flatbed", ...); may be empty
    bool hasColor = true;                     // the device offers a colour mode
    bool hasGray = false;                     // ... and a grey one
    std::vector<int> resolutions;             // a list of dpi values, ascending
    int minDpi = 0, maxDpi = 0, stepDpi = 0;  // or a range (when the list is empty)

    // The offered resolution closest to dpi (dpi itself when nothing is known).
    int nearestResolution(int dpi) const;
};

ScanStatus readCapabilities(const QString& device, ScanCapabilities* capabilities);

// What one scan asks for; empty or unknown values leave the device's own.
struct ScanSettings {
    QString source;
    bool gray = false;
    int resolutionDpi = 150;
};

// Shared by the thread that scans and the one that may cancel it.
class ScanCancel {
public:
    void cancel();
    bool cancelled() const { return m_cancelled.load(); }

    // The handle a cancel reaches while the device is open.
    void attach(SANE_Handle handle);
    void detach();

private:
    std::atomic<bool> m_cancelled{false};
    std::mutex m_mutex;
    SANE_Handle m_handle = nullptr;
};

struct ScannedPage {
    ScanStatus status = ScanStatus::Failed;
    QImage image;  // Format_RGB888 when status is Ok, null otherwise
};

// Opens the source, applies the settings and reads one page. Progress is
// reported in percent (not for hand-held devices, whose length is not
// known). Scans in the process run one after another: a scan waits for the
// previous one to let go of its device.
ScannedPage acquirePage(const QString& device, const ScanSettings& settings, ScanCancel& cancel,
                        const std::function<void(int)>& progress = {});

}  // namespace brindle
