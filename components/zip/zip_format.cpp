#include "components/zip/zip_format.h"

#include <sys/stat.h>

#include <atomic>

namespace brindle::zipformat {
namespace {

constexpr std::uint64_t kClassicLimit = 0xFFFFFFFFu;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kUtf8Flag = 1 << 11;
constexpr std::uint16_t kMadeByUnix = 3 << 8;
constexpr std::uint16_t kVersion20 = 20;
constexpr std::uint16_t kVersion45 = 45;  // ZIP64

std::atomic<std::uint64_t> gLimit{kClassicLimit};

void put16(QByteArray& out, std::uint16_t v) {
    const char b[2] = {char(v & 0xFF), char(v >> 8)};
    out.append(b, 2);
}

void put32(QByteArray& out, std::uint32_t v) {
    put16(out, std::uint16_t(v & 0xFFFF));
    put16(out, std::uint16_t(v >> 16));
}

void put64(QByteArray& out, std::uint64_t v) {
    put32(out, std::uint32_t(v & 0xFFFFFFFFu));
    put32(out, std::uint32_t(v >> 32));
}

bool over(std::uint64_t v) {
    return v >= zip64Limit();
}

// A classic field: the value, or the mark that the ZIP64 field holds it.
std::uint32_t field32(std::uint64_t v, bool inZip64) {
    return inZip64 ? 0xFFFFFFFFu : std::uint32_t(v);
}

std::uint16_t flags(const Entry& e) {
    for (char c : e.name) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return kUtf8Flag;
        }
    }
    return 0;
}

}  // namespace

std::uint64_t zip64Limit() {
    return gLimit.load(std::memory_order_relaxed);
}

void setZip64LimitForTests(std::uint64_t limit) {
    gLimit.store(limit == 0 ? kClassicLimit : limit, std::memory_order_relaxed);
}

bool needsZip64Local(std::uint64_t size) {
    // Deflate adds at most a few bytes per 16 KiB block, and the writer a
    // flush marker per input block.
    return size + size / 256 + 4096 >= zip64Limit();
}

void setDosTime(Entry& entry, std::time_t mtime) {
    struct tm t {};
    if (localtime_r(&mtime, &t) == nullptr || t.tm_year < 80) {
        entry.dosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01
        entry.dosTime = 0;
        return;
    }
    entry.dosDate = std::uint16_t(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
    entry.dosTime = std::uint16_t((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
}

QByteArray localHeader(const Entry& e) {
    QByteArray out;
    put32(out, kLocalSignature);
    put16(out, e.zip64Local ? kVersion45 : kVersion20);
    put16(out, flags(e));
    put16(out, e.method);
    put16(out, e.dosTime);
    put16(out, e.dosDate);
    put32(out, 0);  // checksum, patched
    put32(out, e.zip64Local ? 0xFFFFFFFFu : 0);
    put32(out, e.zip64Local ? 0xFFFFFFFFu : 0);
    put16(out, std::uint16_t(e.name.size()));
    put16(out, e.zip64Local ? 20 : 0);
    out.append(e.name);
    if (e.zip64Local) {
        put16(out, kZip64ExtraId);
        put16(out, 16);
        put64(out, 0);  // patched
        put64(out, 0);
    }
    return out;
}

QByteArray localCrcAndSizes(const Entry& e) {
    QByteArray out;
    put32(out, e.crc);
    put32(out, field32(e.packed, e.zip64Local));
    put32(out, field32(e.size, e.zip64Local));
    return out;
}

int localZip64Offset(const Entry& e) {
    return 30 + int(e.name.size()) + 4;
}

QByteArray localZip64Sizes(const Entry& e) {
    QByteArray out;
    put64(out, e.size);
    put64(out, e.packed);
    return out;
}

QByteArray centralEntry(const Entry& e) {
    const bool size64 = e.zip64Local || over(e.size);
    const bool packed64 = e.zip64Local || over(e.packed);
    const bool offset64 = over(e.offset);
    QByteArray extra;
    if (size64) {
        put64(extra, e.size);
    }
    if (packed64) {
        put64(extra, e.packed);
    }
    if (offset64) {
        put64(extra, e.offset);
    }
    const bool zip64 = !extra.isEmpty();
    QByteArray out;
    put32(out, kCentralSignature);
    put16(out, kMadeByUnix | (zip64 ? kVersion45 : kVersion20));
    put16(out, zip64 ? kVersion45 : kVersion20);
    put16(out, flags(e));
    put16(out, e.method);
    put16(out, e.dosTime);
    put16(out, e.dosDate);
    put32(out, e.crc);
    put32(out, field32(e.packed, packed64));
    put32(out, field32(e.size, size64));
    put16(out, std::uint16_t(e.name.size()));
    put16(out, zip64 ? std::uint16_t(4 + extra.size()) : 0);
    put16(out, 0);  // comment
    put16(out, 0);  // disk
    put16(out, 0);  // internal attributes
    put32(out, std::uint32_t((S_IFREG | (e.mode & 07777)) << 16));
    put32(out, field32(e.offset, offset64));
    out.append(e.name);
    if (zip64) {
        put16(out, kZip64ExtraId);
        put16(out, std::uint16_t(extra.size()));
        out.append(extra);
    }
    return out;
}

QByteArray endRecords(std::uint64_t count, std::uint64_t centralOffset, std::uint64_t centralSize) {
    const bool count64 = count >= 0xFFFF;
    const bool offset64 = over(centralOffset);
    const bool size64 = over(centralSize);
    QByteArray out;
    if (count64 || offset64 || size64) {
        const std::uint64_t recordOffset = centralOffset + centralSize;
        put32(out, kZip64EndSignature);
        put64(out, 44);  // size of the rest of the record
        put16(out, kMadeByUnix | kVersion45);
        put16(out, kVersion45);
        put32(out, 0);  // this disk
        put32(out, 0);  // disk of the central directory
        put64(out, count);
        put64(out, count);
        put64(out, centralSize);
        put64(out, centralOffset);
        put32(out, kZip64LocatorSignature);
        put32(out, 0);
        put64(out, recordOffset);
        put32(out, 1);  // disks in all
    }
    put32(out, kEndSignature);
    put16(out, 0);
    put16(out, 0);
    put16(out, count64 ? 0xFFFF : std::uint16_t(count));
    put16(out, count64 ? 0xFFFF : std::uint16_t(count));
    put32(out, field32(centralSize, size64));
    put32(out, field32(centralOffset, offset64));
    put16(out, 0);  // comment
    return out;
}

}  // namespace brindle::zipformat
