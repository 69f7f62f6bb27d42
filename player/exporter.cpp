#include "player/exporter.h"

#include "platform/ffmpeg/handles.h"
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

class Mp4Writer {
public:
    QString error;
    QString videoCodecName;

    bool open(const QString& path, QSize size, int fps) {
        AVFormatContext* raw = nullptr;
        if (avformat_alloc_output_context2(&raw, nullptr, "mp4", path.toUtf8().constData()) < 0) {
            return fail("the MP4 writer is not available");
        }
        m_out.reset(raw);
        const AVCodec* vcodec = avcodec_find_encoder_by_name("libx264");
        if (!vcodec) {
            vcodec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
        }
        const AVCodec* acodec = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!vcodec || !acodec) {
            return fail("no video or AAC encoder is available");
        }
        videoCodecName = vcodec->name;
        m_fps = fps;

        m_video.reset(avcodec_alloc_context3(vcodec));
        m_video->width = size.width();
        m_video->height = size.height();
        m_video->pix_fmt = AV_PIX_FMT_YUV420P;
        m_video->time_base = AVRational{1, fps};
        m_video->framerate = AVRational{fps, 1};
        m_video->gop_size = fps * 5;
        m_video->thread_count = 0;  // as many as the machine has
        if (m_out->oformat->flags & AVFMT_GLOBALHEADER) {
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
            return fail("the video encoder refused: " + QString::fromStdString(ff::errorText(vrc)));
        }

        m_audio.reset(avcodec_alloc_context3(acodec));
        m_audio->sample_rate = PresentationAudio::kRate;
        av_channel_layout_default(&m_audio->ch_layout, PresentationAudio::kChannels);
        m_audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
        m_audio->bit_rate = kAudioBitRate;
        m_audio->time_base = AVRational{1, PresentationAudio::kRate};
        if (m_out->oformat->flags & AVFMT_GLOBALHEADER) {
            m_audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        const int arc = avcodec_open2(m_audio.get(), acodec, nullptr);
        if (arc < 0) {
            return fail("the AAC encoder refused: " + QString::fromStdString(ff::errorText(arc)));
        }

        m_vstream = avformat_new_stream(m_out.get(), nullptr);
        m_astream = avformat_new_stream(m_out.get(), nullptr);
        if (!m_vstream || !m_astream) {
            return fail("the MP4 writer cannot add streams");
        }
        avcodec_parameters_from_context(m_vstream->codecpar, m_video.get());
        avcodec_parameters_from_context(m_astream->codecpar, m_audio.get());
        m_vstream->time_base = m_video->time_base;
        m_astream->time_base = m_audio->time_base;

        const int orc = avio_open(&m_out->pb, path.toUtf8().constData(), AVIO_FLAG_WRITE);
        if (orc < 0) {
            return fail(QStringLiteral("%1 cannot be written: %2")
                            .arg(path, QString::fromStdString(ff::errorText(orc))));
        }
        const int hrc = avformat_write_header(m_out.get(), nullptr);
        if (hrc < 0) {
            return fail("the MP4 header cannot be written: " +
                        QString::fromStdString(ff::errorText(hrc)));
        }
        m_headerWritten = true;
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
        m_packet = ff::makePacket();
        m_apacket = ff::makePacket();
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
        return encode(m_video.get(), m_frame.get(), m_vstream);
    }

    // Sound side, on a thread of its own: interleaved samples, a whole
    // number of frames at most audioFrameSize(), encoded into a queue that
    // the writing side empties.
    bool queueAudio(const float* interleaved, int frames, std::int64_t firstSample) {
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

    // Writing side: the sound packets encoded so far.
    bool writeQueuedAudio() {
        std::vector<AVPacket*> ready;
        {
            std::lock_guard lock(m_queueMutex);
            ready.swap(m_queue);
            if (!m_audioError.isEmpty()) {
                fail(m_audioError);
            }
        }
        bool ok = error.isEmpty();
        for (AVPacket* pkt : ready) {
            if (ok) {
                const int rc = av_interleaved_write_frame(m_out.get(), pkt);
                ok =
                    rc >= 0 || fail("writing failed: " + QString::fromStdString(ff::errorText(rc)));
            }
            av_packet_free(&pkt);
        }
        return ok;
    }

    bool finish() { return encode(m_video.get(), nullptr, m_vstream) && trailer(); }

    ~Mp4Writer() {
        if (m_headerWritten && !m_trailerWritten) {
            av_write_trailer(m_out.get());
        }
        for (AVPacket* pkt : m_queue) {
            av_packet_free(&pkt);
        }
    }

private:
    bool trailer() {
        m_trailerWritten = true;
        const int rc = av_write_trailer(m_out.get());
        return rc >= 0 || fail("the MP4 file cannot be finished: " +
                               QString::fromStdString(ff::errorText(rc)));
    }

    bool encode(AVCodecContext* codec, const AVFrame* frame, AVStream* stream) {
        int rc = avcodec_send_frame(codec, frame);
        if (rc < 0) {
            return fail("encoding failed: " + QString::fromStdString(ff::errorText(rc)));
        }
        while ((rc = avcodec_receive_packet(codec, m_packet.get())) >= 0) {
            av_packet_rescale_ts(m_packet.get(), codec->time_base, stream->time_base);
            m_packet->stream_index = stream->index;
            rc = av_interleaved_write_frame(m_out.get(), m_packet.get());
            if (rc < 0) {
                return fail("writing failed: " + QString::fromStdString(ff::errorText(rc)));
            }
        }
        return rc == AVERROR(EAGAIN) || rc == AVERROR_EOF ||
               fail("encoding failed: " + QString::fromStdString(ff::errorText(rc)));
    }

    bool encodeAudio(const AVFrame* frame) {
        int rc = avcodec_send_frame(m_audio.get(), frame);
        if (rc < 0) {
            return failAudio("sound encoding failed: " + QString::fromStdString(ff::errorText(rc)));
        }
        while ((rc = avcodec_receive_packet(m_audio.get(), m_apacket.get())) >= 0) {
            av_packet_rescale_ts(m_apacket.get(), m_audio->time_base, m_astream->time_base);
            m_apacket->stream_index = m_astream->index;
            std::lock_guard lock(m_queueMutex);
            m_queue.push_back(av_packet_clone(m_apacket.get()));
            av_packet_unref(m_apacket.get());
        }
        return rc == AVERROR(EAGAIN) || rc == AVERROR_EOF ||
               failAudio("sound encoding failed: " + QString::fromStdString(ff::errorText(rc)));
    }

    bool failAudio(const QString& text) {
        std::lock_guard lock(m_queueMutex);
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

    ff::Output m_out;
    ff::Codec m_video, m_audio;
    AVStream* m_vstream = nullptr;
    AVStream* m_astream = nullptr;
    ff::Frame m_frame, m_aframe;
    ff::Packet m_packet;
    ff::Packet m_apacket;
    std::mutex m_queueMutex;
    std::vector<AVPacket*> m_queue;
    QString m_audioError;
    ff::Sws m_sws;
    QImage m_previous;
    int m_fps = 25;
    bool m_headerWritten = false;
    bool m_trailerWritten = false;
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
            fine = writer.queueAudio(samples.data(), n, done);
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
        ok = writer.writeVideo(image, i) && writer.writeQueuedAudio();
        if (options.progress && (i % fps == 0 || i + 1 == frameCount)) {
            options.progress(std::min(totalMs, (i + 1) * 1000 / fps), totalMs);
        }
        result.frames = i + 1;
    }
    stopSound = !ok;
    sound.join();
    ok = ok && writer.writeQueuedAudio();
    ok = ok && writer.finish();
    result.renderSeconds = renderNs / 1e9;
    result.ok = ok;
    if (!ok) {
        result.error = writer.error;
    }
    return result;
}

}  // namespace brindle
