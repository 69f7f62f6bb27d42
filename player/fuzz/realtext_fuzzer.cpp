// Fuzz target: the RealText reader must never crash, whatever the bytes.
#include "player/realtext_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)brindle::readRealText(bytes);
    return 0;
}
