#include "controls/audiocap/sonteval.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>

#include <unistd.h>
#include <cstdlib>

namespace brindle::sonteval {

using dispatch::argAs;
using M = dispatch::Member<Sonteval>;

const std::array<M, 29> Sonteval::kTable{{
    {DispDisplayMode, "DisplayMode", &Sonteval::getDisplayMode, &Sonteval::putDisplayMode},
    {DispNoStreamColor, "NoStreamColor", &Sonteval::getNoStreamColor, &Sonteval::putNoStreamColor},
    {DispStatus, "Status", &Sonteval::getStatus, &Sonteval::putStatus},
    {DispScratchFileName, "ScratchFileName", &Sonteval::getScratchFileName,
     &Sonteval::putScratchFileName},
    {DispLength, "Length", &Sonteval::getLength},
    {DispCurrentPosition, "CurrentPosition", &Sonteval::getCurrentPosition},
    {DispCaptureFormat, "CaptureFormat", &Sonteval::getCaptureFormat, &Sonteval::putCaptureFormat},
    {DispSaveFormat, "SaveFormat", &Sonteval::getSaveFormat, &Sonteval::putSaveFormat},
    {DispBackgroundColor, "BackgroundColor", &Sonteval::getBackgroundColor,
     &Sonteval::putBackgroundColor},
    {DispMonoForeColor, "MonoForeColor", &Sonteval::getMonoForeColor, &Sonteval::putMonoForeColor},
    {DispLeftStereoForeColor, "LeftStereoForeColor", &Sonteval::getLeftForeColor,
     &Sonteval::putLeftForeColor},
    {DispRightStereoForeColor, "RightStereoForeColor", &Sonteval::getRightForeColor,
     &Sonteval::putRightForeColor},
    {DispPositionVernierForeColor, "PositionVernierForeColor", &Sonteval::getVernierColor,
     &Sonteval::putVernierColor},
    {DispRecord, "Record", nullptr, nullptr, &Sonteval::record},
    {DispPlay, "Play", nullptr, nullptr, &Sonteval::play},
    {DispSeek, "Seek", nullptr, nullptr, &Sonteval::seek},
    {DispSave, "Save", nullptr, nullptr, &Sonteval::save},
    {DispSaveSelection, "SaveSelection", nullptr, nullptr, &Sonteval::saveSelection},
    {DispSetSelection, "SetSelection", nullptr, nullptr, &Sonteval::setSelection},
    {DispGetFileSizeUpperLimit, "GetFileSizeUpperLimit", nullptr, nullptr,
     &Sonteval::getFileSizeUpperLimit},
    {DispSetFileSizeUpperLimit, "SetFileSizeUpperLimit", nullptr, nullptr,
     &Sonteval::setFileSizeUpperLimit},
    {DispPause, "Pause", nullptr, nullptr, &Sonteval::pause},
    {DispStop, "Stop", nullptr, nullptr, &Sonteval::stop},
    {DispOpenFile, "OpenFile", nullptr, nullptr, &Sonteval::openFile},
    {DispGetSelection, "GetSelection", nullptr, nullptr, &Sonteval::getSelection},
    {DispCancelSave, "CancelSave", nullptr, nullptr, &Sonteval::cancelSave},
    {DispThreadSafeSave, "ThreadSafeSave", nullptr, nullptr, &Sonteval::threadSafeSave},
    {DispCloseFile, "CloseFile", nullptr, nullptr, &Sonteval::closeFile},
    {DispAboutBox, "AboutBox", nullptr, nullptr, &Sonteval::aboutBox},
}};

namespace {

DispResult ok() {
    return DispResult::value_of({});
}
DispResult failWith(std::int32_t code) {
    return DispResult::error(code);
}

// A unique empty file "acap..." in the temporary folder; empty when none
// can be made.
QString makeScratchName() {
    QByteArray pattern = QFile::encodeName(QDir::tempPath() + QStringLiteral("/acapXXXXXX"));
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return {};
    }
    ::close(fd);
    return QFile::decodeName(pattern);
}

}  // namespace

bool nullText(const QVariant& v) {
    return v.isNull() || !v.isValid() || v.toString().isNull();
}

wave::Format formatByIndex(int index) {
    switch (index) {
        case 0:
            return wave::Format::pcm(2, 44100, 16);
        case 2: {
            wave::Format f;
            f.tag = 0x0402;
            f.channels = 2;
            f.samplesPerSec = 44100;
            f.bytesPerSec = 8268;
            f.blockAlign = 48;
            f.bitsPerSample = 1;
            return f;
        }
        default:
            return wave::Format::pcm(1, 22050, 16);
    }
}

Sonteval::Sonteval(QWidget* parent) : QWidget(parent), m_scratchFileName(makeScratchName()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

Sonteval::~Sonteval() {
    stopAll();
    m_retiredPlayers.clear();
    m_retiredRecorders.clear();
    releaseStreams();
    if (!m_scratchFileName.isEmpty()) {
        QFile::remove(m_scratchFileName);
    }
    m_cache.clear();
}

DispResult Sonteval::invoke(int dispid, dispatch::InvokeKind kind, QVariantList& args) {
    return dispatch::dispatchByTable<Sonteval>(*this, kTable, dispid, kind, args);
}

void Sonteval::saveProperties(dispatch::PropertyBag& bag) const {
    bag.setVersion(QStringLiteral("1.0"));
    bag.write(QStringLiteral("DisplayMode"), static_cast<int>(m_displayMode));
    bag.write(QStringLiteral("Status"), static_cast<int>(m_status));
}

void Sonteval::loadProperties(const dispatch::PropertyBag& bag) {
    m_displayMode = static_cast<std::int16_t>(bag.read(QStringLiteral("DisplayMode"), 1).toInt());
    m_status = static_cast<std::int16_t>(bag.read(QStringLiteral("Status"), 0).toInt());
}

// ---- properties ----

DispResult Sonteval::getDisplayMode() {
    return DispResult::value_of(static_cast<int>(m_displayMode));
}
DispResult Sonteval::putDisplayMode(const QVariant& v) {
    int mode = 0;
    if (!argAs(v, &mode)) {
        return failWith(dispatch::DISP_E_TYPEMISMATCH);
    }
    m_displayMode = static_cast<std::int16_t>(mode);
    m_modified = true;
    update();
    return ok();
}
DispResult Sonteval::getNoStreamColor() {
    return DispResult::value_of(m_noStreamColor);
}
DispResult Sonteval::putNoStreamColor(const QVariant& v) {
    uint c = 0;
    if (!argAs(v, &c)) {
        return failWith(dispatch::DISP_E_TYPEMISMATCH);
    }
    m_noStreamColor = c;
    update();
    return ok();
}
DispResult Sonteval::getStatus() {
    return DispResult::value_of(static_cast<int>(m_status));
}
DispResult Sonteval::putStatus(const QVariant& v) {
    int s = 0;
    if (!argAs(v, &s)) {
        return failWith(dispatch::DISP_E_TYPEMISMATCH);
    }
    m_status = static_cast<std::int16_t>(s);
    return ok();
}
DispResult Sonteval::getScratchFileName() {
    return DispResult::value_of(m_scratchFileName);
}

DispResult Sonteval::putScratchFileName(const QVariant& v) {
    // Everything is checked before anything is deleted: the file of a
    // running take or of the open stream is never removed.
    if (m_recorder || m_saving) {
        return failWith(kErrBusy);
    }
    if (nullText(v)) {
        return failWith(kErrNoName);
    }
    const QString name = v.toString();
    QFile probe(name);
    if (!probe.open(QIODevice::ReadWrite)) {
        return failWith(kErrCannotOpen);
    }
    probe.close();
    const bool inUse = m_openStream && m_sourceFileName == m_scratchFileName;
    if (!m_scratchFileName.isEmpty() && m_scratchFileName != name && !inUse) {
        QFile::remove(m_scratchFileName);
    }
    m_scratchFileName = name;
    m_modified = true;
    return ok();
}

DispResult Sonteval::getLength() {
    if (!m_openStream) {
        return failWith(kErrNoLength);
    }
    return DispResult::value_of(static_cast<int>(m_openStream->lengthMs()));
}

DispResult Sonteval::getCurrentPosition() {
    if (m_recorder) {
        return DispResult::value_of(static_cast<int>(m_recorder->positionMs()));
    }
    if (m_player) {
        return DispResult::value_of(static_cast<int>(m_player->positionMs()));
    }
    return DispResult::value_of(0);
}

DispResult Sonteval::getCaptureFormat() {
    return DispResult::value_of(static_cast<int>(m_captureFormat));
}
DispResult Sonteval::putCaptureFormat(const QVariant& v) {
    int f = 0;
    if (!argAs(v, &f)) {
        return failWith(dispatch::DISP_E_TYPEMISMATCH);
    }
    if (f >= 0 && f <= 1) {
        m_captureFormat = static_cast<std::int16_t>(f);
    }
    m_modified = true;
    return ok();
}
DispResult Sonteval::getSaveFormat() {
    return DispResult::value_of(static_cast<int>(m_saveFormat));
}
DispResult Sonteval::putSaveFormat(const QVariant& v) {
    int f = 0;
    if (!argAs(v, &f)) {
        return failWith(dispatch::DISP_E_TYPEMISMATCH);
    }
    if (f >= 0 && f <= 3) {
        m_saveFormat = static_cast<std::int16_t>(f);
    }
    m_modified = true;
    return ok();
}

QColor Sonteval::colorOf(std::uint32_t value) const {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

DispResult Sonteval::putColor(const QVariant& v, std::uint32_t* into) {
    uint c = 0;
    if (!argAs(v, &c)) {
        return failWith(dispatch::DISP_E_TYPEMISMATCH);
    }
    if ((c & 0xFF000000u) == 0x80000000u) {
        // A system colour: resolved to the colour it stands for now.
        const QPalette pal = palette();
        QColor sys;
        switch (c & 0xFF) {
            case 5:  // window
                sys = pal.color(QPalette::Base);
                break;
            case 8:  // window text
                sys = pal.color(QPalette::Text);
                break;
            case 13:  // highlight
                sys = pal.color(QPalette::Highlight);
                break;
            case 14:  // highlighted text
                sys = pal.color(QPalette::HighlightedText);
                break;
            case 18:  // button text
                sys = pal.color(QPalette::ButtonText);
                break;
            default:  // button face and the rest
                sys = pal.color(QPalette::Button);
                break;
        }
        c = static_cast<uint>(sys.red() | (sys.green() << 8) | (sys.blue() << 16));
    }
    *into = c & 0xFFFFFFu;
    update();
    return ok();
}

DispResult Sonteval::getBackgroundColor() {
    return DispResult::value_of(m_backgroundColor);
}
DispResult Sonteval::putBackgroundColor(const QVariant& v) {
    return putColor(v, &m_backgroundColor);
}
DispResult Sonteval::getMonoForeColor() {
    return DispResult::value_of(m_monoColor);
}
DispResult Sonteval::putMonoForeColor(const QVariant& v) {
    return putColor(v, &m_monoColor);
}
DispResult Sonteval::getLeftForeColor() {
    return DispResult::value_of(m_leftColor);
}
DispResult Sonteval::putLeftForeColor(const QVariant& v) {
    return putColor(v, &m_leftColor);
}
DispResult Sonteval::getRightForeColor() {
    return DispResult::value_of(m_rightColor);
}
DispResult Sonteval::putRightForeColor(const QVariant& v) {
    return putColor(v, &m_rightColor);
}
DispResult Sonteval::getVernierColor() {
    return DispResult::value_of(m_vernierColor);
}
DispResult Sonteval::putVernierColor(const QVariant& v) {
    return putColor(v, &m_vernierColor);
}

// ---- methods ----

DispResult Sonteval::record(QVariantList&) {
    if (m_recorder) {
        return ok();
    }
    if (m_player) {
        return failWith(kErrPlaying);
    }
    if (m_saving) {
        return failWith(kErrBusy);
    }
    releaseStreams();
    if (m_scratchFileName.isEmpty()) {
        return failWith(kErrCannotOpen);
    }
    const wave::Format format = formatByIndex(m_captureFormat);
    const std::string scratch = QFile::encodeName(m_scratchFileName).toStdString();
    QFile::remove(m_scratchFileName);
    auto writer = std::make_unique<AviAppender>();
    if (!writer->open(scratch, format)) {
        return failWith(kErrCannotOpen);
    }
    auto stream = std::make_shared<SoundStream>(format);
    auto recorder = std::make_unique<Recorder>();
    QString why;
    if (!recorder->open(stream, writer.get(), &why)) {
        return failWith(kErrBusy);
    }
    m_recorder = std::move(recorder);
    m_scratchWriter = std::move(writer);
    wave::Device* device = m_recorder->device();
    connect(device, &wave::Device::opened, this, [this] { fire(EventRecordStart); });
    connect(device, &wave::Device::bufferDone, this,
            [this](wave::Buffer* b) { onRecorderBuffer(b); });
    connect(device, &wave::Device::lost, this, [this] { onRecorderLost(); });
    m_recorder->start();
    m_recordStream = stream;
    m_openStream = stream;
    m_sourceFileName = m_scratchFileName;
    m_selectionStart = 0;
    m_selectionEnd = 0;
    m_positionMs = 0;
    update();
    return ok();
}

DispResult Sonteval::play(QVariantList& args) {
    if (m_recorder) {
        return ok();
    }
    if (m_player) {
        if (m_paused) {
            return pause(args);
        }
        return ok();
    }
    if (!m_openStream) {
        return failWith(kErrNothingToPlay);
    }
    m_player = std::make_unique<Player>();
    m_status = kStatusPlaying;
    m_paused = false;
    const std::int64_t start = m_openStream->sampleAt(m_positionMs);
    QString why;
    // A device that cannot be opened plays nothing; the player waits for Stop.
    if (m_player->play(m_openStream, start, m_selectionEnd, &why) && m_player->device()) {
        wave::Device* device = m_player->device();
        connect(device, &wave::Device::opened, this, [this] { fire(EventPlayStart); });
        connect(device, &wave::Device::bufferDone, this,
                [this](wave::Buffer* b) { onPlayerBuffer(b); });
        connect(device, &wave::Device::closed, this, [this] { onPlayerClosed(); });
    }
    return ok();
}

DispResult Sonteval::seek(QVariantList& args) {
    if (!m_openStream) {
        return failWith(kErrNoStream);
    }
    int lengthMs = 0;
    int from = 0;
    if (args.size() != 2 || !argAs(args[0], &lengthMs) || !argAs(args[1], &from)) {
        return failWith(dispatch::DISP_E_TYPEMISMATCH);
    }
    const std::int64_t startMs = m_openStream->timeOf(m_selectionStart);
    const std::int64_t endMs = m_openStream->timeOf(m_selectionEnd);
    std::int64_t base = 0;
    switch (from) {
        case 0:
            base = startMs;
            break;
        case 1:
            base = m_positionMs;
            break;
        case 2:
            base = endMs;
            break;
        default:
            return failWith(kErrSeekOutside);
    }
    const std::int64_t target = base + lengthMs;
    if (target < startMs || target > endMs) {
        return failWith(kErrSeekOutside);
    }
    m_positionMs = static_cast<std::int32_t>(target);
    if (m_player) {
        m_player->seek(static_cast<std::uint32_t>(target));
    }
    update();
    return ok();
}

DispResult Sonteval::setSelection(QVariantList& args) {
    if (!m_openStream) {
        return failWith(kErrNoStream);
    }
    int startMs = 0;
    int durationMs = 0;
    if (args.size() != 2 || !argAs(args[0], &startMs) || !argAs(args[1], &durationMs)) {
        return failWith(dispatch::DISP_E_TYPEMISMATCH);
    }
    const std::int64_t length = m_openStream->lengthMs();
    const std::int64_t streamStart = m_openStream->timeOf(m_openStream->start());
    if (startMs >= length || startMs < streamStart) {
        return failWith(kErrStartOutside);
    }
    const std::int64_t endMs = static_cast<std::int64_t>(startMs) + durationMs;
    if (durationMs < 0 || endMs > length) {
        return failWith(kErrEndOutside);
    }
    m_selectionStart = m_openStream->sampleAt(startMs);
    m_selectionEnd = m_openStream->sampleAt(endMs);
    if (m_positionMs < startMs) {
        m_positionMs = startMs;
    } else if (m_positionMs > endMs) {
        m_positionMs = static_cast<std::int32_t>(endMs);
    }
    update();
    return ok();
}

DispResult Sonteval::getSelection(QVariantList& args) {
    while (args.size() < 2) {
        args.append(0);
    }
    if (!m_openStream) {
        args[0] = 0;
        args[1] = 0;
        return ok();
    }
    const std::int64_t start = m_openStream->timeOf(m_selectionStart);
    args[0] = static_cast<int>(start);
    args[1] = static_cast<int>(m_openStream->timeOf(m_selectionEnd) - start);
    return ok();
}

DispResult Sonteval::getFileSizeUpperLimit(QVariantList& args) {
    while (args.size() < 2) {
        args.append(0);
    }
    args[0] = 0;
    args[1] = m_lengthLimit;
    return ok();
}

DispResult Sonteval::setFileSizeUpperLimit(QVariantList& args) {
    int hi = 0;
    int lo = 0;
    if (args.size() != 2 || !argAs(args[0], &hi) || !argAs(args[1], &lo)) {
        return failWith(dispatch::DISP_E_TYPEMISMATCH);
    }
    if (hi != 0) {
        return failWith(kErrLimitHigh);
    }
    m_lengthLimit = lo;
    return ok();
}

DispResult Sonteval::pause(QVariantList&) {
    m_status = kStatusPaused;
    if (m_recorder) {
        m_recorder->pause();
    }
    if (m_player) {
        m_player->pause();
    }
    m_paused = !m_paused;
    return ok();
}

DispResult Sonteval::stop(QVariantList&) {
    stopAll();
    return ok();
}

DispResult Sonteval::openFile(QVariantList& args) {
    if (args.size() != 1 || nullText(args[0])) {
        return failWith(kErrCannotOpen);
    }
    if (m_saving) {
        return failWith(kErrBusy);
    }
    stopAll();
    m_openStream.reset();
    const QString path = args[0].toString();
    m_openedFileName = path;
    StreamPtr stream = readSoundFile(QFile::encodeName(path).toStdString());
    if (!stream) {
        update();
        return failWith(kErrCannotOpen);
    }
    m_openStream = stream;
    m_sourceFileName = path;
    m_selectionStart = 0;
    m_selectionEnd = stream->length();
    m_positionMs = 0;
    update();
    return ok();
}

DispResult Sonteval::cancelSave(QVariantList&) {
    m_cancelRequested = true;
    return ok();
}

DispResult Sonteval::closeFile(QVariantList&) {
    if (m_saving) {
        return failWith(kErrBusy);
    }
    stopAll();
    releaseStreams();
    if (!m_scratchFileName.isEmpty()) {
        QFile::remove(m_scratchFileName);
    }
    update();
    return ok();
}

DispResult Sonteval::aboutBox(QVariantList&) {
    QMessageBox::about(this, QStringLiteral("About Sonteval"),
                       QStringLiteral("Sonteval\nVersion 1.0"));
    return ok();
}

// ---- engine ----

void Sonteval::queueEvent(int dispid) {
    QMetaObject::invokeMethod(
        this, [this, dispid] { fire(dispid); }, Qt::QueuedConnection);
}

void Sonteval::stopAll() {
    if (m_player) {
        if (m_player->device()) {
            m_player->device()->disconnect(this);
        }
        m_player->stop();
        retire(std::move(m_player));
        m_status = kStatusStopped;
        // The device's close is heard after the call, as a notification.
        if (!m_inPlayStop) {
            queueEvent(EventPlayStop);
        }
    }
    if (m_recorder) {
        m_recorder->device()->disconnect(this);
        m_recorder->stop();
        retire(std::move(m_recorder));
        m_status = kStatusStopped;
        if (m_scratchWriter) {
            m_scratchWriter->close();
            m_scratchWriter.reset();
        }
        // What was recorded becomes the open stream, whole.
        m_openStream = m_recordStream;
        m_recordStream.reset();
        if (m_openStream) {
            m_selectionStart = 0;
            m_selectionEnd = m_openStream->length();
        }
        queueEvent(EventRecordStop);
    }
    m_paused = false;
    m_positionMs =
        m_openStream ? static_cast<std::int32_t>(m_openStream->timeOf(m_selectionStart)) : 0;
    update();
}

void Sonteval::retire(std::unique_ptr<Player> player) {
    // Stop often runs inside a notification of the device being stopped:
    // the stopped, inert device is freed once that notification is over.
    m_retiredPlayers.push_back(std::move(player));
    QMetaObject::invokeMethod(
        this, [this] { m_retiredPlayers.clear(); }, Qt::QueuedConnection);
}

void Sonteval::retire(std::unique_ptr<Recorder> recorder) {
    m_retiredRecorders.push_back(std::move(recorder));
    QMetaObject::invokeMethod(
        this, [this] { m_retiredRecorders.clear(); }, Qt::QueuedConnection);
}

void Sonteval::releaseStreams() {
    m_openStream.reset();
    m_recordStream.reset();
    m_selectionStart = 0;
    m_selectionEnd = 0;
}

void Sonteval::onRecorderBuffer(wave::Buffer* buffer) {
    if (!m_recorder) {
        return;
    }
    const std::uint32_t position = m_recorder->positionMs();
    const BufferResult result = m_recorder->bufferDone(buffer);
    if (result == BufferResult::NotOurs) {
        return;
    }
    if (result == BufferResult::Failed) {
        stopAll();
        fire(EventRecordError, {kErrWrite});
    } else {
        const Levels levels = m_recorder->levels();
        fire(EventRecordProgress, {static_cast<int>(levels.left), static_cast<int>(levels.right),
                                   static_cast<int>(position)});
        if (m_recorder && static_cast<std::int64_t>(position) >= m_lengthLimit) {
            stopAll();
        }
    }
    update();
}

void Sonteval::onRecorderLost() {
    if (!m_recorder) {
        return;
    }
    // The server went away: keep what was recorded and say so.
    stopAll();
    fire(EventRecordError, {kErrWrite});
}

void Sonteval::onPlayerBuffer(wave::Buffer* buffer) {
    if (!m_player) {
        return;
    }
    const std::uint32_t position = m_player->positionMs();
    if (m_player->bufferDone(buffer) == BufferResult::NotOurs) {
        return;
    }
    if (!m_paused) {
        const Levels levels = m_player->levels();
        fire(EventPlayProgress, {static_cast<int>(levels.left), static_cast<int>(levels.right),
                                 static_cast<int>(position)});
    }
    update();
}

void Sonteval::onPlayerClosed() {
    if (!m_player) {
        return;
    }
    m_inPlayStop = true;
    fire(EventPlayStop);
    stopAll();
    m_inPlayStop = false;
}

void Sonteval::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_player) {
        m_positionMs = static_cast<std::int32_t>(m_player->positionMs());
    }
    if (m_recorder) {
        m_positionMs = static_cast<std::int32_t>(m_recorder->positionMs());
    }
    WaveColors colors;
    colors.background = colorOf(m_backgroundColor);
    colors.noStream = colorOf(m_noStreamColor);
    colors.mono = colorOf(m_monoColor);
    colors.left = colorOf(m_leftColor);
    colors.right = colorOf(m_rightColor);
    colors.vernier = colorOf(m_vernierColor);
    const std::int64_t p = m_positionMs;
    if (m_recorder && m_recordStream) {
        const std::int64_t start = m_displayMode == 1 ? p - kWindowMs : p - kWindowMs / 2;
        drawStream(painter, rect(), *m_recordStream, start, kWindowMs, m_displayMode, colors,
                   m_cache);
    } else if (!m_recorder && m_openStream) {
        const std::int64_t start = m_displayMode == 1 ? p : p - kWindowMs / 2;
        drawStream(painter, rect(), *m_openStream, start, kWindowMs, m_displayMode, colors,
                   m_cache);
    } else {
        painter.fillRect(rect(), colors.background);
    }
}

}  // namespace brindle::sonteval
