// Fuzz target: the central directory reader must never read outside the
// archive it is given, and every member it accepts must have its data
// inside the file; the name of every member goes through the name decoder
// and the flat-name check, which must refuse anything that leaves the folder.
#include "components/zip/member_names.h"
#include "components/zip/zip_directory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// One file in memory for every input, rewritten each time.
int archiveFile() {
    static const int fd = ::memfd_create("zipdir-fuzz", MFD_CLOEXEC);
    if (fd < 0) {
        std::abort();
    }
    return fd;
}

void checkName(const QByteArray& raw) {
    using namespace brindle::zipnames;
    // Without the UTF-8 mark libzip gives the CP437 reading of the bytes.
    const QString name = decodeName(raw, decodeCp437(raw).toUtf8());
    if (isFlatName(name) &&
        (name.contains('/') || name.contains('\\') || name == QLatin1String("..") ||
         name == QLatin1String(".") || name.contains(QChar(0)))) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = archiveFile();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    std::vector<brindle::zipdir::Entry> entries;
    if (!brindle::zipdir::readDirectory(fd, &entries)) {
        return 0;
    }
    for (const brindle::zipdir::Entry& e : entries) {
        if (e.dataOffset > size || e.packed > size - e.dataOffset ||
            e.dataOffset < e.headerOffset + 30 + std::uint64_t(e.name.size())) {
            std::abort();
        }
        checkName(e.name);
    }
    return 0;
}
