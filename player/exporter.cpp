#include "player/exporter.h"

#include "platform/ffmpeg/writer.h"
#include "player/presentation_audio.h"
#include "player/renderer.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

namespace brindle {
namespace {

constexpr int kAudioBitRate = 128000;
constexpr int kMaxSoundParts = 2;
// Sound this long or longer is coded in two parts side by side.
constexpr std::int64_t kTwoSoundPartsMs = 20000;
// Sound frames each part is fed past its edges.
constexpr std::int64_t kEdgeFrames = 2;

QString errorText(int code) {
    return QString::fromStdString(ff::errorText(code));
}

class Mp4Writer {
public:
    QString error;
    QString videoCodecName;

    bool open(const QString& path, QSize size, int fps, int soundParts) {
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

        // One AAC encoder per part of the sound, all set alike, so that the
        // packets of each decode with the first one's stream header.
        m_parts.resize(static_cast<std::size_t>(std::clamp(soundParts, 1, kMaxSoundParts)));
        for (SoundPart& part : m_parts) {
            part.encoder.reset(avcodec_alloc_context3(acodec));
            AVCodecContext* a = part.encoder.get();
            a->sample_rate = PresentationAudio::kRate;
            av_channel_layout_default(&a->ch_layout, PresentationAudio::kChannels);
            a->sample_fmt = AV_SAMPLE_FMT_FLTP;
            a->bit_rate = kAudioBitRate;
            a->time_base = AVRational{1, PresentationAudio::kRate};
            if (globalHeader) {
                a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
            }
            const int arc = avcodec_open2(a, acodec, nullptr);
            if (arc < 0) {
                return fail("the AAC encoder refused: " + errorText(arc));
            }
            part.packet = ff::makePacket();
        }
        AVCodecContext* const firstAudio = m_parts.front().encoder.get();

        // The file is made once the encoders are ready, so a refusal leaves
        // an earlier export in place.
        const ff::Status opened = m_file.open(path.toUtf8().constData(), "mp4");
        if (!opened.ok()) {
            return fail(
                QStringLiteral("%1 cannot be written: %2").arg(path, errorText(opened.code)));
        }
        ff::Status added;
        m_vstream = m_file.addStream(m_video.get(), &added);
        m_astream = m_vstream < 0 ? -1 : m_file.addStream(firstAudio, &added);
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
        m_audioFrameSize = firstAudio->frame_size > 0 ? firstAudio->frame_size : 1024;
        for (SoundPart& part : m_parts) {
            part.frame = ff::makeFrame();
            part.frame->format = AV_SAMPLE_FMT_FLTP;
            part.frame->sample_rate = PresentationAudio::kRate;
            av_channel_layout_copy(&part.frame->ch_layout, &firstAudio->ch_layout);
            part.frame->nb_samples = m_audioFrameSize;
            if (av_frame_get_buffer(part.frame.get(), 0) < 0) {
                return fail("out of memory");
            }
        }
        m_sws.reset(sws_getContext(size.width(), size.height(), AV_PIX_FMT_BGRA, size.width(),
                                   size.height(), AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr,
                                   nullptr, nullptr));
        return m_sws != nullptr || fail("no colour converter");
    }

    int audioFrameSize() const { return m_audioFrameSize; }
    int soundParts() const { return static_cast<int>(m_parts.size()); }

    // Part i's packets are kept when their time lies in [keepFrom, keepTo)
    // (in samples); the others code the sound around the edges only.
    void setKept(int part, std::int64_t keepFrom, std::int64_t keepTo) {
        m_parts[static_cast<std::size_t>(part)].keepFrom = keepFrom;
        m_parts[static_cast<std::size_t>(part)].keepTo = keepTo;
    }

    // redrawn: the renderer drew the image again since the last call; when
    // it did not, the picture is the one before without comparing.
    bool writeVideo(const QImage& image, std::int64_t index, bool redrawn) {
        // Most frames of a slide show repeat the one before: those keep the
        // converted picture.
        const bool same = !m_previous.isNull() && (!redrawn || image == m_previous);
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

    // Sound side, each part on a thread of its own: interleaved samples, at
    // most audioFrameSize() frames, firstSample counted from the start of
    // the time line. A failure is kept for the writing side to report.
    bool writeAudio(int part, const float* interleaved, int frames, std::int64_t firstSample) {
        AVFrame* f = m_parts[static_cast<std::size_t>(part)].frame.get();
        if (av_frame_make_writable(f) < 0) {
            return failAudio("out of memory");
        }
        f->nb_samples = frames;
        for (int c = 0; c < PresentationAudio::kChannels; ++c) {
            auto* plane = reinterpret_cast<float*>(f->data[c]);
            for (int i = 0; i < frames; ++i) {
                plane[i] = interleaved[i * PresentationAudio::kChannels + c];
            }
        }
        f->pts = firstSample;
        return encodeAudio(part, f);
    }
    bool flushAudio(int part) { return encodeAudio(part, nullptr); }

    // The first part has written all it keeps: the packets the later part
    // held back follow, and from now on it writes its own. Called once, also
    // after a failure.
    void firstPartDone() {
        std::lock_guard lock(m_heldMutex);
        for (ff::Packet& held : m_held) {
            writeHeld(held.get());
        }
        m_held.clear();
        m_firstPartDone = true;
    }

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

    bool encodeAudio(int index, const AVFrame* frame) {
        SoundPart& part = m_parts[static_cast<std::size_t>(index)];
        const ff::Status status =
            ff::encode(part.encoder.get(), frame, part.packet.get(), [&](AVPacket* packet) {
                if (packet->pts < part.keepFrom || packet->pts >= part.keepTo) {
                    return ff::Status{};
                }
                if (index == 0) {
                    return m_file.write(m_astream, packet);
                }
                std::lock_guard lock(m_heldMutex);
                if (!m_firstPartDone) {
                    m_held.emplace_back(av_packet_clone(packet));
                    return m_held.back()
                               ? ff::Status{}
                               : ff::Status::failed(ff::Status::Step::Output, AVERROR(ENOMEM));
                }
                return m_file.write(m_astream, packet);
            });
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

    // A held packet written once the first part is done; m_heldMutex held.
    void writeHeld(AVPacket* packet) {
        const ff::Status status = m_file.write(m_astream, packet);
        if (!status.ok()) {
            failAudio("writing failed: " + errorText(status.code));
        }
    }

    struct SoundPart {
        ff::Codec encoder;
        ff::Frame frame;
        ff::Packet packet;
        std::int64_t keepFrom = std::numeric_limits<std::int64_t>::min();
        std::int64_t keepTo = std::numeric_limits<std::int64_t>::max();
    };

    // Declared before the file, which uses them to the end.
    ff::Codec m_video;
    std::vector<SoundPart> m_parts;
    ff::Writer m_file;
    int m_vstream = -1;
    int m_astream = -1;
    int m_audioFrameSize = 1024;
    ff::Frame m_frame;
    std::mutex m_audioMutex;
    QString m_audioError;
    // Packets of the later sound part, kept until the first part is done.
    std::mutex m_heldMutex;
    std::vector<ff::Packet> m_held;
    bool m_firstPartDone = false;
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
    const std::int64_t totalMs = presentation.durationMs;
    const std::int64_t totalSamples = totalMs * PresentationAudio::kRate / 1000;
    int soundParts = options.soundParts;
    if (soundParts <= 0) {
        soundParts = totalMs >= kTwoSoundPartsMs && std::thread::hardware_concurrency() > 1 ? 2 : 1;
    }
    Mp4Writer writer;
    if (!writer.open(outPath, size, fps, soundParts)) {
        result.error = writer.error;
        return result;
    }
    result.videoCodec = writer.videoCodecName;
    Renderer renderer(presentation);
    const std::int64_t frameCount = (totalMs * fps + 999) / 1000;
    QImage image(size, QImage::Format_RGB32);
    QElapsedTimer renderClock;
    qint64 renderNs = 0;
    // The sound is mixed and encoded beside the pictures, in parts that
    // meet at whole sound frames. Each part is fed kEdgeFrames frames past
    // its edges, so the blocks at an edge are coded from the sound around
    // it as one encoder would code them, and keeps only its own packets.
    const std::int64_t frame = writer.audioFrameSize();
    const std::int64_t edge = kEdgeFrames * frame;
    const int parts = writer.soundParts();
    std::vector<std::int64_t> bounds{0};
    for (int k = 1; k < parts; ++k) {
        bounds.push_back(totalSamples * k / parts / frame * frame);
    }
    bounds.push_back(totalSamples);
    std::atomic<bool> stopSound{false};
    auto soundPart = [&](int k) {
        const bool last = k + 1 == parts;
        const std::int64_t feedFrom = k == 0 ? 0 : bounds[k] - edge;
        const std::int64_t feedTo = last ? totalSamples : bounds[k + 1] + edge;
        writer.setKept(k, k == 0 ? std::numeric_limits<std::int64_t>::min() : bounds[k],
                       last ? std::numeric_limits<std::int64_t>::max() : bounds[k + 1]);
        // Each part mixes from the start, so its samples are those of one
        // pass over the time line; only the mixing is repeated, not coded.
        PresentationAudio audio(presentation);
        std::vector<float> samples(static_cast<std::size_t>(frame) * PresentationAudio::kChannels);
        std::int64_t done = 0;
        bool fine = true;
        while (fine && !stopSound && done < feedTo) {
            const std::int64_t upTo = done < feedFrom ? feedFrom : feedTo;
            const int want = static_cast<int>(std::min<std::int64_t>(frame, upTo - done));
            const int n = audio.read(samples.data(), want);
            if (n <= 0) {
                break;
            }
            if (done >= feedFrom) {
                fine = writer.writeAudio(k, samples.data(), n, done);
            }
            done += n;
        }
        if (fine) {
            writer.flushAudio(k);
        }
        if (k == 0) {
            writer.firstPartDone();
        }
    };
    std::vector<std::thread> sound;
    for (int k = 0; k < parts; ++k) {
        sound.emplace_back(soundPart, k);
    }
    bool ok = true;
    std::int64_t lastMs = 0;
    for (std::int64_t i = 0; ok && i < std::max<std::int64_t>(frameCount, 1); ++i) {
        const std::int64_t ms = i * 1000 / fps;
        renderClock.start();
        const bool redraw = i == 0 || !renderer.unchangedBetween(lastMs, ms);
        if (redraw) {
            renderer.render(ms, image);
        }
        lastMs = ms;
        renderNs += renderClock.nsecsElapsed();
        ok = writer.writeVideo(image, i, redraw) && writer.audioFine();
        if (options.progress && (i % fps == 0 || i + 1 == frameCount)) {
            options.progress(std::min(totalMs, (i + 1) * 1000 / fps), totalMs);
        }
        result.frames = i + 1;
    }
    stopSound = !ok;
    for (std::thread& t : sound) {
        t.join();
    }
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
