#include "plugin/upload_job.h"

#include "plugin/pfp_parser.h"
#include "plugin/upload_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace kestrum {

namespace {

// The part header's fixed pieces.
constexpr std::string_view kPartName = "\r\nContent-Disposition: form-data; name=\"";
constexpr std::string_view kFileName = "; filename=\"";
constexpr std::string_view kCrLf = "\r\n";

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Counts the body's bytes (both passes) and writes them (pass 1).
class Body {
public:
    Body(std::FILE* out, Reporter& report) : m_out(out), m_report(report) {}

    bool put(std::string_view bytes) { return put(bytes.data(), bytes.size()); }
    bool put(const char* bytes, std::size_t size) {
        if (size > kMaxRequestBytes - m_length) {
            m_report.status(kMsgNotAllowed);
            return false;
        }
        if (m_out && size > 0 && std::fwrite(bytes, 1, size, m_out) != size) {
            m_report.status(kMsgWriteError);
            return false;
        }
        m_length += size;
        return true;
    }
    std::uint64_t length() const { return m_length; }
    Reporter& report() { return m_report; }

private:
    std::FILE* m_out;
    Reporter& m_report;
    std::uint64_t m_length = 0;
};

std::string realFolder(const std::string& folder) {
    char* real = ::realpath(folder.c_str(), nullptr);
    std::string out = real ? real : "";
    std::free(real);
    return out;
}

// The path the open descriptor really names, links resolved.
std::string openedPath(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    return n > 0 ? std::string(target, std::size_t(n)) : std::string();
}

// Copies the file named by a FILE field's value into the body. Only a plain
// file whose real path lies inside the upload folder is read, never the
// request file itself.
bool copyFile(const UploadInput& input, std::string_view value, int pass, std::size_t index,
              BuildState& state, Body& body) {
    Reporter& report = body.report();
    const std::string local = localPath(value, input.folder);
    const int fd = ::open(local.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        report.status(kMsgReadError);
        return false;
    }
    File file(::fdopen(fd, "rb"));
    if (!file) {
        ::close(fd);
        report.status(kMsgReadError);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        report.status(kMsgReadError);
        return false;
    }
    const std::string folder = realFolder(input.folder);
    if (!insideFolder(openedPath(fd), folder)) {
        report.status(kMsgNotAllowed);
        return false;
    }
    struct stat request {};
    if (!input.requestFile.empty() && ::stat(input.requestFile.c_str(), &request) == 0 &&
        request.st_dev == info.st_dev && request.st_ino == info.st_ino) {
        report.status(kMsgNotAllowed);
        return false;
    }
    if (std::uint64_t(info.st_size) >= kMaxRequestBytes) {
        report.status(kMsgNotAllowed);
        return false;
    }
    // Back to blocking reads, now that it is known to be a plain file.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    char block[kFileReadBlock];
    std::uint64_t copied = 0;
    for (;;) {
        const std::size_t n = std::fread(block, 1, sizeof block, file.get());
        if (n > 0) {
            if (!body.put(block, n)) {
                return false;
            }
            copied += n;
        }
        if (n < sizeof block) {
            if (std::ferror(file.get())) {
                report.status(kMsgReadError);
                return false;
            }
            break;
        }
    }
    if (pass == 0) {
        state.fileBytes.push_back(copied);
    } else if (index >= state.fileBytes.size() || state.fileBytes[index] != copied) {
        // The file changed since the body was measured: its length is wrong.
        report.status(kMsgReadError);
        return false;
    }
    return true;
}

bool emitField(const UploadInput& input, const PfpField& field, std::string_view prefix, int pass,
               std::size_t& fileIndex, BuildState& state, Body& body) {
    const char* value = input.param ? input.param(field.name) : nullptr;
    const bool sendsFile = field.isFile && value;
    std::string path;
    if (sendsFile) {
        if (std::string_view(value).find("..") != std::string_view::npos) {
            body.report().status(kMsgNotAllowed);
            return false;
        }
        path = requestedPath(value, input.folder);
    }
    if (!body.put(prefix) || !body.put(field.name) || !body.put("\"")) {
        return false;
    }
    if (sendsFile && (!body.put(kFileName) || !body.put(path) || !body.put("\""))) {
        return false;
    }
    if (!body.put(kCrLf)) {
        return false;
    }
    for (std::string_view header : field.headers) {
        if (!body.put(header) || !body.put(kCrLf)) {
            return false;
        }
    }
    if (!body.put(kCrLf)) {
        return false;
    }
    if (sendsFile) {
        if (!copyFile(input, value, pass, fileIndex++, state, body)) {
            return false;
        }
    } else if (value && !body.put(value)) {
        return false;
    }
    return body.put(kCrLf);
}

}  // namespace

bool buildRequest(const UploadInput& input, std::string_view boundary, int pass, BuildState& state,
                  Reporter& report) {
    std::string prefix = "--";
    prefix += boundary;
    prefix += kPartName;
    if (prefix.size() != boundary.size() + 42) {
        report.internalFailure(1316);
        return false;
    }

    File out;
    if (pass == 1) {
        out.reset(std::fopen(input.requestFile.c_str(), "wb"));
        if (!out) {
            report.status(kMsgWriteError);
            return false;
        }
        char length[32];
        std::snprintf(length, sizeof length, "%" PRIu64, state.length);
        const std::string head =
            "Content-Type: multipart/form-data; boundary=" + std::string(boundary) +
            "\r\nContent-Length: " + length + "\r\n\r\n";
        if (std::fwrite(head.data(), 1, head.size(), out.get()) != head.size()) {
            report.status(kMsgWriteError);
            return false;
        }
    } else {
        state = BuildState{};
    }

    if (!input.data) {
        report.internalFailure(1372);
        return false;
    }

    Body body(out.get(), report);
    PfpParser parser(std::string_view(input.data, input.dataLength));
    PfpField field;
    std::size_t fileIndex = 0;
    for (;;) {
        const PfpStep step = parser.next(field);
        if (step == PfpStep::End) {
            break;
        }
        if (step == PfpStep::Corrupt) {
            report.status(kMsgCorrupt);
            return false;
        }
        if (!emitField(input, field, prefix, pass, fileIndex, state, body)) {
            return false;
        }
    }
    if (!body.put("--") || !body.put(boundary) || !body.put("--") || !body.put(kCrLf)) {
        return false;
    }

    if (pass == 0) {
        state.length = body.length();
        return true;
    }
    std::FILE* f = out.release();
    if (std::fclose(f) != 0) {
        report.status(kMsgWriteError);
        return false;
    }
    return true;
}

bool createRequestFile(const std::string& folder, std::string& path) {
    std::string name = folder + "/POSTBODY-XXXXXX.TMP";
    const int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    path = name;
    return true;
}

}  // namespace kestrum
