#include "player/exporter.h"

#include "platform/ffmpeg/writer.h"
#include "player/presentation_audio.h"
#include "player/renderer.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <QElapsedTimer>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace brindle {
namespace {

constexpr int kAudioBitRate = 128000;

QString errorText(int code) {
    return QString::fromStdString(ff::errorText(code));
}

class Mp4Writer {
public:
    QString error;
    QString videoCodecName;

    bool open(const QString& path, QSize size, int fps) {
        const AVCodec* vcodec = avcodec_find_encoder_by_name("libx264");
        if (!vcodec) {
            vcodec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
        }
        const AVCodec* acodec = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!vcodec || !acodec) {
            return fail("no video or AAC encoder is available");
        }
        videoCodecName = vcodec->name;
        const bool globalHeader = ff::Writer::wantsGlobalHeader("mp4");

        m_video.reset(avcodec_alloc_context3(vcodec));
        m_video->width = size.width();
        m_video->height = size.height();
        m_video->pix_fmt = AV_PIX_FMT_YUV420P;
        m_video->time_base = AVRational{1, fps};
        m_video->framerate = AVRational{fps, 1};
        m_video->gop_size = fps * 5;
        m_video->thread_count = 0;  // as many as the machine has
        if (globalHeader) {
            m_video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        AVDictionary* vopts = nullptr;
        if (videoCodecName == "libx264") {
            av_dict_set(&vopts, "preset", "veryfast", 0);
            av_dict_set(&vopts, "crf", "23", 0);
        } else {
            m_video->bit_rate = 2000000;
            m_video->qmax = 8;
        }
        const int vrc = avcodec_open2(m_video.get(), vcodec, &vopts);
        av_dict_free(&vopts);
        if (vrc < 0) {
            return fail("the video encoder refused: " + errorText(vrc));
        }

        m_audio.reset(avcodec_alloc_context3(acodec));
        m_audio->sample_rate = PresentationAudio::kRate;
        av_channel_layout_default(&m_audio->ch_layout, PresentationAudio::kChannels);
        m_audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
        m_audio->bit_rate = kAudioBitRate;
        m_audio->time_base = AVRational{1, PresentationAudio::kRate};
        if (globalHeader) {
            m_audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        const int arc = avcodec_open2(m_audio.get(), acodec, nullptr);
        if (arc < 0) {
            return fail("the AAC encoder refused: " + errorText(arc));
        }

        // The file is made once the encoders are ready, so a refusal leaves
        // an earlier export in place.
        const ff::Status opened = m_file.open(path.toUtf8().constData(), "mp4");
        if (!opened.ok()) {
            return fail(
                QStringLiteral("%1 cannot be written: %2").arg(path, errorText(opened.code)));
        }
        ff::Status added;
        m_vstream = m_file.addStream(m_video.get(), &added);
        m_astream = m_vstream < 0 ? -1 : m_file.addStream(m_audio.get(), &added);
        if (m_astream < 0) {
            return fail("the MP4 writer cannot add streams");
        }
        const ff::Status header = m_file.writeHeader();
        if (!header.ok()) {
            return fail("the MP4 header cannot be written: " + errorText(header.code));
        }
        m_frame = ff::makeFrame();
        m_frame->format = AV_PIX_FMT_YUV420P;
        m_frame->width = size.width();
        m_frame->height = size.height();
        av_frame_get_buffer(m_frame.get(), 0);
        m_aframe = ff::makeFrame();
        m_aframe->format = AV_SAMPLE_FMT_FLTP;
        m_aframe->sample_rate = PresentationAudio::kRate;
        av_channel_layout_copy(&m_aframe->ch_layout, &m_audio->ch_layout);
        m_aframe->nb_samples = m_audio->frame_size > 0 ? m_audio->frame_size : 1024;
        av_frame_get_buffer(m_aframe.get(), 0);
        m_sws.reset(sws_getContext(size.width(), size.height(), AV_PIX_FMT_BGRA, size.width(),
                                   size.height(), AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr,
                                   nullptr, nullptr));
        return m_sws != nullptr || fail("no colour converter");
    }

    int audioFrameSize() const { return m_aframe->nb_samples; }

    bool writeVideo(const QImage& image, std::int64_t index) {
        // Most frames of a slide show repeat the one before: those keep the
        // converted picture.
        const bool same = image == m_previous;
        // The encoder may still hold the last frame; making it writable
        // copies it, which is all a repeated picture needs.
        if (av_frame_make_writable(m_frame.get()) < 0) {
            return fail("out of memory");
        }
        if (!same) {
            const std::uint8_t* src[4] = {image.constBits(), nullptr, nullptr, nullptr};
            const int stride[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
            sws_scale(m_sws.get(), src, stride, 0, image.height(), m_frame->data,
                      m_frame->linesize);
            m_previous = image.copy();
        }
        m_frame->pts = index;
        return encodeVideo(m_frame.get());
    }

    // Sound side, on a thread of its own: interleaved samples, a whole
    // number of frames at most audioFrameSize(). A failure is kept for the
    // writing side to report.
    bool writeAudio(const float* interleaved, int frames, std::int64_t firstSample) {
        if (av_frame_make_writable(m_aframe.get()) < 0) {
            return failAudio("out of memory");
        }
        m_aframe->nb_samples = frames;
        for (int c = 0; c < PresentationAudio::kChannels; ++c) {
            auto* plane = reinterpret_cast<float*>(m_aframe->data[c]);
            for (int i = 0; i < frames; ++i) {
                plane[i] = interleaved[i * PresentationAudio::kChannels + c];
            }
        }
        m_aframe->pts = firstSample;
        return encodeAudio(m_aframe.get());
    }
    bool flushAudio() { return encodeAudio(nullptr); }

    // Writing side: whether the sound side has failed so far.
    bool audioFine() {
        std::lock_guard lock(m_audioMutex);
        return m_audioError.isEmpty() || fail(m_audioError);
    }

    bool finish() {
        if (!encodeVideo(nullptr)) {
            return false;
        }
        const ff::Status done = m_file.finish();
        return done.ok() || fail("the MP4 file cannot be finished: " + errorText(done.code));
    }

    ~Mp4Writer() {
        // A failed export keeps what was written, readable up to there.
        if (m_file.headerWritten()) {
            m_file.finish();
        }
    }

private:
    bool encodeVideo(const AVFrame* frame) {
        const ff::Status status = m_file.encode(m_vstream, frame);
        if (status.ok()) {
            return true;
        }
        return fail(
            (status.step == ff::Status::Step::Encoder ? "encoding failed: " : "writing failed: ") +
            errorText(status.code));
    }

    bool encodeAudio(const AVFrame* frame) {
        const ff::Status status = m_file.encode(m_astream, frame);
        if (status.ok()) {
            return true;
        }
        return failAudio((status.step == ff::Status::Step::Encoder ? "sound encoding failed: "
                                                                   : "writing failed: ") +
                         errorText(status.code));
    }

    bool failAudio(const QString& text) {
        std::lock_guard lock(m_audioMutex);
        if (m_audioError.isEmpty()) {
            m_audioError = text;
        }
        return false;
    }

    bool fail(const QString& text) {
        if (error.isEmpty()) {
            error = text;
        }
        return false;
    }

    ff::Codec m_video, m_audio;  // declared before the file, which uses them to the end
    ff::Writer m_file;
    int m_vstream = -1;
    int m_astream = -1;
    ff::Frame m_frame, m_aframe;
    std::mutex m_audioMutex;
    QString m_audioError;
    ff::Sws m_sws;
    QImage m_previous;
};

}  // namespace

ExportResult exportPresentation(const Presentation& presentation, const QString& outPath,
                                const ExportOptions& options) {
    ExportResult result;
    QSize size = options.size.isEmpty() ? presentation.size : options.size;
    // 4:2:0 pictures need even sides.
    size = QSize((size.width() + 1) & ~1, (size.height() + 1) & ~1);
    const int fps = std::clamp(options.framesPerSecond, 1, 120);
    Mp4Writer writer;
    if (!writer.open(outPath, size, fps)) {
        result.error = writer.error;
        return result;
    }
    result.videoCodec = writer.videoCodecName;
    Renderer renderer(presentation);
    PresentationAudio audio(presentation);
    const std::int64_t totalMs = presentation.durationMs;
    const std::int64_t frameCount = (totalMs * fps + 999) / 1000;
    const std::int64_t totalSamples = totalMs * PresentationAudio::kRate / 1000;
    QImage image(size, QImage::Format_RGB32);
    QElapsedTimer renderClock;
    qint64 renderNs = 0;
    // The sound is mixed and encoded beside the pictures.
    std::atomic<bool> stopSound{false};
    std::thread sound([&] {
        std::vector<float> samples(static_cast<std::size_t>(writer.audioFrameSize()) *
                                   PresentationAudio::kChannels);
        std::int64_t done = 0;
        bool fine = true;
        while (fine && !stopSound && done < totalSamples) {
            const int want = static_cast<int>(
                std::min<std::int64_t>(writer.audioFrameSize(), totalSamples - done));
            const int n = audio.read(samples.data(), want);
            if (n <= 0) {
                break;
            }
            fine = writer.writeAudio(samples.data(), n, done);
            done += n;
        }
        if (fine) {
            writer.flushAudio();
        }
    });
    bool ok = true;
    std::int64_t lastMs = 0;
    for (std::int64_t i = 0; ok && i < std::max<std::int64_t>(frameCount, 1); ++i) {
        const std::int64_t ms = i * 1000 / fps;
        renderClock.start();
        if (i == 0 || !renderer.unchangedBetween(lastMs, ms)) {
            renderer.render(ms, image);
        }
        lastMs = ms;
        renderNs += renderClock.nsecsElapsed();
        ok = writer.writeVideo(image, i) && writer.audioFine();
        if (options.progress && (i % fps == 0 || i + 1 == frameCount)) {
            options.progress(std::min(totalMs, (i + 1) * 1000 / fps), totalMs);
        }
        result.frames = i + 1;
    }
    stopSound = !ok;
    sound.join();
    ok = ok && writer.audioFine();
    ok = ok && writer.finish();
    result.renderSeconds = renderNs / 1e9;
    result.ok = ok;
    if (!ok) {
        result.error = writer.error;
    }
    return result;
}

}  // namespace brindle
