// A zip archive's central directory read straight from the file, so that
// members can be extracted with large reads of the archive at their data's
// offset (and on several threads at once). libzip still checks the archive
// first; this reader only has to agree with it, and any archive it does not
// understand is left to libzip.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace brindle::zipdir {

struct Entry {
    QByteArray name;  // raw bytes as stored
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t packed = 0;
    std::uint64_t size = 0;
    std::uint64_t headerOffset = 0;  // of the local header
    std::uint64_t dataOffset = 0;    // of the data, past the local header
};

// The members of the archive open at fd, in directory order, with their
// data offsets checked against the local headers (signature, name, data
// inside the file). False when the file is not read that way.
bool readDirectory(int fd, std::vector<Entry>* entries);

}  // namespace brindle::zipdir
