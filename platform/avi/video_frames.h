// The frame table of an AVI file's video stream: how many frames it holds
// and which of them are key frames, read from the file's index (or, for a
// file without one, from its packets). Frames are numbered from 0 in the
// order the file stores them; a dropped frame (an empty chunk) has a
// number but no data and repeats the picture before it.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <vector>

namespace brindle::avi {

class VideoFrames {
public:
    // Reads the table of stream `streamIndex`. A file without an index is
    // read through once and rewound.
    static VideoFrames read(AVFormatContext* input, int streamIndex);

    std::int64_t count() const { return m_count; }
    bool isKey(std::int64_t frame) const;
    // The last key frame at or before `frame`; 0 when there is none.
    std::int64_t keyAtOrBefore(std::int64_t frame) const;
    // The first key frame in (frame, limit]; -1 when there is none.
    std::int64_t keyAfter(std::int64_t frame, std::int64_t limit) const;
    const std::vector<std::int64_t>& keys() const { return m_keys; }

private:
    std::int64_t m_count = 0;
    std::vector<std::int64_t> m_keys;  // ascending
};

}  // namespace brindle::avi
