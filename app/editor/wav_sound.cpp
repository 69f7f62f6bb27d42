#include "app/editor/wav_sound.h"

#include "components/mediaplayer/audio_decoder.h"
#include "components/mediaplayer/audio_playback.h"

#include <QFileInfo>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace brindle {
namespace {

// One sound at a time on one worker thread: a new request replaces the
// one waiting and stops the one playing.
class SoundWorker {
public:
    SoundWorker() : m_thread(&SoundWorker::run, this) {}
    ~SoundWorker() {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    void play(const QString& path) {
        {
            std::lock_guard lock(m_mutex);
            m_next = path;
        }
        m_wake.notify_one();
    }

private:
    void run() {
        AudioPlayback playback;
        for (;;) {
            QString path;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_quit || m_next.has_value(); });
                if (m_quit) {
                    break;
                }
                path = *m_next;
                m_next.reset();
            }
            playback.stop();
            auto decoder = std::make_shared<AudioDecoder>();
            if (!decoder->open(path)) {
                continue;
            }
            const int rate = decoder->rate();
            const int channels = decoder->channels();
            playback.start([decoder](float* out, int frames) { return decoder->read(out, frames); },
                           rate, channels, 0, QStringLiteral("Brindle editor"));
        }
        playback.stop();
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<QString> m_next;
    bool m_quit = false;
    std::thread m_thread;  // last: starts once the members above exist
};

}  // namespace

void playWavFile(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        return;
    }
    static SoundWorker worker;
    worker.play(path);
}

}  // namespace brindle
