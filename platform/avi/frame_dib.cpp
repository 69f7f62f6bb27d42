#include "platform/avi/frame_dib.h"

#include "platform/dib.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <cstring>

namespace brindle::avi {

bool FrameToDib::convert(const AVFrame* frame, std::vector<std::uint8_t>* out) {
    const int w = frame->width;
    const int h = frame->height;
    if (w <= 0 || h <= 0 || frame->format < 0) {
        return false;
    }
    m_sws.reset(sws_getCachedContext(m_sws.release(), w, h,
                                     static_cast<AVPixelFormat>(frame->format), w, h,
                                     AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!m_sws) {
        return false;
    }
    if (!m_bgr || m_bgr->width != w || m_bgr->height != h) {
        m_bgr = ff::makeFrame();
        m_bgr->format = AV_PIX_FMT_BGR24;
        m_bgr->width = w;
        m_bgr->height = h;
        if (av_frame_get_buffer(m_bgr.get(), 0) < 0) {
            m_bgr.reset();
            return false;
        }
    }
    if (sws_scale(m_sws.get(), frame->data, frame->linesize, 0, h, m_bgr->data, m_bgr->linesize) !=
        h) {
        return false;
    }

    const std::size_t row = dib::rowBytes(w, 24);
    dib::BitmapInfoHeader header;
    header.biWidth = w;
    header.biHeight = h;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<std::uint32_t>(row * h);
    out->assign(dib::kInfoHeaderSize + header.biSizeImage, 0);
    dib::writeHeader(header, out->data());
    std::uint8_t* bits = out->data() + dib::kInfoHeaderSize;
    for (int y = 0; y < h; ++y) {
        // The bitmap's first row is the picture's bottom row.
        std::memcpy(bits + row * (h - 1 - y),
                    m_bgr->data[0] + std::ptrdiff_t(y) * m_bgr->linesize[0], std::size_t(w) * 3);
    }
    return true;
}

}  // namespace brindle::avi
