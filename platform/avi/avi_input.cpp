#include "platform/avi/avi_input.h"

#include <cstring>

namespace brindle::avi {

bool isAvi(const AVFormatContext* input) {
    return std::strcmp(input->iformat->name, "avi") == 0;
}

ff::Input openAviPackets(const std::string& path, std::string* why) {
    AVFormatContext* raw = nullptr;
    const int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (rc < 0) {
        *why = "cannot read " + path + ": " + ff::errorText(rc);
        return nullptr;
    }
    ff::Input input(raw);
    if (!isAvi(input.get())) {
        *why = path + " is not an AVI file";
        return nullptr;
    }
    return input;
}

int firstStream(const AVFormatContext* input, AVMediaType type) {
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* st = input->streams[i];
        if (st->codecpar->codec_type == type && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace brindle::avi
