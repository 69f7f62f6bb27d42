#include "controls/audiocap/wav_header.h"

#include <cstring>

namespace brindle::sonteval {
namespace {

std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

bool fail(std::string* why, const char* text) {
    if (why) {
        *why = text;
    }
    return false;
}

}  // namespace

bool wavHeaderSound(std::istream& in, std::uint64_t size, std::string* why) {
    unsigned char head[12] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    if (in.gcount() < 12 || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0) {
        return true;  // not RIFF WAVE: FFmpeg decides
    }
    if (static_cast<std::uint64_t>(le32(head + 4)) + 8 > size) {
        return fail(why, "is shorter than its header says");
    }
    bool haveFormat = false;
    std::uint64_t pos = 12;
    while (pos + 8 <= size) {
        unsigned char chunk[8];
        in.seekg(static_cast<std::streamoff>(pos));
        in.read(reinterpret_cast<char*>(chunk), 8);
        if (in.gcount() < 8) {
            break;
        }
        const std::uint64_t chunkSize = le32(chunk + 4);
        if (pos + 8 + chunkSize > size) {
            return fail(why, "is shorter than its header says");
        }
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[16];
            if (chunkSize < 16 || !in.read(reinterpret_cast<char*>(fmt), 16)) {
                return fail(why, "has a broken format record");
            }
            if (le16(fmt + 2) == 0 || le32(fmt + 4) == 0 || le32(fmt + 8) == 0 ||
                le16(fmt + 12) == 0) {
                return fail(why, "has a format with no channels, rate or block size");
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                return fail(why, "has its samples before their format");
            }
            return true;
        }
        pos += 8 + chunkSize + (chunkSize & 1);
    }
    return fail(why, "holds no samples");
}

}  // namespace brindle::sonteval
