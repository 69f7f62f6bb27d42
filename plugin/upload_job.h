// The upload request: a multipart/form-data body built from the page's data
// stream (which fields, with which header lines) and its parameters (each
// field's value), written with its two header lines into a request file that
// the browser posts. Built in two passes: the first measures the body, the
// second writes the file with that length in its Content-Length line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

inline constexpr std::string_view kBoundary = "---------------------------7cf8ce510";
inline constexpr std::string_view kRequestFileName = "POSTBODY.TMP";
inline constexpr std::string_view kPostTarget = "_self";
inline constexpr std::size_t kFileReadBlock = 1024;
// The request's length must fit the 32-bit byte count the browser is given.
inline constexpr std::uint64_t kMaxRequestBytes = 0xFFFFFFFFu;

// Status message numbers of the plug-in's string table.
enum StatusMessage : int {
    kMsgUploading = 1,
    kMsgLoadString = 2,
    kMsgButtonLabel = 3,
    kMsgNoButton = 4,
    kMsgNoCoordinates = 5,
    kMsgInternal = 8,
    kMsgNotAllowed = 9,
    kMsgReadError = 10,
    kMsgWriteError = 11,
    kMsgNoMemory = 12,
    kMsgCorrupt = 13,
    kMsgPreparing = 14,
    kMsgUploadFailed = 15,
};

// Where the builder's messages go (the browser's status line).
class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void status(int message) = 0;
    virtual void internalFailure(int check) = 0;
};

struct UploadInput {
    // The data stream followed by its NUL; null when no byte has arrived.
    const char* data = nullptr;
    std::size_t dataLength = 0;
    // The page parameter of that name (letter case ignored), or null.
    std::function<const char*(std::string_view name)> param;
    std::string folder;       // the upload folder, without a closing "/"
    std::string requestFile;  // the request file's full path
};

struct BuildState {
    std::uint64_t length = 0;              // L: the body's byte count, set by pass 0
    std::vector<std::uint64_t> fileBytes;  // each file field's size as pass 0 read it
};

// Pass 0 measures the body into state; pass 1 writes the request file with
// that length and fails when a file's size changed in between. On failure
// the message has been shown; a partly written request file stays for the
// caller to delete.
bool buildRequest(const UploadInput& input, std::string_view boundary, int pass, BuildState& state,
                  Reporter& report);

// Creates an empty request file of a name no other upload uses, in folder:
// "POSTBODY-" + six characters + ".TMP". False when it cannot be made.
bool createRequestFile(const std::string& folder, std::string& path);

}  // namespace kestrum
