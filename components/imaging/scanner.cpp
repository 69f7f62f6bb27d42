#include "components/imaging/scanner.h"

#include "components/imaging/sane_handles.h"

#include <sane/saneopts.h>

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

namespace brindle {
namespace {

// One scan at a time in the process: a cancelled scan may still be
// draining its device when the next one starts.
std::mutex g_scanMutex;

ScanStatus fromSane(SANE_Status status) {
    switch (status) {
        case SANE_STATUS_GOOD:
            return ScanStatus::Ok;
        case SANE_STATUS_CANCELLED:
            return ScanStatus::Cancelled;
        case SANE_STATUS_DEVICE_BUSY:
            return ScanStatus::DeviceBusy;
        case SANE_STATUS_JAMMED:
            return ScanStatus::Jammed;
        case SANE_STATUS_NO_DOCS:
            return ScanStatus::NoDocs;
        case SANE_STATUS_COVER_OPEN:
            return ScanStatus::CoverOpen;
        case SANE_STATUS_IO_ERROR:
            return ScanStatus::IoError;
        case SANE_STATUS_NO_MEM:
            return ScanStatus::NoMemory;
        case SANE_STATUS_ACCESS_DENIED:
            return ScanStatus::AccessDenied;
        case SANE_STATUS_EOF:
            return ScanStatus::NoData;
        case SANE_STATUS_UNSUPPORTED:
            return ScanStatus::Unsupported;
        default:
            return ScanStatus::Failed;
    }
}

// The option named `name` ("resolution", "mode", "source"), -1 if none.
int findOption(SANE_Handle handle, const char* name) {
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, i);
        if (!d) {
            return -1;
        }
        if (d->name && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap) &&
            SANE_OPTION_IS_SETTABLE(d->cap)) {
            return i;
        }
    }
}

QStringList stringChoices(const SANE_Option_Descriptor* d) {
    QStringList out;
    if (d->type == SANE_TYPE_STRING && d->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
        for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s) {
            out << QString::fromUtf8(*s);
        }
    }
    return out;
}

bool setString(SANE_Handle handle, int option, const QString& value) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, option);
    QByteArray bytes = value.toUtf8();
    bytes.resize(std::max<int>(bytes.size() + 1, d->size), '\0');
    return sane_control_option(handle, option, SANE_ACTION_SET_VALUE, bytes.data(), nullptr) ==
           SANE_STATUS_GOOD;
}

// The device's mode value for colour or grey, empty when it has none.
QString modeValue(const QStringList& modes, bool gray) {
    for (const QString& m : modes) {
        const QString lower = m.toLower();
        if (gray ? (lower.startsWith("gray") || lower.startsWith("grey"))
                 : lower.startsWith("colo")) {
            return m;
        }
    }
    return {};
}

void fillResolutions(const SANE_Option_Descriptor* d, ScanCapabilities* c) {
    auto toDpi = [d](SANE_Word w) {
        return d->type == SANE_TYPE_FIXED ? int(std::lround(SANE_UNFIX(w))) : int(w);
    };
    if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
        for (SANE_Int i = 1; i <= d->constraint.word_list[0]; ++i) {
            c->resolutions.push_back(toDpi(d->constraint.word_list[i]));
        }
        std::sort(c->resolutions.begin(), c->resolutions.end());
    } else if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
        c->minDpi = std::max(1, toDpi(d->constraint.range->min));
        c->maxDpi = toDpi(d->constraint.range->max);
        c->stepDpi = std::max(1, toDpi(d->constraint.range->quant));
    }
}

bool setResolution(SANE_Handle handle, int option, int dpi) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, option);
    if (d->size < int(sizeof(SANE_Word))) {
        return false;
    }
    // Array options hold a value per axis; every entry gets the same.
    std::vector<SANE_Word> words(std::size_t(d->size) / sizeof(SANE_Word),
                                 d->type == SANE_TYPE_FIXED ? SANE_FIX(dpi) : SANE_Word(dpi));
    return sane_control_option(handle, option, SANE_ACTION_SET_VALUE, words.data(), nullptr) ==
           SANE_STATUS_GOOD;
}

ScanStatus applySettings(SANE_Handle handle, const ScanSettings& settings) {
    if (const int o = findOption(handle, SANE_NAME_SCAN_SOURCE);
        o > 0 && !settings.source.isEmpty()) {
        if (stringChoices(sane_get_option_descriptor(handle, o)).contains(settings.source)) {
            setString(handle, o, settings.source);
        }
    }
    if (const int o = findOption(handle, SANE_NAME_SCAN_MODE); o > 0) {
        const QString mode =
            modeValue(stringChoices(sane_get_option_descriptor(handle, o)), settings.gray);
        if (!mode.isEmpty()) {
            setString(handle, o, mode);
        }
    }
    if (const int o = findOption(handle, SANE_NAME_SCAN_RESOLUTION);
        o > 0 && settings.resolutionDpi > 0) {
        ScanCapabilities c;
        fillResolutions(sane_get_option_descriptor(handle, o), &c);
        setResolution(handle, o, c.nearestResolution(settings.resolutionDpi));
    }
    return ScanStatus::Ok;
}

// Sample `index` of a row as 0..255 (1 = full intensity for 1-bit data).
inline int sampleAt(const uchar* row, int index, int depth) {
    switch (depth) {
        case 8:
            return row[index];
        case 16: {
            quint16 v;
            std::memcpy(&v, row + 2 * std::size_t(index), 2);
            return v >> 8;
        }
        default:
            return ((row[index / 8] >> (7 - index % 8)) & 1) ? 255 : 0;
    }
}

}  // namespace

ScanStatus checkScanParameters(const SANE_Parameters& p) {
    if (p.depth != 1 && p.depth != 8 && p.depth != 16) {
        return ScanStatus::Unsupported;
    }
    if (p.format != SANE_FRAME_GRAY && p.format != SANE_FRAME_RGB && p.format != SANE_FRAME_RED &&
        p.format != SANE_FRAME_GREEN && p.format != SANE_FRAME_BLUE) {
        return ScanStatus::Unsupported;
    }
    if (p.pixels_per_line <= 0 || p.lines == 0) {
        return ScanStatus::EmptyPage;
    }
    if (p.pixels_per_line > kMaxScanSide || p.lines > kMaxScanSide ||
        (p.lines > 0 && qint64(p.pixels_per_line) * p.lines > kMaxScanPixels)) {
        return ScanStatus::PageTooLarge;
    }
    const int channels = p.format == SANE_FRAME_RGB ? 3 : 1;
    const qint64 needed = (qint64(p.pixels_per_line) * channels * p.depth + 7) / 8;
    if (p.bytes_per_line < needed) {
        return ScanStatus::Unsupported;
    }
    return ScanStatus::Ok;
}

namespace {

// Reads one frame's bytes. Progress runs from `base` to `base + span`.
ScanStatus readFrame(SANE_Handle handle, const SANE_Parameters& p, ScanCancel& cancel,
                     QByteArray* data, const std::function<void(int)>& progress, int base,
                     int span) {
    const qint64 expected = p.lines > 0 ? qint64(p.bytes_per_line) * p.lines : -1;
    // A device that does not know the page length may still send no more
    // than the largest page taken.
    const qint64 limit = expected > 0
                             ? expected
                             : std::min(qint64(p.bytes_per_line) * kMaxScanSide,
                                        kMaxScanPixels / p.pixels_per_line * p.bytes_per_line);
    if (expected > 0) {
        data->reserve(expected);
    }
    constexpr int kChunk = 64 * 1024;
    int lastPercent = -1;
    while (true) {
        if (cancel.cancelled()) {
            return ScanStatus::Cancelled;
        }
        const qint64 have = data->size();
        const int want = int(std::min<qint64>(kChunk, std::max<qint64>(limit - have, 1)));
        data->resize(have + want);
        SANE_Int got = 0;
        const SANE_Status status =
            sane_read(handle, reinterpret_cast<SANE_Byte*>(data->data() + have), want, &got);
        data->resize(have + (status == SANE_STATUS_GOOD ? std::clamp(got, 0, want) : 0));
        if (status == SANE_STATUS_EOF) {
            break;
        }
        if (status != SANE_STATUS_GOOD) {
            return cancel.cancelled() ? ScanStatus::Cancelled : fromSane(status);
        }
        if (data->size() > limit) {
            return ScanStatus::PageTooLarge;
        }
        if (data->size() == limit && expected < 0) {
            // A hand-held device at the limit: one more byte would be too much.
            SANE_Byte probe;
            SANE_Int extra = 0;
            const SANE_Status s = sane_read(handle, &probe, 1, &extra);
            if (s == SANE_STATUS_GOOD && extra > 0) {
                return ScanStatus::PageTooLarge;
            }
            break;
        }
        if (progress && expected > 0) {
            const int percent = base + int(qint64(data->size()) * span / expected);
            if (percent != lastPercent) {
                lastPercent = percent;
                progress(percent);
            }
        }
    }
    if (cancel.cancelled()) {
        return ScanStatus::Cancelled;
    }
    if (expected > 0 ? data->size() < expected : data->size() < p.bytes_per_line) {
        return ScanStatus::NoData;
    }
    return ScanStatus::Ok;
}

// Puts a frame's samples into the picture's channels.
void placeFrame(const SANE_Parameters& p, const QByteArray& data, QImage* image) {
    const int lines = std::min<qint64>(image->height(), data.size() / p.bytes_per_line);
    const int width = image->width();
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    for (int y = 0; y < lines; ++y) {
        const uchar* in = bytes + qint64(y) * p.bytes_per_line;
        uchar* out = image->scanLine(y);
        switch (p.format) {
            case SANE_FRAME_RGB:
                if (p.depth == 8) {
                    std::memcpy(out, in, std::size_t(width) * 3);
                } else {
                    for (int i = 0; i < width * 3; ++i) {
                        out[i] = uchar(sampleAt(in, i, p.depth));
                    }
                }
                break;
            case SANE_FRAME_GRAY:
                for (int x = 0; x < width; ++x) {
                    int v = sampleAt(in, x, p.depth);
                    if (p.depth == 1) {
                        v = 255 - v;  // in 1-bit grey a set bit is black
                    }
                    out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = uchar(v);
                }
                break;
            default: {
                const int channel = p.format == SANE_FRAME_RED     ? 0
                                    : p.format == SANE_FRAME_GREEN ? 1
                                                                   : 2;
                for (int x = 0; x < width; ++x) {
                    out[3 * x + channel] = uchar(sampleAt(in, x, p.depth));
                }
                break;
            }
        }
    }
}

// Some backends read the device on a thread of their own that
// sane_cancel stops abruptly. Stopped while it still sets up, it can die
// holding the dynamic loader's lock, and the next sane_exit hangs for
// good. Once it has sent a byte it is in its reading loop, where stopping
// it is safe: a page refused right after the start waits for that.
void letTheReaderStart(SANE_Handle handle) {
    SANE_Byte byte = 0;
    SANE_Int got = 0;
    sane_read(handle, &byte, 1, &got);
}

ScannedPage scanOpenDevice(SANE_Handle handle, ScanCancel& cancel,
                           const std::function<void(int)>& progress) {
    ScannedPage page;
    QImage image;
    for (int frame = 0;; ++frame) {
        if (cancel.cancelled()) {
            page.status = ScanStatus::Cancelled;
            return page;
        }
        if (frame == 0) {
            // Most devices know the page's size before the start: a page too
            // large is refused without starting the device's reader at all.
            SANE_Parameters estimate{};
            if (sane_get_parameters(handle, &estimate) == SANE_STATUS_GOOD &&
                checkScanParameters(estimate) == ScanStatus::PageTooLarge) {
                page.status = ScanStatus::PageTooLarge;
                return page;
            }
        }
        SANE_Status status = sane_start(handle);
        if (status != SANE_STATUS_GOOD) {
            page.status = cancel.cancelled() ? ScanStatus::Cancelled : fromSane(status);
            return page;
        }
        SANE_Parameters p{};
        if ((status = sane_get_parameters(handle, &p)) != SANE_STATUS_GOOD) {
            page.status = fromSane(status);
            letTheReaderStart(handle);
            return page;
        }
        if ((page.status = checkScanParameters(p)) != ScanStatus::Ok) {
            letTheReaderStart(handle);
            return page;
        }
        // Three-pass devices send red, green and blue as three frames.
        const bool single = p.format == SANE_FRAME_RGB || p.format == SANE_FRAME_GRAY;
        QByteArray data;
        page.status = readFrame(handle, p, cancel, &data, progress, single ? 0 : frame * 33,
                                single ? 100 : 33);
        if (page.status != ScanStatus::Ok) {
            return page;
        }
        const int lines = p.lines > 0 ? p.lines : int(data.size() / p.bytes_per_line);
        if (frame == 0 && p.last_frame && p.format == SANE_FRAME_RGB && p.depth == 8 &&
            p.bytes_per_line % 4 == 0) {
            // The bytes are the picture already: it takes them over rather
            // than a copy (a page at 300 dpi is some 26 MB).
            auto* held = new QByteArray(std::move(data));
            image = QImage(
                reinterpret_cast<uchar*>(held->data()), p.pixels_per_line, lines, p.bytes_per_line,
                QImage::Format_RGB888, [](void* bytes) { delete static_cast<QByteArray*>(bytes); },
                held);
            break;
        }
        if (image.isNull()) {
            image = QImage(p.pixels_per_line, lines, QImage::Format_RGB888);
            if (image.isNull()) {
                page.status = ScanStatus::NoMemory;
                return page;
            }
            image.fill(Qt::black);
        }
        placeFrame(p, data, &image);
        if (p.last_frame || frame >= 2) {
            break;
        }
    }
    if (progress) {
        progress(100);
    }
    page.image = image;
    return page;
}

}  // namespace

QString scanStatusText(ScanStatus status) {
    switch (status) {
        case ScanStatus::Ok:
            return QStringLiteral("The page was scanned.");
        case ScanStatus::Cancelled:
            return QStringLiteral("The scan was cancelled.");
        case ScanStatus::NoScanner:
            return QStringLiteral("No scanner was found.");
        case ScanStatus::DeviceGone:
            return QStringLiteral(
                "The scanner could not be opened; it may be unplugged or "
                "switched off.");
        case ScanStatus::DeviceBusy:
            return QStringLiteral("The scanner is busy.");
        case ScanStatus::Jammed:
            return QStringLiteral("The document feeder is jammed.");
        case ScanStatus::NoDocs:
            return QStringLiteral("The document feeder is out of documents.");
        case ScanStatus::CoverOpen:
            return QStringLiteral("The scanner cover is open.");
        case ScanStatus::IoError:
            return QStringLiteral("The scanner could not be reached (input/output error).");
        case ScanStatus::NoMemory:
            return QStringLiteral("There was not enough memory for the scan.");
        case ScanStatus::AccessDenied:
            return QStringLiteral("Access to the scanner was denied.");
        case ScanStatus::EmptyPage:
            return QStringLiteral("The scanner reported a page without any pixels.");
        case ScanStatus::PageTooLarge:
            return QStringLiteral(
                "The page is too large to scan; choose a smaller area or a "
                "lower resolution.");
        case ScanStatus::NoData:
            return QStringLiteral("The scanner ended the page before sending all of it.");
        case ScanStatus::Unsupported:
            return QStringLiteral("The scanner sent the page in a form that cannot be read.");
        case ScanStatus::Failed:
            break;
    }
    return QStringLiteral("The scanner reported an error.");
}

std::vector<ScanSource> listScanSources() {
    std::vector<ScanSource> out;
    sane::SaneLibrary library;
    if (!library.ok()) {
        return out;
    }
    const SANE_Device** devices = nullptr;
    if (sane_get_devices(&devices, SANE_FALSE) != SANE_STATUS_GOOD || !devices) {
        return out;
    }
    std::map<QString, int> labelCount;
    for (const SANE_Device** d = devices; *d; ++d) {
        ScanSource s;
        s.device = QString::fromUtf8((*d)->name);
        s.label =
            (QString::fromUtf8((*d)->vendor) + ' ' + QString::fromUtf8((*d)->model)).trimmed();
        if (s.label.isEmpty()) {
            s.label = s.device;
        }
        ++labelCount[s.label];
        out.push_back(s);
    }
    for (ScanSource& s : out) {
        if (labelCount[s.label] > 1) {
            s.label += " (" + s.device + ')';
        }
    }
    return out;
}

int ScanCapabilities::nearestResolution(int dpi) const {
    if (!resolutions.empty()) {
        return *std::min_element(resolutions.begin(), resolutions.end(), [dpi](int a, int b) {
            return std::abs(a - dpi) < std::abs(b - dpi);
        });
    }
    if (maxDpi > 0) {
        const int step = std::max(1, stepDpi);
        int value = minDpi + (std::clamp(dpi, minDpi, maxDpi) - minDpi + step / 2) / step * step;
        while (value > maxDpi && value - step >= minDpi) {
            value -= step;
        }
        return value;
    }
    return dpi;
}

ScanStatus readCapabilities(const QString& device, ScanCapabilities* c) {
    *c = ScanCapabilities{};
    std::lock_guard scanning(g_scanMutex);
    sane::SaneLibrary library;
    if (!library.ok()) {
        return ScanStatus::NoScanner;
    }
    sane::SaneDevice handle;
    if (handle.open(device) != SANE_STATUS_GOOD) {
        return ScanStatus::DeviceGone;
    }
    if (const int o = findOption(handle.get(), SANE_NAME_SCAN_SOURCE); o > 0) {
        c->sources = stringChoices(sane_get_option_descriptor(handle.get(), o));
    }
    if (const int o = findOption(handle.get(), SANE_NAME_SCAN_MODE); o > 0) {
        const QStringList modes = stringChoices(sane_get_option_descriptor(handle.get(), o));
        c->hasColor = !modeValue(modes, false).isEmpty();
        c->hasGray = !modeValue(modes, true).isEmpty();
    }
    if (const int o = findOption(handle.get(), SANE_NAME_SCAN_RESOLUTION); o > 0) {
        fillResolutions(sane_get_option_descriptor(handle.get(), o), c);
    }
    return ScanStatus::Ok;
}

void ScanCancel::cancel() {
    m_cancelled = true;
    std::lock_guard lock(m_mutex);
    if (m_handle) {
        sane_cancel(m_handle);
    }
}

void ScanCancel::attach(SANE_Handle handle) {
    std::lock_guard lock(m_mutex);
    m_handle = handle;
}

void ScanCancel::detach() {
    std::lock_guard lock(m_mutex);
    m_handle = nullptr;
}

ScannedPage acquirePage(const QString& device, const ScanSettings& settings, ScanCancel& cancel,
                        const std::function<void(int)>& progress) {
    ScannedPage page;
    std::lock_guard scanning(g_scanMutex);
    if (cancel.cancelled()) {
        page.status = ScanStatus::Cancelled;
        return page;
    }
    sane::SaneLibrary library;
    if (!library.ok()) {
        page.status = ScanStatus::NoScanner;
        return page;
    }
    sane::SaneDevice handle;
    const SANE_Status opened = handle.open(device);
    if (opened != SANE_STATUS_GOOD) {
        page.status = opened == SANE_STATUS_DEVICE_BUSY     ? ScanStatus::DeviceBusy
                      : opened == SANE_STATUS_ACCESS_DENIED ? ScanStatus::AccessDenied
                                                            : ScanStatus::DeviceGone;
        return page;
    }
    applySettings(handle.get(), settings);
    cancel.attach(handle.get());
    page = scanOpenDevice(handle.get(), cancel, progress);
    cancel.detach();
    if (page.status != ScanStatus::Ok) {
        page.image = QImage();
    }
    return page;
}

}  // namespace brindle
