#include "tests/components/encoders/encoder_support.h"

#include "components/encoders/encoder_ids.h"
#include "platform/ffmpeg/handles.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <numbers>

namespace brindle::test {

QString makeTone(const QString& path, double frequency, double seconds, double amplitude, int rate,
                 int channels) {
    const QString expr = QString("%1*sin(2*PI*%2*t)").arg(amplitude).arg(frequency);
    const QString all = channels == 2 ? expr + "|" + expr : expr;
    runFfmpeg({"-f", "lavfi", "-i",
               QString("aevalsrc=%1:s=%2:d=%3").arg(all).arg(rate).arg(seconds), "-c:a",
               "pcm_s16le", path});
    return path;
}

QString makeClip(const QString& path, double seconds, int width, int height, int fps,
                 double toneFrequency) {
    QStringList args{
        "-f", "lavfi", "-i",
        QString("testsrc2=s=%1x%2:r=%3:d=%4").arg(width).arg(height).arg(fps).arg(seconds)};
    if (toneFrequency > 0) {
        args << "-f"
             << "lavfi"
             << "-i"
             << QString("aevalsrc=0.4*sin(2*PI*%1*t):s=22050:d=%2").arg(toneFrequency).arg(seconds)
             << "-c:a"
             << "pcm_s16le";
    }
    args << "-c:v"
         << "mpeg4"
         << "-q:v"
         << "5"
         << "-g"
         << "15" << path;
    runFfmpeg(args);
    return path;
}

EncoderUnderTest::EncoderUnderTest(const QString& library) {
    av_log_set_level(AV_LOG_ERROR);  // the encoders' warnings about clipped coefficients
    QString error;
    m_host = dispatch::ControlHost::load(library, &m_parent, &error);
    if (m_host) {
        QObject::connect(m_host.get(), &dispatch::ControlHost::event, m_host.get(),
                         [this](int id, const QVariantList& args) {
                             m_events.push_back({id, args});
                         });
    }
}

EncoderUnderTest::~EncoderUnderTest() = default;

bool EncoderUnderTest::waitComplete(int timeoutMs) {
    return waitEvent(encoders::EncodeComplete, timeoutMs) && completions() > 0;
}

bool EncoderUnderTest::waitEvent(int id, int timeoutMs) {
    auto seen = [this, id] {
        return std::any_of(m_events.begin(), m_events.end(), [id](const Event& e) {
            return e.id == id || e.id == encoders::EncodeComplete;
        });
    };
    if (!seen()) {
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        QObject::connect(m_host.get(), &dispatch::ControlHost::event, &loop, [&] {
            if (seen()) {
                loop.quit();
            }
        });
        loop.exec();
    }
    return seen();
}

std::vector<int> EncoderUnderTest::firstArguments(int id) const {
    std::vector<int> values;
    for (const Event& e : m_events) {
        if (e.id == id) {
            values.push_back(e.args.value(0).toInt());
        }
    }
    return values;
}

std::vector<int> EncoderUnderTest::errorCodes() const {
    return firstArguments(encoders::EncodeError);
}

std::vector<int> EncoderUnderTest::progress() const {
    return firstArguments(encoders::EncodeProgress);
}

int EncoderUnderTest::completions() const {
    int n = 0;
    for (const Event& e : m_events) {
        n += e.id == encoders::EncodeComplete;
    }
    return n;
}

namespace {

struct Decoder {
    ff::Input in;
    ff::Codec codec;
    int stream = -1;
};

bool openStream(const QString& path, AVMediaType type, Decoder* d) {
    d->in = ff::openInput(QFile::encodeName(path).constData());
    if (!d->in) {
        return false;
    }
    const AVCodec* codec = nullptr;
    d->stream = av_find_best_stream(d->in.get(), type, -1, -1, &codec, 0);
    if (d->stream < 0) {
        return false;
    }
    d->codec.reset(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(d->codec.get(), d->in->streams[d->stream]->codecpar);
    return avcodec_open2(d->codec.get(), codec, nullptr) >= 0;
}

// Decodes every packet of the stream, handing each frame to fn; answers
// the number of refused packets and frames.
template <class Fn>
int decodeAll(Decoder& d, Fn fn, int* packets = nullptr, int* largest = nullptr) {
    ff::Packet pkt = ff::makePacket();
    ff::Frame frame = ff::makeFrame();
    int errors = 0;
    auto drain = [&] {
        for (;;) {
            const int rc = avcodec_receive_frame(d.codec.get(), frame.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
                return;
            }
            if (rc < 0) {
                ++errors;
                return;
            }
            fn(frame.get());
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(d.in.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == d.stream) {
            if (packets) {
                ++*packets;
            }
            if (largest && pkt->size > *largest) {
                *largest = pkt->size;
            }
            if (avcodec_send_packet(d.codec.get(), pkt.get()) < 0) {
                ++errors;
            }
            drain();
        }
        av_packet_unref(pkt.get());
    }
    avcodec_send_packet(d.codec.get(), nullptr);
    drain();
    return errors;
}

}  // namespace

SoundRead readSound(const QString& path) {
    SoundRead out;
    Decoder d;
    if (!openStream(path, AVMEDIA_TYPE_AUDIO, &d)) {
        return out;
    }
    out.codec = d.codec->codec->name;
    out.rate = d.codec->sample_rate;
    out.streams = static_cast<int>(d.in->nb_streams);
    out.containerSeconds = d.in->duration > 0 ? double(d.in->duration) / AV_TIME_BASE : 0;
    SwrContext* raw = nullptr;
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    swr_alloc_set_opts2(&raw, &mono, AV_SAMPLE_FMT_FLT, out.rate, &d.codec->ch_layout,
                        d.codec->sample_fmt, d.codec->sample_rate, 0, nullptr);
    ff::Swr swr(raw);
    swr_init(swr.get());
    decodeAll(d, [&](AVFrame* f) {
        const std::size_t old = out.samples.size();
        out.samples.resize(old + f->nb_samples + 64);
        auto* dst = reinterpret_cast<std::uint8_t*>(out.samples.data() + old);
        const int got =
            swr_convert(swr.get(), &dst, f->nb_samples + 64,
                        const_cast<const std::uint8_t**>(f->extended_data), f->nb_samples);
        out.samples.resize(old + std::max(got, 0));
    });
    return out;
}

VideoRead readVideo(const QString& path) {
    VideoRead out;
    Decoder d;
    if (!openStream(path, AVMEDIA_TYPE_VIDEO, &d)) {
        return out;
    }
    out.codec = d.codec->codec->name;
    out.width = d.codec->width;
    out.height = d.codec->height;
    out.streams = static_cast<int>(d.in->nb_streams);
    for (unsigned i = 0; i < d.in->nb_streams; ++i) {
        out.hasSound |= d.in->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
    }
    out.decodeErrors = decodeAll(
        d, [&](AVFrame*) { ++out.frames; }, &out.packets, &out.largestPacket);
    return out;
}

double rms(const SoundRead& s, double from, double to) {
    const auto a = static_cast<std::size_t>(std::max(0.0, from * s.rate));
    const auto b = std::min(s.samples.size(), static_cast<std::size_t>(to * s.rate));
    if (b <= a) {
        return 0;
    }
    double sum = 0;
    for (std::size_t i = a; i < b; ++i) {
        sum += double(s.samples[i]) * s.samples[i];
    }
    return std::sqrt(sum / double(b - a));
}

double toneAmplitude(const SoundRead& s, double frequency, double from, double to) {
    const auto a = static_cast<std::size_t>(std::max(0.0, from * s.rate));
    const auto b = std::min(s.samples.size(), static_cast<std::size_t>(to * s.rate));
    if (b <= a) {
        return 0;
    }
    // Correlation with a sine and a cosine of the frequency.
    double re = 0, im = 0;
    const double w = 2 * std::numbers::pi * frequency / s.rate;
    for (std::size_t i = a; i < b; ++i) {
        re += s.samples[i] * std::cos(w * double(i));
        im += s.samples[i] * std::sin(w * double(i));
    }
    return 2 * std::hypot(re, im) / double(b - a);
}

}  // namespace brindle::test
