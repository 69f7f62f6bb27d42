#include "components/zip/zip_directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace brindle::zipdir {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint64_t kMaxDirectory = 256u << 20;

std::uint16_t get16(const QByteArray& b, qsizetype at) {
    return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}

std::uint32_t get32(const QByteArray& b, qsizetype at) {
    return std::uint32_t(get16(b, at)) | std::uint32_t(get16(b, at + 2)) << 16;
}

std::uint64_t get64(const QByteArray& b, qsizetype at) {
    return std::uint64_t(get32(b, at)) | std::uint64_t(get32(b, at + 4)) << 32;
}

bool readAt(int fd, std::uint64_t at, qsizetype size, QByteArray* out) {
    out->resize(size);
    qsizetype got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, out->data() + got, size_t(size - got), off_t(at + got));
        if (n <= 0) {
            return false;
        }
        got += n;
    }
    return true;
}

// Fills the fields marked 0xFFFFFFFF from the entry's ZIP64 extra field.
bool applyZip64(const QByteArray& extra, bool size64, bool packed64, bool offset64, Entry* e) {
    for (qsizetype at = 0; at + 4 <= extra.size();) {
        const std::uint16_t id = get16(extra, at);
        const std::uint16_t length = get16(extra, at + 2);
        if (at + 4 + length > extra.size()) {
            return false;
        }
        if (id == 0x0001) {
            qsizetype p = at + 4;
            const qsizetype end = p + length;
            for (auto [wanted, field] :
                 {std::pair{size64, &e->size}, std::pair{packed64, &e->packed},
                  std::pair{offset64, &e->headerOffset}}) {
                if (!wanted) {
                    continue;
                }
                if (p + 8 > end) {
                    return false;
                }
                *field = get64(extra, p);
                p += 8;
            }
            return true;
        }
        at += 4 + length;
    }
    return !(size64 || packed64 || offset64);
}

}  // namespace

bool readDirectory(int fd, std::vector<Entry>* entries) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_size < 22) {
        return false;
    }
    const auto fileSize = std::uint64_t(st.st_size);
    const std::uint64_t tailSize = std::min<std::uint64_t>(fileSize, 22 + 0xFFFF + 20);
    QByteArray tail;
    if (!readAt(fd, fileSize - tailSize, qsizetype(tailSize), &tail)) {
        return false;
    }
    qsizetype end = -1;
    for (qsizetype at = tail.size() - 22; at >= 0; --at) {
        if (get32(tail, at) == kEndSignature && at + 22 + get16(tail, at + 20) == tail.size()) {
            end = at;
            break;
        }
    }
    if (end < 0) {
        return false;
    }
    std::uint64_t count = get16(tail, end + 10);
    std::uint64_t dirSize = get32(tail, end + 12);
    std::uint64_t dirOffset = get32(tail, end + 16);
    if (end >= 20 && get32(tail, end - 20) == kZip64LocatorSignature) {
        QByteArray record;
        const std::uint64_t recordAt = get64(tail, end - 20 + 8);
        if (fileSize < 56 || recordAt > fileSize - 56 || !readAt(fd, recordAt, 56, &record) ||
            get32(record, 0) != kZip64EndSignature) {
            return false;
        }
        count = get64(record, 32);
        dirSize = get64(record, 40);
        dirOffset = get64(record, 48);
    }
    if (dirSize > kMaxDirectory || dirOffset > fileSize || dirSize > fileSize - dirOffset ||
        count > dirSize / 46) {
        return false;
    }
    QByteArray dir;
    if (!readAt(fd, dirOffset, qsizetype(dirSize), &dir)) {
        return false;
    }
    entries->clear();
    entries->reserve(size_t(count));
    qsizetype at = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (at + 46 > dir.size() || get32(dir, at) != kCentralSignature) {
            return false;
        }
        Entry e;
        e.flags = get16(dir, at + 8);
        e.method = get16(dir, at + 10);
        e.crc = get32(dir, at + 16);
        e.packed = get32(dir, at + 20);
        e.size = get32(dir, at + 24);
        const std::uint16_t nameLength = get16(dir, at + 28);
        const std::uint16_t extraLength = get16(dir, at + 30);
        const std::uint16_t commentLength = get16(dir, at + 32);
        e.headerOffset = get32(dir, at + 42);
        const qsizetype next = at + 46 + nameLength + extraLength + commentLength;
        if (next > dir.size()) {
            return false;
        }
        e.name = dir.mid(at + 46, nameLength);
        if (!applyZip64(dir.mid(at + 46 + nameLength, extraLength), e.size == 0xFFFFFFFFu,
                        e.packed == 0xFFFFFFFFu, e.headerOffset == 0xFFFFFFFFu, &e)) {
            return false;
        }
        QByteArray local;
        // Offsets from a ZIP64 field are 64-bit: compared so that none wraps.
        if (fileSize < 30 || e.headerOffset > fileSize - 30 ||
            !readAt(fd, e.headerOffset, 30, &local) || get32(local, 0) != kLocalSignature) {
            return false;
        }
        const std::uint16_t localName = get16(local, 26);
        QByteArray localNameBytes;
        if (!readAt(fd, e.headerOffset + 30, localName, &localNameBytes) ||
            localNameBytes != e.name) {
            return false;
        }
        e.dataOffset = e.headerOffset + 30 + localName + get16(local, 28);
        if (e.dataOffset > fileSize || e.packed > fileSize - e.dataOffset) {
            return false;
        }
        entries->push_back(std::move(e));
        at = next;
    }
    return true;
}

}  // namespace brindle::zipdir
