// Video pictures by time: one video stream of a file decoded forward, with
// a seek when asked for a time behind the current picture or far ahead.
#pragma once

#include "platform/ffmpeg/decoder.h"

#include <QImage>
#include <QString>

#include <cstdint>

namespace brindle {

class VideoDecoder {
public:
    // Opens the file's first video stream; false when there is none that
    // decodes.
    bool open(const QString& path);
    bool isOpen() const { return m_dec != nullptr; }

    QSize size() const;
    double framesPerSecond() const { return m_fps; }

    // The picture on screen at `ms` from the start of the clip: the last frame
    // that starts at or before it (the first frame before the first start,
    // the last frame after the end). A null image when nothing decodes.
    QImage frameAt(std::int64_t ms);

private:
    bool seekTo(std::int64_t ms);
    bool decodeNext();  // into m_next; false at the end
    std::int64_t frameMs(const AVFrame* f) const;

    ff::Input m_in;
    ff::Codec m_dec;
    ff::Sws m_sws;
    ff::Packet m_packet;
    ff::Frame m_current;
    ff::Frame m_next;
    int m_stream = -1;
    double m_fps = 0;
    ff::ReadState m_read;
    bool m_haveCurrent = false;
    bool m_haveNext = false;
    std::int64_t m_currentMs = 0;
    std::int64_t m_nextMs = 0;
    std::int64_t m_startTs = 0;
    QImage m_image;  // m_current converted, made on demand
    bool m_imageValid = false;
};

}  // namespace brindle
