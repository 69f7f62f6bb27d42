#include "platform/vfw/compressors.h"

#include "platform/ffmpeg/handles.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cctype>
#include <cstring>

namespace brindle::vfw {
namespace {

struct Known {
    const char* handler;
    const char* description;
    const char* encoder;
    std::uint32_t aviTag;
    std::uint32_t configSize;
    std::uint32_t configTag;
};

constexpr Known kKnown[] = {
    {"zq5a", "Brindle MPEG-4 Video (zq5a)", "mpeg4", fourcc('F', 'M', 'P', '4'), 88,
     fourcc('Z', 'Q', '5', 'A')},
    {"zq4a", "Brindle MPEG-4 Video (zq4a)", "mpeg4", fourcc('F', 'M', 'P', '4'), 80,
     fourcc('Z', 'Q', '4', 'A')},
    {"MJPG", "Motion JPEG", "mjpeg", fourcc('M', 'J', 'P', 'G'), 0, 0},
    {"cvid", "Cinepak Video", "cinepak", fourcc('c', 'v', 'i', 'd'), 0, 0},
};

std::uint32_t lowerCode(std::uint32_t code) {
    std::uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>((code >> (8 * i)) & 0xff);
        out |= std::uint32_t(std::tolower(c)) << (8 * i);
    }
    return out;
}

AVPixelFormat inputPixelFormat(const BitmapInfoHeader& in) {
    switch (in.biCompression) {
        case dib::kBiRgb:
            return in.biBitCount == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_NONE;
        case kFourccI420:
            return AV_PIX_FMT_YUV420P;
        case kFourccYVU9:
            return AV_PIX_FMT_YUV410P;
        default:
            return AV_PIX_FMT_NONE;
    }
}

bool canCompress(const BitmapInfoHeader& in) {
    return inputPixelFormat(in) != AV_PIX_FMT_NONE && frameBytes(in) != 0;
}

}  // namespace

std::vector<CompressorInfo> installedCompressors() {
    std::vector<CompressorInfo> out;
    for (const Known& k : kKnown) {
        if (!avcodec_find_encoder_by_name(k.encoder)) {
            continue;
        }
        CompressorInfo info;
        info.handler = fourccOf(k.handler);
        info.description = k.description;
        info.encoder = k.encoder;
        info.aviTag = k.aviTag;
        info.configSize = k.configSize;
        info.configTag = k.configTag;
        out.push_back(std::move(info));
    }
    return out;
}

std::vector<std::uint8_t> configBlock(bool zq4aForm) {
    std::vector<std::uint8_t> block(zq4aForm ? 80 : 88, 0);
    std::uint8_t* p = block.data();
    dib::detail::put32(p + 0, zq4aForm ? 80 : 88);
    dib::detail::put32(p + 4, zq4aForm ? fourcc('Z', 'Q', '4', 'A') : fourcc('Z', 'Q', '5', 'A'));
    dib::detail::put32(p + 8, zq4aForm ? 0x10001 : 0x10005);
    dib::detail::put32(p + 12, 5);
    dib::detail::put32(p + 16, 2);
    dib::detail::put32(p + 20, 0x80000100u);
    dib::detail::put32(p + 76, 1);
    return block;
}

struct Compressor::State {
    ff::Codec encoder;
    ff::Sws sws;
    ff::Frame frame;
    ff::Packet packet;
    BitmapInfoHeader in;
    AVPixelFormat inFormat = AV_PIX_FMT_NONE;
};

Compressor::~Compressor() {
    end();
}

std::unique_ptr<Compressor> Compressor::open(std::uint32_t handler) {
    for (const CompressorInfo& info : installedCompressors()) {
        if (lowerCode(info.handler) == lowerCode(handler)) {
            std::unique_ptr<Compressor> c(new Compressor);
            c->m_info = info;
            return c;
        }
    }
    return nullptr;
}

int Compressor::configure(std::span<const std::uint8_t> block) {
    if (m_info.configSize == 0) {
        return kIcErrUnsupported;
    }
    if (block.size() < m_info.configSize || dib::detail::le32(block.data()) != m_info.configSize ||
        dib::detail::le32(block.data() + 4) != m_info.configTag) {
        return kIcErrBadFormat;
    }
    m_configured = true;
    return kIcOk;
}

std::uint32_t Compressor::formatSize(const BitmapInfoHeader& in) const {
    return canCompress(in) ? dib::kInfoHeaderSize : 0;
}

int Compressor::getFormat(const BitmapInfoHeader& in, BitmapInfoHeader* out) const {
    if (!canCompress(in)) {
        return kIcErrBadFormat;
    }
    BitmapInfoHeader h;
    h.biWidth = in.biWidth;
    h.biHeight = std::abs(in.biHeight);
    h.biBitCount = 24;
    h.biCompression = m_info.aviTag;
    h.biSizeImage = static_cast<std::uint32_t>(maxCompressedSize(in));
    *out = h;
    return kIcOk;
}

int Compressor::query(const BitmapInfoHeader& in, const BitmapInfoHeader& out) const {
    if (!canCompress(in) || out.biCompression != m_info.aviTag || out.biWidth != in.biWidth ||
        std::abs(out.biHeight) != std::abs(in.biHeight)) {
        return kIcErrBadFormat;
    }
    return kIcOk;
}

std::uint64_t Compressor::maxCompressedSize(const BitmapInfoHeader& in) const {
    // An intra frame at the finest quantiser stays well under the size of
    // the picture as 24-bit pixels; a margin covers headers.
    const std::uint64_t raw = frameBytes(in.biWidth, in.biHeight, dib::kBiRgb, 24);
    return raw == 0 ? 0 : raw + 65536;
}

int Compressor::begin(const BitmapInfoHeader& in, const BitmapInfoHeader& out) {
    end();
    if (query(in, out) != kIcOk) {
        return kIcErrBadFormat;
    }
    const AVCodec* codec = avcodec_find_encoder_by_name(m_info.encoder.c_str());
    if (!codec) {
        return kIcErrUnsupported;
    }
    auto s = std::make_unique<State>();
    s->encoder.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = s->encoder.get();
    c->width = in.biWidth;
    c->height = std::abs(in.biHeight);
    c->time_base = AVRational{1, 25};
    c->framerate = AVRational{25, 1};
    c->pix_fmt = m_info.encoder == "mjpeg"     ? AV_PIX_FMT_YUVJ420P
                 : m_info.encoder == "cinepak" ? AV_PIX_FMT_RGB24
                                               : AV_PIX_FMT_YUV420P;
    c->max_b_frames = 0;
    c->gop_size = 600;  // key frames come when the caller asks for them
    c->flags |= AV_CODEC_FLAG_QSCALE;
    c->thread_count = 1;
    c->codec_tag = m_info.aviTag;
    AVDictionary* options = nullptr;
    if (m_info.encoder == "mpeg4") {
        av_dict_set(&options, "sc_threshold", "1000000000", 0);
    }
    const int rc = avcodec_open2(c, codec, &options);
    av_dict_free(&options);
    if (rc < 0) {
        return kIcErrError;
    }
    s->frame = ff::makeFrame();
    s->frame->format = c->pix_fmt;
    s->frame->width = c->width;
    s->frame->height = c->height;
    if (av_frame_get_buffer(s->frame.get(), 0) < 0) {
        return kIcErrError;
    }
    s->packet = ff::makePacket();
    s->in = in;
    s->inFormat = inputPixelFormat(in);
    s->sws.reset(sws_getContext(c->width, c->height, s->inFormat, c->width, c->height, c->pix_fmt,
                                SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!s->sws) {
        return kIcErrError;
    }
    m_state = std::move(s);
    return kIcOk;
}

int Compressor::compress(std::span<const std::uint8_t> bits, bool keyFrameRequest, int quality,
                         std::int64_t frameNumber, std::span<std::uint8_t> dest,
                         std::size_t* written, bool* keyFrame) {
    *written = 0;
    *keyFrame = false;
    if (!m_state) {
        return kIcErrError;
    }
    State& s = *m_state;
    if (bits.size() != frameBytes(s.in)) {
        return kIcErrBadFormat;  // never read past a short frame
    }
    const int w = s.in.biWidth;
    const int h = std::abs(s.in.biHeight);
    const std::uint8_t* planes[4] = {};
    int strides[4] = {};
    if (s.inFormat == AV_PIX_FMT_BGR24) {
        const int stride = static_cast<int>(dib::rowBytes(w, 24));
        if (s.in.biHeight > 0) {
            planes[0] = bits.data() + std::size_t(stride) * (h - 1);
            strides[0] = -stride;
        } else {
            planes[0] = bits.data();
            strides[0] = stride;
        }
    } else {
        const int div = s.inFormat == AV_PIX_FMT_YUV420P ? 2 : 4;
        const int cw = (w + div - 1) / div;
        const int ch = (h + div - 1) / div;
        const std::uint8_t* first = bits.data() + std::size_t(w) * h;
        const std::uint8_t* second = first + std::size_t(cw) * ch;
        planes[0] = bits.data();
        strides[0] = w;
        planes[1] = s.inFormat == AV_PIX_FMT_YUV420P ? first : second;
        planes[2] = s.inFormat == AV_PIX_FMT_YUV420P ? second : first;
        strides[1] = strides[2] = cw;
    }
    if (av_frame_make_writable(s.frame.get()) < 0) {
        return kIcErrError;
    }
    if (s.inFormat == s.encoder->pix_fmt) {
        // Same layout: the planes are copied, not converted.
        av_image_copy(s.frame->data, s.frame->linesize, planes, strides, s.inFormat, w, h);
    } else {
        sws_scale(s.sws.get(), planes, strides, 0, h, s.frame->data, s.frame->linesize);
    }
    const int q = 31 - std::clamp(quality, 0, 10000) * 29 / 10000;
    s.frame->quality = q * FF_QP2LAMBDA;
    s.frame->pict_type = keyFrameRequest ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    s.frame->pts = frameNumber;
    if (avcodec_send_frame(s.encoder.get(), s.frame.get()) < 0) {
        return kIcErrError;
    }
    const int rc = avcodec_receive_packet(s.encoder.get(), s.packet.get());
    if (rc < 0) {
        return kIcErrError;
    }
    int answer = kIcOk;
    if (static_cast<std::size_t>(s.packet->size) > dest.size()) {
        answer = kIcErrError;  // larger than the codec promised: refuse, never overrun
    } else {
        std::memcpy(dest.data(), s.packet->data, static_cast<std::size_t>(s.packet->size));
        *written = static_cast<std::size_t>(s.packet->size);
        *keyFrame = (s.packet->flags & AV_PKT_FLAG_KEY) != 0;
    }
    av_packet_unref(s.packet.get());
    return answer;
}

void Compressor::end() {
    m_state.reset();
}

}  // namespace brindle::vfw
