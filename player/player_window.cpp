#include "player/player_window.h"

#include "components/mediaplayer/video_surface.h"
#include "player/presentation_audio.h"
#include "player/renderer.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace brindle {
namespace {

constexpr int kTickMs = 16;
constexpr std::int64_t kStepMs = 5000;

}  // namespace

QString formatTime(std::int64_t ms) {
    const std::int64_t s = std::max<std::int64_t>(ms, 0) / 1000;
    if (s >= 3600) {
        return QStringLiteral("%1:%2:%3")
            .arg(s / 3600)
            .arg((s / 60) % 60, 2, 10, QChar('0'))
            .arg(s % 60, 2, 10, QChar('0'));
    }
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
}

PlayerWindow::PlayerWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("PlayerWindow");
    setWindowTitle("Brindle Player");
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_surface = new VideoSurface(central);
    m_surface->setObjectName("Picture");
    m_surface->setMinimumSize(160, 120);
    column->addWidget(m_surface, 1);

    m_message = new QLabel(m_surface);
    m_message->setObjectName("Message");
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setStyleSheet("QLabel { color: white; background: rgba(0,0,0,170); padding: 8px; }");
    m_message->hide();
    auto* overlay = new QVBoxLayout(m_surface);
    overlay->addStretch(1);
    overlay->addWidget(m_message);
    overlay->addStretch(1);

    auto* bar = new QWidget(central);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(6, 4, 6, 4);
    m_playButton = new QToolButton(bar);
    m_playButton->setObjectName("Play");
    m_playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_playButton->setToolTip("Play or pause (Space)");
    m_stopButton = new QToolButton(bar);
    m_stopButton->setObjectName("Stop");
    m_stopButton->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    m_stopButton->setToolTip("Stop (S)");
    m_seekBar = new QSlider(Qt::Horizontal, bar);
    m_seekBar->setObjectName("SeekBar");
    m_seekBar->setFocusPolicy(Qt::NoFocus);
    m_time = new QLabel("0:00 / 0:00", bar);
    m_time->setObjectName("Time");
    auto* full = new QToolButton(bar);
    full->setObjectName("FullScreen");
    full->setIcon(style()->standardIcon(QStyle::SP_TitleBarMaxButton));
    full->setToolTip("Full screen (F)");
    for (QToolButton* b : {m_playButton, m_stopButton, full}) {
        b->setFocusPolicy(Qt::NoFocus);
    }
    row->addWidget(m_playButton);
    row->addWidget(m_stopButton);
    row->addWidget(m_seekBar, 1);
    row->addWidget(m_time);
    row->addWidget(full);
    column->addWidget(bar);
    setCentralWidget(central);

    connect(m_playButton, &QToolButton::clicked, this, &PlayerWindow::togglePlay);
    connect(m_stopButton, &QToolButton::clicked, this, &PlayerWindow::stop);
    connect(full, &QToolButton::clicked, this, &PlayerWindow::toggleFullScreen);
    connect(m_seekBar, &QSlider::sliderPressed, this, [this] { m_seekDragging = true; });
    connect(m_seekBar, &QSlider::sliderReleased, this, [this] {
        m_seekDragging = false;
        seek(m_seekBar->value());
    });
    connect(m_seekBar, &QSlider::sliderMoved, this, [this](int v) {
        if (!m_playing) {
            showAt(v);
        }
        m_time->setText(formatTime(v) + " / " +
                        formatTime(m_presentation ? m_presentation->durationMs : 0));
    });
    connect(m_seekBar, &QSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderPageStepAdd ||
            action == QAbstractSlider::SliderPageStepSub) {
            seek(m_seekBar->sliderPosition());
        }
    });

    auto shortcut = [this](const QKeySequence& keys, auto fn) {
        auto* s = new QShortcut(keys, this);
        connect(s, &QShortcut::activated, this, fn);
    };
    shortcut(Qt::Key_Space, [this] { togglePlay(); });
    shortcut(Qt::Key_K, [this] { togglePlay(); });
    shortcut(Qt::Key_S, [this] { stop(); });
    shortcut(Qt::Key_Home, [this] { seek(0); });
    shortcut(Qt::Key_Right, [this] { seek(positionMs() + kStepMs); });
    shortcut(Qt::Key_Left, [this] { seek(positionMs() - kStepMs); });
    shortcut(Qt::Key_F, [this] { toggleFullScreen(); });
    shortcut(Qt::Key_F11, [this] { toggleFullScreen(); });
    shortcut(Qt::Key_Escape, [this] {
        if (isFullScreen()) {
            toggleFullScreen();
        }
    });
    shortcut(QKeySequence::Quit, [this] { close(); });
    shortcut(Qt::Key_Q, [this] { close(); });

    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &PlayerWindow::tick);
    updateControls(0);
}

PlayerWindow::~PlayerWindow() {
    m_playback.stop();
}

bool PlayerWindow::openFile(const QString& path) {
    stop();
    m_renderer.reset();
    m_audio.reset();
    m_presentation.reset();
    PresentationLoad load = loadPresentation(path);
    if (!load.presentation) {
        m_surface->clear();
        showMessage(QStringLiteral("This presentation cannot be played.\n\n%1\n\n%2")
                        .arg(QFileInfo(path).absoluteFilePath(), load.error));
        updateControls(0);
        return false;
    }
    m_presentation = std::make_unique<Presentation>(std::move(*load.presentation));
    m_renderer = std::make_unique<Renderer>(*m_presentation);
    const QString title = m_presentation->title.isEmpty() || m_presentation->title == "no title"
                              ? QFileInfo(path).fileName()
                              : m_presentation->title;
    setWindowTitle(title + " - Brindle Player");
    if (!m_presentation->problems.isEmpty()) {
        showMessage("Some parts of this presentation cannot be shown:\n" +
                    m_presentation->problems.mid(0, 8).join('\n'));
    } else {
        showMessage({});
    }
    m_seekBar->setRange(
        0, static_cast<int>(std::min<std::int64_t>(m_presentation->durationMs, INT_MAX)));
    m_seekBar->setPageStep(static_cast<int>(kStepMs));
    resize(m_presentation->size +
           QSize(0, centralWidget()->layout()->itemAt(1)->sizeHint().height()));
    m_positionMs = 0;
    showAt(0);
    return true;
}

QString PlayerWindow::message() const {
    return m_message->isHidden() ? QString() : m_message->text();
}

void PlayerWindow::showMessage(const QString& text) {
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

void PlayerWindow::startSound(std::int64_t fromMs) {
    m_playback.stop();
    m_audio.reset();
    AudioPlayback::Source source;
    if (m_presentation) {
        m_audio = std::make_unique<PresentationAudio>(*m_presentation);
        if (m_audio->hasSound()) {
            m_audio->seek(fromMs);
            PresentationAudio* audio = m_audio.get();
            source = [audio](float* out, int frames) { return audio->read(out, frames); };
        }
    }
    m_playback.start(std::move(source), PresentationAudio::kRate, PresentationAudio::kChannels,
                     fromMs, QStringLiteral("Brindle presentation"));
}

void PlayerWindow::play() {
    if (!m_presentation || m_playing) {
        return;
    }
    if (m_positionMs >= m_presentation->durationMs) {
        m_positionMs = 0;
    }
    if (m_playback.isRunning() && m_playback.isPaused()) {
        m_playback.setPaused(false);
    } else {
        startSound(m_positionMs);
    }
    m_playing = true;
    m_timer.start();
    m_playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
}

void PlayerWindow::pause() {
    if (!m_playing) {
        return;
    }
    m_playback.setPaused(true);
    m_positionMs = m_playback.positionMs();
    m_playing = false;
    m_timer.stop();
    m_playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    showAt(m_positionMs);
}

void PlayerWindow::togglePlay() {
    if (m_playing) {
        pause();
    } else {
        play();
    }
}

void PlayerWindow::stop() {
    m_timer.stop();
    m_playback.stop();
    m_audio.reset();
    m_playing = false;
    m_positionMs = 0;
    m_playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    if (m_presentation) {
        showAt(0);
    }
}

void PlayerWindow::seek(std::int64_t ms) {
    if (!m_presentation) {
        return;
    }
    ms = std::clamp<std::int64_t>(ms, 0, m_presentation->durationMs);
    m_positionMs = ms;
    if (m_playing) {
        startSound(ms);
    } else {
        m_playback.stop();
    }
    showAt(ms);
}

void PlayerWindow::toggleFullScreen() {
    if (isFullScreen()) {
        showNormal();
    } else {
        showFullScreen();
    }
}

std::int64_t PlayerWindow::positionMs() const {
    return m_playing ? m_playback.positionMs() : m_positionMs;
}

void PlayerWindow::tick() {
    if (!m_playing || !m_presentation) {
        return;
    }
    const std::int64_t ms = m_playback.positionMs();
    if (ms >= m_presentation->durationMs) {
        m_playback.stop();
        m_audio.reset();
        m_playing = false;
        m_timer.stop();
        m_positionMs = m_presentation->durationMs;
        m_playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
        showAt(m_positionMs);
        return;
    }
    showAt(ms);
}

void PlayerWindow::showAt(std::int64_t ms) {
    if (!m_presentation) {
        return;
    }
    // Drawn at the size it is shown, so text stays sharp when scaled up.
    QSize size = aspectFit(m_presentation->size, m_surface->rect()).size();
    if (size.isEmpty()) {
        size = m_presentation->size;
    }
    m_surface->setImage(m_renderer->render(std::min(ms, m_presentation->durationMs), size));
    updateControls(ms);
}

void PlayerWindow::updateControls(std::int64_t ms) {
    const std::int64_t total = m_presentation ? m_presentation->durationMs : 0;
    if (!m_seekDragging) {
        m_seekBar->setValue(static_cast<int>(std::min(ms, total)));
        m_time->setText(formatTime(ms) + " / " + formatTime(total));
    }
    m_playButton->setEnabled(m_presentation != nullptr);
    m_stopButton->setEnabled(m_presentation != nullptr);
    m_seekBar->setEnabled(m_presentation != nullptr);
}

}  // namespace brindle
