// The player's window: the presentation drawn at the sound's clock, scaled
// with its aspect kept, with play/pause, stop, a seek bar and the time.
#pragma once

#include "components/mediaplayer/audio_playback.h"
#include "player/presentation.h"

#include <QMainWindow>
#include <QTimer>

#include <cstdint>
#include <memory>

class QLabel;
class QSlider;
class QToolButton;

namespace brindle {

class PresentationAudio;
class Renderer;
class VideoSurface;

class PlayerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PlayerWindow(QWidget* parent = nullptr);
    ~PlayerWindow() override;

    // Opens a presentation; on failure the window shows why instead.
    bool openFile(const QString& path);

    void play();
    void pause();
    void togglePlay();
    void stop();
    void seek(std::int64_t ms);
    void toggleFullScreen();

    bool isPlaying() const { return m_playing; }
    std::int64_t positionMs() const;
    // What the window says instead of (or above) the presentation.
    QString message() const;

private:
    void tick();
    void showAt(std::int64_t ms);
    void showMessage(const QString& text);
    void updateControls(std::int64_t ms);
    void startSound(std::int64_t fromMs);

    std::unique_ptr<Presentation> m_presentation;
    std::unique_ptr<Renderer> m_renderer;
    std::unique_ptr<PresentationAudio> m_audio;  // read on the playback thread
    AudioPlayback m_playback;
    VideoSurface* m_surface = nullptr;
    QLabel* m_message = nullptr;
    QToolButton* m_playButton = nullptr;
    QToolButton* m_stopButton = nullptr;
    QSlider* m_seekBar = nullptr;
    QLabel* m_time = nullptr;
    QTimer m_timer;
    bool m_playing = false;
    bool m_seekDragging = false;
    std::int64_t m_positionMs = 0;  // while not playing
};

// "m:ss" or "h:mm:ss".
QString formatTime(std::int64_t ms);

}  // namespace brindle
