// The playing time of a sound or video file, as the editor stores it in a
// slide's Duration.
#pragma once

#include <QString>

#include <cstdint>

namespace brindle {

// Length in milliseconds of the longest stream of the file; 0 when the file
// cannot be opened or holds no audio or video. Streams whose packets carry no
// usable timestamps (RealAudio 1.0 writes every packet at 0) are measured by
// decoding them and counting their samples.
std::int64_t mediaLengthMs(const QString& path);

}  // namespace brindle
