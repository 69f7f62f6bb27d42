// Fuzz target: the WAV header check must stay inside the bytes it is given
// and give a reason for every refusal, whatever sizes the chunks declare.
#include "controls/audiocap/wav_header.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::string why;
    const bool accepted = brindle::sonteval::wavHeaderSound(in, size, &why);
    if (accepted == !why.empty()) {
        std::abort();
    }
    return 0;
}
