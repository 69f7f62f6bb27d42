// Opening an AVI file's packets and finding its streams.
#pragma once

#include "platform/ffmpeg/handles.h"

#include <string>

namespace brindle::avi {

// Opens an AVI file for reading its packets (the header and index only; no
// probing of the streams). nullptr when it is no readable AVI file.
ff::Input openAviPackets(const std::string& path, std::string* why);

// True when the input was read as an AVI file.
bool isAvi(const AVFormatContext* input);

// First stream of a type that is not a cover picture; -1 when none.
int firstStream(const AVFormatContext* input, AVMediaType type);

}  // namespace brindle::avi
