// Turns a decoded video frame into a packed 24-bit device-independent
// bitmap: info header, no colour table, rows bottom-up, B,G,R per pixel,
// each row padded to a multiple of 4 bytes.
#pragma once

#include "platform/ffmpeg/handles.h"

#include <cstdint>
#include <vector>

namespace brindle::avi {

class FrameToDib {
public:
    // Fills out with the bitmap; false when the frame cannot be converted.
    bool convert(const AVFrame* frame, std::vector<std::uint8_t>* out);

private:
    ff::Sws m_sws;
    ff::Frame m_bgr;  // the converted picture, top-down
};

}  // namespace brindle::avi
