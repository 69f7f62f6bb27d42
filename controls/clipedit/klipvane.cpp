#include "controls/clipedit/klipvane.h"

#include "platform/avi/avi_cut.h"
#include "platform/avi/file_replace.h"

#include <QCoreApplication>
#include <QPainter>

#include <limits>

namespace brindle::klipvane {
namespace {

using dispatch::argAs;
using dispatch::DISP_E_BADPARAMCOUNT;
using dispatch::DISP_E_TYPEMISMATCH;
using dispatch::E_FAIL;

// A failed write reports 220 when the disk is nearly full.
constexpr std::uint64_t kNearlyFullBytes = 131072;

std::int32_t clampToInt32(std::int64_t n) {
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(n, std::numeric_limits<std::int32_t>::max()));
}

int errorCodeFor(const avi::CutReport& report, const std::string& path) {
    switch (report.status) {
        case avi::CutStatus::WriteFailed:
        case avi::CutStatus::CannotEncode:
        case avi::CutStatus::Aborted:
            return avi::freeBytes(avi::folderOf(path)) < kNearlyFullBytes ? kErrorInternal
                                                                          : kErrorInvalidFormat;
        default:
            return kErrorInvalidFormat;  // nothing was written
    }
}

}  // namespace

const std::array<dispatch::Member<Klipvane>, 7> Klipvane::kTable{{
    {DispFilename, "Filename", &Klipvane::getFilename, &Klipvane::putFilename},
    {DispTotalFrames, "TotalFrames", &Klipvane::getTotalFrames, &Klipvane::putTotalFrames},
    {DispLastFrame, "LastFrame", &Klipvane::getLastFrame, &Klipvane::putLastFrame},
    {DispFirstFrame, "FirstFrame", &Klipvane::getFirstFrame, &Klipvane::putFirstFrame},
    {DispSave, "Save", nullptr, nullptr, &Klipvane::save},
    {DispAbort, "Abort", nullptr, nullptr, &Klipvane::abort},
    {DispGetDIB, "GetDIB", nullptr, nullptr, &Klipvane::getDIB},
}};

Klipvane::Klipvane(QWidget* parent)
    : QWidget(parent), m_strings(StringTable::fromFile(":/klipvane/klipvane.strings")) {
    setObjectName("Klipvane");
    resize(24, 22);
}

Klipvane::~Klipvane() = default;

DispResult Klipvane::invoke(int dispid, dispatch::InvokeKind kind, QVariantList& args) {
    return dispatch::dispatchByTable<Klipvane>(*this, kTable, dispid, kind, args);
}

void Klipvane::saveProperties(dispatch::PropertyBag& bag) const {
    bag.setVersion("1.0");
    bag.write("FirstFrame", m_firstFrame);
    bag.write("LastFrame", m_lastFrame);
    bag.write("TotalFrames", m_totalFrames);
    bag.write("Filename", m_filename);
}

void Klipvane::loadProperties(const dispatch::PropertyBag& bag) {
    // The stored values are taken as they are; the file is not opened.
    closeFile();
    m_firstFrame = bag.read("FirstFrame", 0).toInt();
    m_lastFrame = bag.read("LastFrame", 0).toInt();
    m_totalFrames = bag.read("TotalFrames", 0).toInt();
    m_filename = bag.read("Filename", QString()).toString();
    m_busy = false;
    m_abort = false;
}

void Klipvane::paintEvent(QPaintEvent*) {
    // A small film frame on white: what a designer sees of the control.
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRect film(width() / 2 - 9, height() / 2 - 7, 18, 14);
    p.fillRect(film, QColor(40, 40, 40));
    p.fillRect(film.adjusted(4, 3, -4, -3), QColor(120, 170, 220));
    for (int x = film.left() + 1; x < film.right(); x += 4) {
        p.fillRect(x, film.top() + 1, 2, 1, Qt::white);
        p.fillRect(x, film.bottom() - 1, 2, 1, Qt::white);
    }
}

DispResult Klipvane::getFilename() {
    return DispResult::value_of(m_filename);
}

DispResult Klipvane::putFilename(const QVariant& value) {
    if (m_busy) {
        return DispResult::error(E_FAIL, QStringLiteral("a save is running"));
    }
    closeFile();
    m_firstFrame = m_lastFrame = m_totalFrames = 0;
    m_filename = value.toString();
    if (m_filename.isEmpty()) {
        return {};
    }
    std::string why;
    m_file = avi::AviFile::open(m_filename.toStdString(), &why);
    if (!m_file) {
        qInfo("Klipvane: %s", why.c_str());
        m_filename.clear();
        return {};
    }
    readFrameProperties();
    return {};
}

DispResult Klipvane::getTotalFrames() {
    return DispResult::value_of(m_totalFrames);
}

DispResult Klipvane::putTotalFrames(const QVariant& value) {
    return dispatch::putValue(value, &m_totalFrames);
}

DispResult Klipvane::getLastFrame() {
    return DispResult::value_of(m_lastFrame);
}

DispResult Klipvane::putLastFrame(const QVariant& value) {
    return dispatch::putValue(value, &m_lastFrame);
}

DispResult Klipvane::getFirstFrame() {
    return DispResult::value_of(m_firstFrame);
}

DispResult Klipvane::putFirstFrame(const QVariant& value) {
    return dispatch::putValue(value, &m_firstFrame);
}

DispResult Klipvane::save(QVariantList&) {
    if (m_busy) {
        return DispResult::value_of(false);  // one save at a time
    }
    m_busy = true;
    m_abort = false;
    bool ok = false;
    int code = kErrorInvalidFormat;
    if (m_file) {
        const std::string path = m_file->path();
        const avi::CutReport report =
            avi::cutInPlace(path, m_firstFrame, m_lastFrame, [this](int percent) {
                fire(EventSaveProgress, {QVariant::fromValue<short>(static_cast<short>(percent))});
                // Let the host's window (and its Cancel button) stay alive.
                QCoreApplication::processEvents();
                return !m_abort;
            });
        ok = report.ok();
        if (ok) {
            closeFile();
            std::string why;
            m_file = avi::AviFile::open(path, &why);
            if (!m_file) {
                qWarning("Klipvane: the cut file does not open again: %s", why.c_str());
            }
        } else {
            qInfo("Klipvane: the cut failed: %s", report.detail.c_str());
            code = errorCodeFor(report, path);
        }
    }
    if (!ok) {
        fireErrorInfo(code);
    }
    readFrameProperties();
    m_busy = false;
    m_abort = false;
    return DispResult::value_of(ok);
}

DispResult Klipvane::abort(QVariantList&) {
    if (!m_busy) {
        return DispResult::value_of(false);
    }
    m_abort = true;
    return DispResult::value_of(true);
}

DispResult Klipvane::getDIB(QVariantList& args) {
    if (args.size() != 1) {
        return DispResult::error(DISP_E_BADPARAMCOUNT);
    }
    std::int32_t frame = 0;
    if (!argAs(args[0], &frame)) {
        return DispResult::error(DISP_E_TYPEMISMATCH);
    }
    // The bitmap handed out before is given up by every call.
    m_dib.clear();
    m_dib.shrink_to_fit();
    quintptr address = 0;
    if (m_file && frame >= 0 && frame <= m_lastFrame && m_file->frameDib(frame, &m_dib)) {
        address = reinterpret_cast<quintptr>(m_dib.data());
    }
    return DispResult::value_of(QVariant::fromValue<quintptr>(address));
}

void Klipvane::closeFile() {
    m_file.reset();
    m_dib.clear();
    m_dib.shrink_to_fit();
}

void Klipvane::readFrameProperties() {
    if (!m_file) {
        m_firstFrame = m_lastFrame = m_totalFrames = 0;
        return;
    }
    m_firstFrame = clampToInt32(m_file->start());
    m_totalFrames = clampToInt32(m_file->length());
    m_lastFrame = clampToInt32(m_file->length() - 1);
}

void Klipvane::fireErrorInfo(int code) {
    fire(EventErrorInfo, {QVariant::fromValue<std::int32_t>(code), m_strings.text(code)});
}

}  // namespace brindle::klipvane
