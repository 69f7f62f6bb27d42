// Cutting an AVI file to a frame range [first, last] without losing frame
// accuracy. Video is copied packet for packet from a key frame on; when the
// range starts inside a group of frames, only the frames up to the next key
// frame are encoded again (with the stream's own codec), so the result
// starts on a key frame. When no key frame follows within the range, the
// whole range is encoded again. The sound of the kept frames is copied
// unconverted (PCM to the sample, other formats to the packet).
#pragma once

#include "platform/avi/video_frames.h"

#include <cstdint>
#include <functional>
#include <string>

namespace brindle::avi {

enum class CutStatus {
    Ok,
    BadRange,       // the range is not inside the video stream
    CannotRead,     // the source is not a readable AVI file with video
    CannotReplace,  // the file to cut in place cannot be replaced
    CannotEncode,   // frames that must be encoded again cannot be
    WriteFailed,    // writing or replacing the output failed
    Aborted,        // the progress callback asked to stop
};

struct CutReport {
    CutStatus status = CutStatus::Ok;
    std::string detail;  // what went wrong, for the log
    int passes = 1;
    std::int64_t reencodedFrames = 0;
    std::int64_t copiedFrames = 0;
    std::int64_t audioSamples = 0;  // PCM samples, or packets of other formats

    bool ok() const { return status == CutStatus::Ok; }
};

// Told the percentage of the whole cut (0..100); answers false to abort.
// With a separate pass for the leading frames, that pass reports 0..50 and
// the writing pass 50..100.
using ProgressFn = std::function<bool(int percent)>;

// How a range is cut.
struct CutPlan {
    std::int64_t first = 0;
    std::int64_t last = -1;
    std::int64_t decodeFrom = 0;  // key frame where decoding starts, when encoding
    std::int64_t copyFrom = 0;    // first frame copied unchanged; last + 1 for none
    bool leadingPass = false;     // the frames [first, copyFrom) are encoded first

    int passes() const { return leadingPass ? 2 : 1; }
    std::int64_t encodedFrames() const { return copyFrom - first; }
};

CutPlan planCut(const VideoFrames& frames, std::int64_t first, std::int64_t last);

// Writes the frames [first, last] of source, with their sound, to a new AVI
// file `output`. On failure or abort no output remains.
CutReport cutToFile(const std::string& source, std::int64_t first, std::int64_t last,
                    const std::string& output, const ProgressFn& progress);

// Cuts the file at path to [first, last] in place: the cut is written to a
// temporary file in the same folder and renamed over the original, so the
// original stays whole until the cut is complete. On any failure the
// original is untouched and no temporary file remains.
CutReport cutInPlace(const std::string& path, std::int64_t first, std::int64_t last,
                     const ProgressFn& progress);

}  // namespace brindle::avi
