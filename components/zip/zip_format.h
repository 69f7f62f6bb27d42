// The records of a zip archive as the writer lays them down: local headers
// (patched with the sizes and checksum once a member's data is written),
// central directory entries and the end records, with the ZIP64 forms
// wherever a size, an offset or the member count does not fit the classic
// fields.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <ctime>

namespace brindle::zipformat {

inline constexpr std::uint16_t kMethodStore = 0;
inline constexpr std::uint16_t kMethodDeflate = 8;

// What the writer knows of a member.
struct Entry {
    QByteArray name;  // UTF-8, no folder part
    std::uint16_t method = kMethodStore;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t mode = 0;  // st_mode of the file (type and permission bits)
    std::uint32_t crc = 0;
    std::uint64_t size = 0;    // uncompressed
    std::uint64_t packed = 0;  // as stored in the archive
    std::uint64_t offset = 0;  // of its local header
    // The local header carries a ZIP64 field for the sizes: decided before
    // the data is written, from the file's size.
    bool zip64Local = false;
};

// Values at or above this do not fit a classic 32-bit field. Tests lower
// it to make small archives take the ZIP64 forms.
std::uint64_t zip64Limit();
void setZip64LimitForTests(std::uint64_t limit);  // 0 restores the real one

// Whether a member of this (uncompressed) size needs the ZIP64 sizes in its
// local header: even deflate can grow data a little.
bool needsZip64Local(std::uint64_t size);

// DOS date and time fields for a modification time (local time, two-second
// steps, 1980-01-01 for anything earlier).
void setDosTime(Entry& entry, std::time_t mtime);

// The local header with zeroed checksum and sizes.
QByteArray localHeader(const Entry& entry);
// Where the checksum field starts in a local header, and the bytes that go
// there once the member is written (checksum, sizes, and the ZIP64 sizes
// when the header has them, which follow the name).
inline constexpr int kLocalCrcOffset = 14;
QByteArray localCrcAndSizes(const Entry& entry);
// Offset of the ZIP64 sizes inside the local header, from its start.
int localZip64Offset(const Entry& entry);
QByteArray localZip64Sizes(const Entry& entry);

QByteArray centralEntry(const Entry& entry);
// The end of the archive: the ZIP64 end record and its locator when
// needed, then the classic end record.
QByteArray endRecords(std::uint64_t count, std::uint64_t centralOffset, std::uint64_t centralSize);

}  // namespace brindle::zipformat
