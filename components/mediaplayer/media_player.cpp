#include "components/mediaplayer/media_player.h"

#include "components/mediaplayer/audio_decoder.h"
#include "components/mediaplayer/media_length.h"

#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace brindle {
namespace {

constexpr int kTickMs = 15;

}  // namespace

MediaPlayer::MediaPlayer(QWidget* parent) : VideoSurface(parent) {
    setObjectName("MCIWnd1");
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &MediaPlayer::tick);
}

MediaPlayer::~MediaPlayer() {
    m_playback.stop();
}

bool MediaPlayer::open(const QString& path) {
    close();
    const bool video = m_video.open(path);
    AudioDecoder probe;
    m_hasAudio = probe.open(path);
    if (!video && !m_hasAudio) {
        return false;
    }
    m_path = path;
    m_lengthMs = mediaLengthMs(path);
    m_positionMs = 0;
    m_lastReported = -1;
    showFrame(0);
    setMode(Mode::Stopped);
    return true;
}

void MediaPlayer::close() {
    m_timer.stop();
    m_playback.stop();
    m_audio.reset();
    m_video = VideoDecoder();
    m_path.clear();
    m_lengthMs = 0;
    m_positionMs = 0;
    m_hasAudio = false;
    VideoSurface::clear();
    setMode(Mode::NotReady);
}

void MediaPlayer::startPlayback(std::int64_t fromMs) {
    m_playback.stop();
    m_audio.reset();
    AudioPlayback::Source source;
    int rate = 0;
    int channels = 0;
    if (m_hasAudio) {
        m_audio = std::make_unique<AudioDecoder>();
        if (m_audio->open(m_path) && m_audio->seek(fromMs)) {
            rate = m_audio->rate();
            channels = m_audio->channels();
            AudioDecoder* dec = m_audio.get();
            source = [dec](float* out, int frames) { return dec->read(out, frames); };
        }
    }
    m_playback.start(std::move(source), rate, channels, fromMs);
    m_timer.start();
}

void MediaPlayer::play() {
    if (m_mode == Mode::NotReady) {
        return;
    }
    if (m_mode == Mode::Paused) {
        resume();
        return;
    }
    if (m_mode == Mode::Playing) {
        return;
    }
    if (m_positionMs >= m_lengthMs) {
        m_positionMs = 0;
    }
    startPlayback(m_positionMs);
    setMode(Mode::Playing);
}

void MediaPlayer::stop() {
    if (m_mode != Mode::Playing && m_mode != Mode::Paused) {
        return;
    }
    m_positionMs = std::clamp<std::int64_t>(m_playback.positionMs(), 0, m_lengthMs);
    m_timer.stop();
    m_playback.stop();
    m_audio.reset();
    setMode(Mode::Stopped);
}

void MediaPlayer::pause() {
    if (m_mode != Mode::Playing) {
        return;
    }
    m_playback.setPaused(true);
    setMode(Mode::Paused);
}

void MediaPlayer::resume() {
    if (m_mode != Mode::Paused) {
        return;
    }
    m_playback.setPaused(false);
    setMode(Mode::Playing);
}

bool MediaPlayer::command(const QString& text) {
    const QString c = text.trimmed().toLower();
    if (c == "play") {
        play();
    } else if (c == "stop") {
        stop();
    } else if (c == "close") {
        close();
    } else if (c == "pause") {
        pause();
    } else if (c == "resume") {
        resume();
    } else {
        return false;
    }
    return true;
}

double MediaPlayer::framesPerSecond() const {
    return m_video.isOpen() ? m_video.framesPerSecond() : 0.0;
}

std::int64_t MediaPlayer::toUnits(std::int64_t ms) const {
    if (m_format == TimeFormat::Frames && framesPerSecond() > 0) {
        return static_cast<std::int64_t>(std::floor(ms * framesPerSecond() / 1000.0 + 1e-6));
    }
    return ms;
}

std::int64_t MediaPlayer::fromUnits(std::int64_t units) const {
    if (m_format == TimeFormat::Frames && framesPerSecond() > 0) {
        return static_cast<std::int64_t>(std::ceil(units * 1000.0 / framesPerSecond() - 1e-6));
    }
    return units;
}

std::int64_t MediaPlayer::length() const {
    if (m_format == TimeFormat::Frames && framesPerSecond() > 0) {
        return std::llround(m_lengthMs * framesPerSecond() / 1000.0);
    }
    return m_lengthMs;
}

std::int64_t MediaPlayer::positionMs() const {
    if (m_mode == Mode::Playing || m_mode == Mode::Paused) {
        return std::clamp<std::int64_t>(m_playback.positionMs(), 0, m_lengthMs);
    }
    return m_positionMs;
}

std::int64_t MediaPlayer::position() const {
    return toUnits(positionMs());
}

void MediaPlayer::setPosition(std::int64_t position) {
    if (m_mode == Mode::NotReady) {
        return;
    }
    const std::int64_t ms = std::clamp<std::int64_t>(fromUnits(position), 0, m_lengthMs);
    if (m_mode == Mode::Playing || m_mode == Mode::Paused) {
        // Position reports fed back by a dialog land where playback already
        // is; only a real move restarts the sound.
        if (toUnits(positionMs()) == toUnits(ms)) {
            return;
        }
        const bool paused = m_mode == Mode::Paused;
        startPlayback(ms);
        if (paused) {
            m_playback.setPaused(true);
        }
    } else {
        m_positionMs = ms;
    }
    showFrame(ms);
    m_lastReported = toUnits(ms);
    emit positionChanged(m_lastReported);
}

void MediaPlayer::showFrame(std::int64_t ms) {
    if (m_video.isOpen()) {
        setImage(m_video.frameAt(ms));
    }
}

void MediaPlayer::setShowPosition(bool on) {
    m_showPosition = on;
    update();
}

void MediaPlayer::setShowName(bool on) {
    m_showName = on;
    update();
}

void MediaPlayer::paintEvent(QPaintEvent* event) {
    VideoSurface::paintEvent(event);
    if (!m_showPosition && !m_showName) {
        return;
    }
    QPainter p(this);
    p.setPen(Qt::white);
    const QRect text = rect().adjusted(4, 2, -4, -2);
    if (m_showName && !m_path.isEmpty()) {
        p.drawText(text, Qt::AlignLeft | Qt::AlignTop, QFileInfo(m_path).fileName());
    }
    if (m_showPosition && m_mode != Mode::NotReady) {
        p.drawText(text, Qt::AlignLeft | Qt::AlignBottom,
                   QString::number(double(positionMs()) / 1000.0, 'f', 1));
    }
}

void MediaPlayer::tick() {
    if (m_mode != Mode::Playing) {
        return;
    }
    const std::int64_t raw = m_playback.positionMs();
    const bool atEnd = raw >= m_lengthMs && (!m_playback.isAudible() || m_playback.soundEnded());
    const std::int64_t ms = std::clamp<std::int64_t>(raw, 0, m_lengthMs);
    showFrame(ms);
    if (m_showPosition) {
        update();
    }
    const std::int64_t units = toUnits(ms);
    if (units != m_lastReported) {
        m_lastReported = units;
        emit positionChanged(units);
    }
    if (atEnd && m_mode == Mode::Playing) {
        m_positionMs = m_lengthMs;
        m_timer.stop();
        m_playback.stop();
        m_audio.reset();
        setMode(Mode::Stopped);
    }
}

void MediaPlayer::setMode(Mode mode) {
    if (mode == m_mode) {
        return;
    }
    m_mode = mode;
    emit modeChanged(modeName(mode));
}

QString MediaPlayer::modeName() const {
    return modeName(m_mode);
}

QString MediaPlayer::modeName(Mode mode) {
    switch (mode) {
        case Mode::Stopped:
            return QStringLiteral("stopped");
        case Mode::Playing:
            return QStringLiteral("playing");
        case Mode::Paused:
            return QStringLiteral("paused");
        case Mode::NotReady:
            break;
    }
    return QStringLiteral("not ready");
}

}  // namespace brindle
