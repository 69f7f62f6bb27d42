#include "tests/support/avi_fixtures.h"

#include "platform/ffmpeg/handles.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

namespace brindle::test {
namespace {

QString recipeKey(const ClipRecipe& s) {
    return QStringLiteral("%1-%2-%3x%4-%5")
        .arg(s.codec)
        .arg(s.frames)
        .arg(s.width)
        .arg(s.height)
        .arg(s.sound ? "snd" : "mute");
}

QTemporaryDir& cacheDir() {
    static QTemporaryDir dir;
    return dir;
}

QString generate(const ClipRecipe& recipe) {
    static QHash<QString, QString> made;
    const QString key = recipeKey(recipe);
    if (made.contains(key)) {
        return made[key];
    }
    const QString out = cacheDir().filePath(key + ".avi");
    QStringList args{"-nostdin",
                     "-v",
                     "error",
                     "-y",
                     "-f",
                     "lavfi",
                     "-i",
                     QStringLiteral("testsrc2=s=%1x%2:r=15,trim=end_frame=%3")
                         .arg(recipe.width)
                         .arg(recipe.height)
                         .arg(recipe.frames)};
    if (recipe.sound) {
        // Sound a little longer than the pictures, so a cut at the end
        // has sound to cut.
        const double seconds = recipe.frames / 15.0 + 0.5;
        args << "-f"
             << "lavfi"
             << "-i"
             << QStringLiteral("sine=frequency=440:sample_rate=22050:duration=%1").arg(seconds);
    }
    if (recipe.codec == "mpeg4") {
        args << "-c:v"
             << "mpeg4"
             << "-g"
             << "15"
             << "-sc_threshold"
             << "1000000000"
             << "-q:v"
             << "4";
    } else if (recipe.codec == "mjpeg") {
        args << "-c:v"
             << "mjpeg"
             << "-q:v"
             << "4"
             << "-pix_fmt"
             << "yuvj420p";
    } else {
        // Bottom-up 24-bit rows, as capture programs write them.
        args << "-c:v"
             << "rawvideo"
             << "-pix_fmt"
             << "bgr24"
             << "-flipped_raw_rgb"
             << "1";
    }
    if (recipe.sound) {
        args << "-c:a"
             << "pcm_s16le"
             << "-ac"
             << "1";
    }
    args << out;
    QProcess ff;
    ff.start("ffmpeg", args);
    if (!ff.waitForFinished(60000) || ff.exitCode() != 0) {
        qWarning("ffmpeg failed: %s", ff.readAllStandardError().constData());
        return {};
    }
    made[key] = out;
    return out;
}

struct Reader {
    ff::Input in;
    int video = -1;
    int audio = -1;
};

Reader openReader(const QString& path) {
    Reader r;
    r.in = ff::openInput(path.toUtf8().constData());
    if (!r.in) {
        return r;
    }
    r.video = av_find_best_stream(r.in.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    r.audio = av_find_best_stream(r.in.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    return r;
}

ff::Codec openDecoder(const AVStream* st) {
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) {
        return nullptr;
    }
    ff::Codec c(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(c.get(), st->codecpar);
    c->thread_count = 1;
    if (avcodec_open2(c.get(), codec, nullptr) < 0) {
        return nullptr;
    }
    return c;
}

std::vector<std::uint8_t> toBgr(const AVFrame* f) {
    ff::Sws sws(sws_getContext(f->width, f->height, static_cast<AVPixelFormat>(f->format), f->width,
                               f->height, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr,
                               nullptr));
    ff::Frame bgr = ff::makeFrame();
    bgr->format = AV_PIX_FMT_BGR24;
    bgr->width = f->width;
    bgr->height = f->height;
    av_frame_get_buffer(bgr.get(), 0);
    sws_scale(sws.get(), f->data, f->linesize, 0, f->height, bgr->data, bgr->linesize);
    std::vector<std::uint8_t> out(std::size_t(f->width) * 3 * f->height);
    for (int y = 0; y < f->height; ++y) {
        std::copy_n(bgr->data[0] + std::ptrdiff_t(y) * bgr->linesize[0], f->width * 3,
                    out.begin() + std::ptrdiff_t(y) * f->width * 3);
    }
    return out;
}

}  // namespace

QString makeClip(const QString& dir, const ClipRecipe& recipe, const QString& name) {
    const QString made = generate(recipe);
    if (made.isEmpty()) {
        return {};
    }
    const QString dst = QDir(dir).filePath(name);
    QFile::remove(dst);
    if (!QFile::copy(made, dst)) {
        return {};
    }
    QFile::setPermissions(
        dst, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return dst;
}

ClipInfo readClip(const QString& path) {
    ClipInfo info;
    Reader r = openReader(path);
    if (!r.in || r.video < 0) {
        return info;
    }
    info.format = QString::fromUtf8(r.in->iformat->name);
    const AVStream* vs = r.in->streams[r.video];
    info.codec = QString::fromUtf8(avcodec_get_name(vs->codecpar->codec_id));
    info.width = vs->codecpar->width;
    info.height = vs->codecpar->height;
    ff::Codec dec = openDecoder(vs);
    ff::Packet pkt = ff::makePacket();
    ff::Frame frame = ff::makeFrame();
    auto drain = [&] {
        while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
            ++info.decodedFrames;
            av_frame_unref(frame.get());
        }
    };
    if (r.audio >= 0) {
        const AVCodecParameters* ap = r.in->streams[r.audio]->codecpar;
        info.sampleRate = ap->sample_rate;
        info.blockAlign = ap->block_align;
    }
    while (av_read_frame(r.in.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == r.video) {
            info.keys.push_back(pkt->flags & AV_PKT_FLAG_KEY);
            info.packets.emplace_back(reinterpret_cast<const char*>(pkt->data), pkt->size);
            if (dec && avcodec_send_packet(dec.get(), pkt.get()) >= 0) {
                drain();
            }
        } else if (pkt->stream_index == r.audio) {
            info.pcm.append(reinterpret_cast<const char*>(pkt->data), pkt->size);
        }
        av_packet_unref(pkt.get());
    }
    if (dec) {
        avcodec_send_packet(dec.get(), nullptr);
        drain();
    }
    if (info.blockAlign > 0) {
        info.audioSamples = info.pcm.size() / info.blockAlign;
    }
    info.ok = true;
    return info;
}

std::vector<std::uint8_t> decodeFrameBgr(const QString& path, std::int64_t n, int* width,
                                         int* height) {
    Reader r = openReader(path);
    if (!r.in || r.video < 0) {
        return {};
    }
    ff::Codec dec = openDecoder(r.in->streams[r.video]);
    ff::Packet pkt = ff::makePacket();
    ff::Frame frame = ff::makeFrame();
    std::int64_t index = 0;
    std::vector<std::uint8_t> out;
    auto drain = [&] {
        while (out.empty() && avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
            if (index++ == n) {
                out = toBgr(frame.get());
                if (width) {
                    *width = frame->width;
                }
                if (height) {
                    *height = frame->height;
                }
            }
            av_frame_unref(frame.get());
        }
    };
    while (out.empty() && av_read_frame(r.in.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == r.video && avcodec_send_packet(dec.get(), pkt.get()) >= 0) {
            drain();
        }
        av_packet_unref(pkt.get());
    }
    if (out.empty()) {
        avcodec_send_packet(dec.get(), nullptr);
        drain();
    }
    return out;
}

double psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) {
        return 0;
    }
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double d = double(a[i]) - double(b[i]);
        sum += d * d;
    }
    if (sum == 0) {
        return 99;
    }
    return 10 * std::log10(255.0 * 255.0 * double(a.size()) / sum);
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace brindle::test
