#include "platform/vfw/device_input.h"

#include "platform/ffmpeg/handles.h"
#include "platform/vfw/device_modes.h"
#include "platform/vfw/frame_stamp.h"

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace brindle::vfw {
namespace {

void registerDevices() {
    static std::once_flag once;
    std::call_once(once, [] { avdevice_register_all(); });
}

int interruptRequested(void* flag) {
    return static_cast<std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

// Opens a libavdevice input, interruptible through stop.
ff::Input openDevice(const char* formatName, const std::string& url, AVDictionary** options,
                     std::atomic<bool>* stop, std::string* why) {
    registerDevices();
    const AVInputFormat* format = av_find_input_format(formatName);
    if (!format) {
        *why = std::string("no ") + formatName + " input in this FFmpeg";
        return nullptr;
    }
    AVFormatContext* raw = avformat_alloc_context();
    raw->interrupt_callback.callback = interruptRequested;
    raw->interrupt_callback.opaque = stop;
    const int rc = avformat_open_input(&raw, url.c_str(), format, options);
    if (rc < 0) {
        *why = url + ": " + ff::errorText(rc);
        return nullptr;  // avformat_open_input freed the context
    }
    ff::Input in(raw);
    if (in->nb_streams < 1) {
        *why = url + ": no stream";
        return nullptr;
    }
    return in;
}

AVPixelFormat pixelFormatOf(std::uint32_t compression) {
    switch (compression) {
        case kFourccI420:
            return AV_PIX_FMT_YUV420P;
        case kFourccYVU9:
            return AV_PIX_FMT_YUV410P;
        default:
            return AV_PIX_FMT_BGR24;
    }
}

}  // namespace

struct VideoInput::State {
    ff::Input input;
    ff::Codec decoder;
    ff::Sws sws;
    AVPixelFormat swsFrom = AV_PIX_FMT_NONE;
    AVPixelFormat swsTo = AV_PIX_FMT_NONE;
};

namespace {

// The synthetic cameras a reader holds: like a real camera, each streams to
// one reader at a time, and a second one finds it busy.
std::mutex gHeldMutex;
std::vector<int> gHeld;

bool holdSynthetic(int index) {
    std::lock_guard lock(gHeldMutex);
    if (std::find(gHeld.begin(), gHeld.end(), index) != gHeld.end()) {
        return false;
    }
    gHeld.push_back(index);
    return true;
}

void releaseSynthetic(int index) {
    std::lock_guard lock(gHeldMutex);
    gHeld.erase(std::remove(gHeld.begin(), gHeld.end(), index), gHeld.end());
}

}  // namespace

VideoInput::~VideoInput() {
    stop();
    m_state.reset();
    if (m_heldSynthetic >= 0) {
        releaseSynthetic(m_heldSynthetic);
    }
}

std::unique_ptr<VideoInput> VideoInput::open(const DriverInfo& driver, FrameSize size,
                                             std::uint32_t microSecPerFrame, std::string* why) {
    std::string ignored;
    if (!why) {
        why = &ignored;
    }
    if (microSecPerFrame == 0) {
        *why = "a frame period of 0";
        return nullptr;
    }
    if (frameBytes(size.width, size.height, dib::kBiRgb, 24) == 0) {
        *why = "frame size out of range";
        return nullptr;
    }
    const std::string sizeText = std::to_string(size.width) + "x" + std::to_string(size.height);
    // The device runs at the period it offers closest to the one asked for,
    // in the pixel format that offers it.
    const std::vector<DeviceMode> modes = deviceModes(driver);
    const std::optional<ModeChoice> mode = modeFor(driver, modes, size, microSecPerFrame);
    if (!mode && !modes.empty() && !driver.synthetic) {
        *why = driver.name + ": frame size " + sizeText + " not offered";
        return nullptr;
    }
    std::unique_ptr<VideoInput> v(new VideoInput);
    v->m_state = std::make_unique<State>();
    v->m_usPerFrame = mode ? mode->periodUs : microSecPerFrame;
    const std::string rate = "1000000/" + std::to_string(v->m_usPerFrame);
    AVDictionary* options = nullptr;
    if (driver.synthetic) {
        const SyntheticConfig config = SyntheticConfig::fromEnvironment();
        if (config.isBusy(driver.syntheticIndex) || !holdSynthetic(driver.syntheticIndex)) {
            *why = driver.name + ": device busy";
            return nullptr;
        }
        v->m_heldSynthetic = driver.syntheticIndex;  // let go when v goes
        if (config.refuses(size)) {
            *why = driver.name + ": frame size " + sizeText + " refused";
            return nullptr;
        }
        v->m_vanishAfter = config.framesBeforeVanishing;
        v->m_stampFrames = true;
        // A camera that loses frames drops them before they are paced, so
        // the frames after a loss come late, as a real camera's do.
        const std::string lose = config.loseEvery > 1
                                     ? ",select='mod(n+1," + std::to_string(config.loseEvery) + ")'"
                                     : std::string();
        const std::string graph =
            "testsrc2=size=" + sizeText + ":rate=" + rate + lose + ",format=yuv420p,realtime";
        v->m_state->input = openDevice("lavfi", graph, &options, &v->m_stop, why);
    } else {
        av_dict_set(&options, "video_size", sizeText.c_str(), 0);
        av_dict_set(&options, "framerate", rate.c_str(), 0);
        if (const char* name = mode ? inputFormatName(mode->pixelFormat) : nullptr) {
            av_dict_set(&options, "input_format", name, 0);
        }
        v->m_state->input = openDevice("v4l2", driver.device, &options, &v->m_stop, why);
    }
    av_dict_free(&options);
    if (!v->m_state->input) {
        return nullptr;
    }
    const AVCodecParameters* par = v->m_state->input->streams[0]->codecpar;
    if (par->codec_type != AVMEDIA_TYPE_VIDEO || par->width <= 0 || par->height <= 0) {
        *why = driver.name + ": not a video device";
        return nullptr;
    }
    // The device may round the size; the capture format follows what it gives.
    v->m_size = FrameSize{par->width, par->height};
    // And the rate it settled on is the one its frames come at.
    const AVRational settled = v->m_state->input->streams[0]->avg_frame_rate;
    if (!driver.synthetic && settled.num > 0 && settled.den > 0) {
        if (const std::uint32_t us = periodUs(static_cast<std::uint32_t>(settled.den),
                                              static_cast<std::uint32_t>(settled.num))) {
            v->m_usPerFrame = us;
        }
    }
    if (frameBytes(v->m_size.width, v->m_size.height, dib::kBiRgb, 24) == 0) {
        *why = driver.name + ": frame size out of range";
        return nullptr;
    }
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) {
        *why = driver.name + ": no decoder for its frames";
        return nullptr;
    }
    v->m_state->decoder.reset(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(v->m_state->decoder.get(), par);
    v->m_state->decoder->thread_count = 1;
    if (avcodec_open2(v->m_state->decoder.get(), codec, nullptr) < 0) {
        *why = driver.name + ": cannot decode its frames";
        return nullptr;
    }
    BitmapInfoHeader h;
    h.biWidth = v->m_size.width;
    h.biHeight = v->m_size.height;
    h.biBitCount = 24;
    h.biCompression = dib::kBiRgb;
    h.biSizeImage = static_cast<std::uint32_t>(frameBytes(h));
    v->m_format = h;
    return v;
}

bool VideoInput::setOutputFormat(const BitmapInfoHeader& format) {
    if (format.biWidth != m_size.width || std::abs(format.biHeight) != m_size.height ||
        frameBytes(format) == 0) {
        return false;
    }
    std::lock_guard lock(m_formatMutex);
    m_format = format;
    return true;
}

BitmapInfoHeader VideoInput::outputFormat() const {
    std::lock_guard lock(m_formatMutex);
    return m_format;
}

void VideoInput::start(FrameHandler onFrame, EndHandler onEnd) {
    stop();
    m_onFrame = std::move(onFrame);
    m_onEnd = std::move(onEnd);
    m_stop = false;
    m_thread = std::thread([this] { run(); });
}

void VideoInput::stop() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void VideoInput::run() {
    State& s = *m_state;
    ff::Packet packet = ff::makePacket();
    ff::Frame frame = ff::makeFrame();
    const AVCodecParameters* par = s.input->streams[0]->codecpar;
    const AVRational timeBase = s.input->streams[0]->time_base;
    const bool raw = par->codec_id == AV_CODEC_ID_RAWVIDEO;
    const int rawBytes = raw ? av_image_get_buffer_size(static_cast<AVPixelFormat>(par->format),
                                                        par->width, par->height, 1)
                             : 0;
    std::int64_t delivered = 0;
    std::int64_t firstPts = AV_NOPTS_VALUE;
    std::string why;
    while (!m_stop) {
        if (m_vanishAfter >= 0 && delivered >= m_vanishAfter) {
            why = "the device vanished";
            break;
        }
        const int rc = av_read_frame(s.input.get(), packet.get());
        if (rc == AVERROR(EAGAIN)) {
            continue;
        }
        if (rc < 0) {
            why = m_stop ? std::string() : "the device stopped: " + ff::errorText(rc);
            break;
        }
        // A raw frame must be exactly one frame of the negotiated size: a
        // short or oversized buffer is the device's fault, never copied.
        if (raw && packet->size != rawBytes) {
            why = "the device handed " + std::to_string(packet->size) + " bytes for a " +
                  std::to_string(par->width) + "x" + std::to_string(par->height) + " frame";
            av_packet_unref(packet.get());
            break;
        }
        const std::int64_t pts = packet->pts;
        if (avcodec_send_packet(s.decoder.get(), packet.get()) < 0) {
            av_packet_unref(packet.get());
            continue;
        }
        av_packet_unref(packet.get());
        while (avcodec_receive_frame(s.decoder.get(), frame.get()) == 0) {
            if (frame->width != m_size.width || frame->height != m_size.height) {
                why = "the device changed its frame size";
                av_frame_unref(frame.get());
                break;
            }
            if (firstPts == AV_NOPTS_VALUE) {
                firstPts = pts;
            }
            VideoFrame out;
            out.format = outputFormat();
            if (pts != AV_NOPTS_VALUE) {
                out.timeUs = av_rescale_q(pts - firstPts, timeBase, AVRational{1, 1000000});
            }
            if (m_stampFrames && frame->format == AV_PIX_FMT_YUV420P) {
                // The number of the frame in the source, so a lost frame
                // shows as a jump in the counter.
                const std::int64_t number = pts == AV_NOPTS_VALUE
                                                ? delivered
                                                : (out.timeUs + m_usPerFrame / 2) / m_usPerFrame;
                stampFrameNumber(frame->data[0], frame->linesize[0], frame->width, frame->height,
                                 static_cast<std::uint32_t>(number));
                greyStampChroma(frame->data[1], frame->linesize[1], frame->data[2],
                                frame->linesize[2], frame->width, frame->height);
            }
            const AVPixelFormat to = pixelFormatOf(out.format.biCompression);
            const auto from = static_cast<AVPixelFormat>(frame->format);
            if (!s.sws || s.swsFrom != from || s.swsTo != to) {
                s.sws.reset(sws_getContext(m_size.width, m_size.height, from, m_size.width,
                                           m_size.height, to, SWS_BILINEAR, nullptr, nullptr,
                                           nullptr));
                s.swsFrom = from;
                s.swsTo = to;
            }
            const std::uint64_t bytes = frameBytes(out.format);
            if (!s.sws || bytes == 0) {
                av_frame_unref(frame.get());
                continue;
            }
            out.bits.assign(bytes, 0);
            std::uint8_t* planes[4] = {};
            int strides[4] = {};
            const int w = m_size.width;
            const int h = m_size.height;
            if (to == AV_PIX_FMT_BGR24) {
                // Bottom-up rows, as a bitmap keeps them.
                const int stride = static_cast<int>(dib::rowBytes(w, 24));
                planes[0] = out.bits.data() + std::size_t(stride) * (h - 1);
                strides[0] = -stride;
            } else {
                const int div = to == AV_PIX_FMT_YUV420P ? 2 : 4;
                const int cw = (w + div - 1) / div;
                const int ch = (h + div - 1) / div;
                std::uint8_t* y = out.bits.data();
                std::uint8_t* first = y + std::size_t(w) * h;
                std::uint8_t* second = first + std::size_t(cw) * ch;
                planes[0] = y;
                strides[0] = w;
                // I420 keeps U before V; YVU9 keeps V before U.
                planes[1] = to == AV_PIX_FMT_YUV420P ? first : second;
                planes[2] = to == AV_PIX_FMT_YUV420P ? second : first;
                strides[1] = strides[2] = cw;
            }
            if (from == to && to == AV_PIX_FMT_YUV420P) {
                // Same layout: the planes are copied, not converted.
                av_image_copy(planes, strides, const_cast<const std::uint8_t**>(frame->data),
                              frame->linesize, to, w, h);
            } else {
                sws_scale(s.sws.get(), frame->data, frame->linesize, 0, h, planes, strides);
            }
            av_frame_unref(frame.get());
            ++delivered;
            if (m_onFrame) {
                m_onFrame(std::move(out));
            }
        }
        if (!why.empty()) {
            break;
        }
    }
    if (!m_stop && m_onEnd) {
        m_onEnd(why.empty() ? "the device stopped" : why);
    }
}

struct AudioInput::State {
    ff::Input input;
};

AudioInput::~AudioInput() {
    stop();
}

std::unique_ptr<AudioInput> AudioInput::open(const WaveFormat& format, std::string* why) {
    std::string ignored;
    if (!why) {
        why = &ignored;
    }
    if (!format.valid()) {
        *why = "not a recordable sound format";
        return nullptr;
    }
    std::unique_ptr<AudioInput> a(new AudioInput);
    a->m_state = std::make_unique<State>();
    a->m_format = format;
    const std::string rate = std::to_string(format.samplesPerSec);
    const std::string channels = std::to_string(format.channels);
    // Buffers of about a tenth of a second, as the capture's wave buffers.
    const std::uint32_t bufferBytes =
        std::max<std::uint32_t>(256, format.samplesPerSec / 10 * 2 * format.channels);
    AVDictionary* options = nullptr;
    const char* source = std::getenv("BRINDLE_CAPTURE_AUDIO");
    if (source && std::strcmp(source, "tone") == 0) {
        const std::string graph = "sine=frequency=440:sample_rate=" + rate + ":samples_per_frame=" +
                                  std::to_string(bufferBytes / 2 / format.channels) +
                                  ",aformat=sample_fmts=s16:channel_layouts=" +
                                  (format.channels == 1 ? "mono" : "stereo") + ",arealtime";
        a->m_state->input = openDevice("lavfi", graph, &options, &a->m_stop, why);
    } else {
        av_dict_set(&options, "sample_rate", rate.c_str(), 0);
        av_dict_set(&options, "channels", channels.c_str(), 0);
        av_dict_set(&options, "frame_size", std::to_string(bufferBytes).c_str(), 0);
        av_dict_set(&options, "fragment_size", std::to_string(bufferBytes).c_str(), 0);
        av_dict_set(&options, "stream_name", "Video capture", 0);
        a->m_state->input = openDevice("pulse", "default", &options, &a->m_stop, why);
    }
    av_dict_free(&options);
    if (!a->m_state->input) {
        return nullptr;
    }
    const AVCodecParameters* par = a->m_state->input->streams[0]->codecpar;
    if (par->codec_id != AV_CODEC_ID_PCM_S16LE || par->ch_layout.nb_channels != format.channels ||
        par->sample_rate != int(format.samplesPerSec)) {
        *why = "the sound source did not take the format";
        return nullptr;
    }
    return a;
}

void AudioInput::start(BufferHandler onBuffer, EndHandler onEnd) {
    stop();
    m_onBuffer = std::move(onBuffer);
    m_onEnd = std::move(onEnd);
    m_stop = false;
    m_thread = std::thread([this] { run(); });
}

void AudioInput::stop() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void AudioInput::run() {
    ff::Packet packet = ff::makePacket();
    std::string why;
    while (!m_stop) {
        const int rc = av_read_frame(m_state->input.get(), packet.get());
        if (rc == AVERROR(EAGAIN)) {
            continue;
        }
        if (rc < 0) {
            why = "the sound source stopped: " + ff::errorText(rc);
            break;
        }
        const std::size_t samples = static_cast<std::size_t>(packet->size) / 2;
        std::vector<std::uint8_t> out = pcmFromS16(
            reinterpret_cast<const std::int16_t*>(packet->data), samples, m_format.bitsPerSample);
        av_packet_unref(packet.get());
        if (m_onBuffer && !out.empty()) {
            m_onBuffer(std::move(out));
        }
    }
    if (!m_stop && m_onEnd) {
        m_onEnd(why);
    }
}

std::vector<std::uint8_t> pcmFromS16(const std::int16_t* samples, std::size_t count,
                                     unsigned bitsPerSample) {
    std::vector<std::uint8_t> out;
    if (bitsPerSample == 8) {
        out.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = static_cast<std::uint8_t>((samples[i] >> 8) + 128);
        }
    } else {
        out.resize(count * 2);
        std::memcpy(out.data(), samples, count * 2);
    }
    return out;
}

}  // namespace brindle::vfw
