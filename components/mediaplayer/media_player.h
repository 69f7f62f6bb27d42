// The media playback window the editor's dialogs use to play a clip or a
// sound: open a file, read its length and position, play, stop, close, seek,
// with mode and position notifications on the GUI thread. The widget itself
// is the video surface; the dialogs place, show and hide it.
#pragma once

#include "components/mediaplayer/audio_playback.h"
#include "components/mediaplayer/video_decoder.h"
#include "components/mediaplayer/video_surface.h"

#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>

namespace brindle {

class AudioDecoder;

class MediaPlayer : public VideoSurface {
    Q_OBJECT
public:
    enum class Mode { NotReady, Stopped, Playing, Paused };
    // Units of length(), position() and setPosition().
    enum class TimeFormat { Milliseconds, Frames };

    explicit MediaPlayer(QWidget* parent = nullptr);
    ~MediaPlayer() override;

    // Opens a clip or sound, stopped at position 0 with its first picture
    // shown. False (and mode NotReady) when it holds nothing that plays.
    bool open(const QString& path);
    void close();
    QString fileName() const { return m_path; }

    // Plays from the current position (from the start when at the end).
    void play();
    // Stops and keeps the position.
    void stop();
    void pause();
    void resume();

    // The text commands of the dialogs: "play", "stop", "close", "pause",
    // "resume" (any case). False for an unknown command.
    bool command(const QString& text);

    void setTimeFormat(TimeFormat format) { m_format = format; }
    TimeFormat timeFormat() const { return m_format; }
    // Frames per second of the clip's video (0 for a sound).
    double framesPerSecond() const;

    std::int64_t length() const;
    std::int64_t position() const;
    // Moves the position; a playing clip goes on playing from there.
    void setPosition(std::int64_t position);

    Mode mode() const { return m_mode; }
    // "not ready", "stopped", "playing" or "paused".
    QString modeName() const;
    static QString modeName(Mode mode);

    std::int64_t lengthMs() const { return m_lengthMs; }
    std::int64_t positionMs() const;

    // The display settings a host chooses before playback: the picture
    // scaled to the window (setScaled), and the position in seconds and the
    // file's name written over the picture's lower and upper left corners.
    void setShowPosition(bool on);
    bool showPosition() const { return m_showPosition; }
    void setShowName(bool on);
    bool showName() const { return m_showName; }

signals:
    void modeChanged(const QString& mode);
    // The position in the current time format, while playing or after a seek.
    void positionChanged(std::int64_t position);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void tick();
    void setMode(Mode mode);
    void showFrame(std::int64_t ms);
    void startPlayback(std::int64_t fromMs);
    std::int64_t toUnits(std::int64_t ms) const;
    std::int64_t fromUnits(std::int64_t units) const;

    QString m_path;
    Mode m_mode = Mode::NotReady;
    TimeFormat m_format = TimeFormat::Milliseconds;
    std::int64_t m_lengthMs = 0;
    std::int64_t m_positionMs = 0;  // while not playing
    std::int64_t m_lastReported = -1;
    bool m_hasAudio = false;
    bool m_showPosition = false;
    bool m_showName = false;
    VideoDecoder m_video;
    std::unique_ptr<AudioDecoder> m_audio;  // read on the playback thread
    AudioPlayback m_playback;
    QTimer m_timer;
};

}  // namespace brindle
