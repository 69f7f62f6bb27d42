// Fuzz target: the table of contents reader must never crash, whatever the
// bytes, and every file value it gives must stay a bare name.
#include "app/model/toc_format.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void checkBare(const QString& name) {
    if (name.contains('/') || name.contains('\\') || name == QLatin1String("..") ||
        name == QLatin1String(".")) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const brindle::TocContents toc = brindle::parseToc(bytes);
    checkBare(toc.backTrack);
    for (const brindle::TocSlide& s : toc.slides) {
        for (const QString* name : {&s.Filename, &s.InfoFilename, &s.Sound, &s.Thumbnail}) {
            checkBare(*name);
        }
    }
    return 0;
}
