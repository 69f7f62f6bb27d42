// Replays files through a fuzz target's entry point, built with the normal
// compiler: the inputs that once crashed a target (tests/fuzz-regressions)
// and the corpus the fuzzer grew (tests/fuzz-corpus) run on every test run,
// so a fault found once stays found. A target signals a fault by crashing or
// aborting; this program only feeds it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    long files = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (!fs::is_directory(argv[i], ec)) {
            continue;  // a folder that has nothing yet
        }
        for (fs::recursive_directory_iterator it(argv[i], ec), end; !ec && it != end;
             it.increment(ec)) {
            if (!it->is_regular_file(ec)) {
                continue;
            }
            std::ifstream in(it->path(), std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
            std::fprintf(stderr, "%s\n", it->path().c_str());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++files;
        }
    }
    std::printf("%ld inputs replayed\n", files);
    return 0;
}
