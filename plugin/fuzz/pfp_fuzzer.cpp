// Fuzz target: the data stream reader and the two-pass request builder must
// never read past the text, and whatever the bytes, a request that builds
// has exactly the length its first pass measured.
#include "plugin/pfp_parser.h"
#include "plugin/upload_job.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

class Quiet final : public kestrum::Reporter {
public:
    void status(int) override {}
    void internalFailure(int) override {}
};

// A folder of its own with one file to upload, removed at exit (kept in a
// plain array: the exit handler runs after static strings are gone). It is
// made in memory where the system offers it: every input writes a request
// file, and on a disk each rewrite of it waited for the blocks to be
// flushed, which held the target to a few hundred inputs a second.
char gDir[64];

void removeFolder() {
    for (const char* name : {"/uploads/x.zip", "/uploads/POSTBODY-fuzz.TMP", "/uploads", ""}) {
        const std::string path = std::string(gDir) + name;
        std::remove(path.c_str());
    }
}

std::string folder() {
    if (!gDir[0]) {
        std::strcpy(gDir, "/dev/shm/pfp-fuzz-XXXXXX");
        if (!::mkdtemp(gDir)) {
            std::strcpy(gDir, "/tmp/pfp-fuzz-XXXXXX");
            if (!::mkdtemp(gDir)) {
                std::abort();
            }
        }
        std::atexit(removeFolder);
        ::mkdir((std::string(gDir) + "/uploads").c_str(), 0700);
        if (std::FILE* f = std::fopen((std::string(gDir) + "/uploads/x.zip").c_str(), "wb")) {
            std::fputs("PK\x05\x06 zip bytes\r\nwith a line end", f);
            std::fclose(f);
        }
    }
    return std::string(gDir) + "/uploads";
}

const char* param(std::string_view name) {
    if (name == "f" || name == "F") {
        return "x.zip";
    }
    if (name == "g") {
        return "../x.zip";
    }
    if (name == "t") {
        return "some text";
    }
    if (name == "u") {
        return "C:\\UPLOADS\\x.zip";
    }
    return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The plug-in keeps its stream with a closing NUL; so does this copy.
    std::string text(reinterpret_cast<const char*>(data), size);

    kestrum::PfpParser parser(text);
    kestrum::PfpField field;
    for (kestrum::PfpStep step; (step = parser.next(field)) == kestrum::PfpStep::Field;) {
        if (field.name.find_first_of(" \t\r\n") != std::string_view::npos) {
            std::abort();
        }
    }

    kestrum::UploadInput input;
    input.data = text.c_str();
    input.dataLength = text.size();
    input.param = param;
    static const std::string uploads = folder();
    static const std::string requestFile = uploads + "/POSTBODY-fuzz.TMP";
    input.folder = uploads;
    input.requestFile = requestFile;
    // A new file each time rather than the last one cut short: no input
    // depends on what the previous one left.
    ::unlink(requestFile.c_str());
    kestrum::BuildState state;
    Quiet quiet;
    if (kestrum::buildRequest(input, kestrum::kBoundary, 0, state, quiet) &&
        kestrum::buildRequest(input, kestrum::kBoundary, 1, state, quiet)) {
        std::FILE* f = std::fopen(input.requestFile.c_str(), "rb");
        if (!f) {
            std::abort();
        }
        std::string request;
        char block[4096];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) {
            request.append(block, n);
        }
        std::fclose(f);
        const std::size_t body = request.find("\r\n\r\n");
        const std::string closing = "--" + std::string(kestrum::kBoundary) + "--\r\n";
        if (body == std::string::npos || request.size() - body - 4 != state.length ||
            request.size() < closing.size() ||
            request.compare(request.size() - closing.size(), closing.size(), closing) != 0) {
            std::abort();
        }
    }
    return 0;
}
