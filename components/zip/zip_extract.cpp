// Unpacking: every member of an archive goes flat into one folder, after the
// names and declared sizes have been checked, each member through a
// temporary file that is renamed into place once its data is complete.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <zlib.h>

#if BRINDLE_HAVE_ISAL
#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#endif

#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "components/zip/libzip_handles.h"
#include "components/zip/member_names.h"
#include "components/zip/zip_component.h"
#include "components/zip/zip_directory.h"
#include "platform/temporaries.h"

namespace brindle {
namespace {

constexpr zip_uint64_t kChunkBytes = 1 << 20;
// Archives holding less than this are extracted on one thread.
constexpr zip_uint64_t kParallelBytes = 8 << 20;

struct Planned {
    zip_uint64_t index;
    QString name;
    zip_uint64_t size;  // declared, uncompressed
    time_t mtime;
    // Where the member's data lies, when it can be read straight from the
    // file (stored or deflated); else libzip reads it.
    const zipdir::Entry* direct = nullptr;
};

// A new file in the folder under a random hidden name, open for writing.
// The name is journaled, so that a crash leaves nothing behind for long.
int createTempIn(const QString& folder, QByteArray* path) {
    std::string name = QFile::encodeName(folder + "/.unzip-XXXXXX.tmp").toStdString();
    const int fd = temporaries::makeFile(name, 4, 0666);
    *path = QByteArray::fromStdString(name);
    return fd;
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool isSpaceError(int sys) {
    return sys == ENOSPC || sys == EDQUOT || sys == EFBIG;
}

QString libzipText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

struct Outcome {
    int code = ZipOk;
    QString text;
};

// A chunk buffer left unfilled: its pages are only touched as far as data
// is read into them, so unpacking a small member (a table of contents)
// does not clear two megabytes first.
class ChunkBuffer {
public:
    char* data() { return m_bytes.get(); }
    static constexpr size_t size() { return kChunkBytes; }

private:
    std::unique_ptr<char[]> m_bytes{new char[kChunkBytes]};
};

// The CRC-32 of a member's data, continued over chunks. ISA-L's is several
// times zlib's speed and gives the same values.
uLong updateCrc(uLong crc, const char* data, size_t size) {
#if BRINDLE_HAVE_ISAL
    return crc32_gzip_refl(std::uint32_t(crc), reinterpret_cast<const unsigned char*>(data),
                           std::uint64_t(size));
#else
    return crc32_z(crc, reinterpret_cast<const Bytef*>(data), size);
#endif
}

// Decodes one member's raw deflate stream: ISA-L's decoder where the build
// has it (two to three times zlib's speed), else zlib's.
class RawInflate {
public:
    RawInflate() {
#if BRINDLE_HAVE_ISAL
        isal_inflate_init(m_state.get());
        m_state->crc_flag = ISAL_DEFLATE;
#else
        m_ok = inflateInit2(&m_stream, -MAX_WBITS) == Z_OK;
#endif
    }
    ~RawInflate() {
#if !BRINDLE_HAVE_ISAL
        if (m_ok) {
            inflateEnd(&m_stream);
        }
#endif
    }
    RawInflate(const RawInflate&) = delete;
    RawInflate& operator=(const RawInflate&) = delete;

    bool ok() const {
        return m_ok;
    }

    void setInput(char* data, size_t size) {
#if BRINDLE_HAVE_ISAL
        m_state->next_in = reinterpret_cast<std::uint8_t*>(data);
        m_state->avail_in = std::uint32_t(size);
#else
        m_stream.next_in = reinterpret_cast<Bytef*>(data);
        m_stream.avail_in = uInt(size);
#endif
    }
    bool inputLeft() const {
#if BRINDLE_HAVE_ISAL
        return m_state->avail_in > 0;
#else
        return m_stream.avail_in > 0;
#endif
    }
    // Decodes into out; false on damaged data. *got is what it wrote,
    // *finished whether the stream has ended.
    bool decode(char* out, size_t capacity, size_t* got, bool* finished) {
#if BRINDLE_HAVE_ISAL
        m_state->next_out = reinterpret_cast<std::uint8_t*>(out);
        m_state->avail_out = std::uint32_t(capacity);
        if (isal_inflate(m_state.get()) != ISAL_DECOMP_OK) {
            return false;
        }
        *got = capacity - m_state->avail_out;
        *finished = m_state->block_state == ISAL_BLOCK_FINISH;
        return true;
#else
        m_stream.next_out = reinterpret_cast<Bytef*>(out);
        m_stream.avail_out = uInt(capacity);
        const int result = inflate(&m_stream, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END) {
            return false;
        }
        *got = capacity - m_stream.avail_out;
        *finished = result == Z_STREAM_END;
        return true;
#endif
    }

private:
#if BRINDLE_HAVE_ISAL
    bool m_ok = true;
    std::unique_ptr<inflate_state> m_state = std::make_unique<inflate_state>();
#else
    bool m_ok = false;
    z_stream m_stream{};
#endif
};

// What one thread extracts with: the archive as libzip and as a plain file,
// and its buffers.
struct Reader {
    zip_t* archive = nullptr;  // for the members libzip reads
    int fd = -1;               // for the members read straight from the file
    ChunkBuffer in;
    ChunkBuffer out;
};

// The member's data, chunk by chunk, into fd: straight from the archive file
// when its place is known, else through libzip. Checks the declared size and
// the checksum.
Outcome copyData(Reader& reader, const Planned& member, int fd,
                 const std::function<void()>& onChunk) {
    zip_uint64_t written = 0;
    auto put = [&](const char* data, zip_uint64_t got) -> Outcome {
        if (got > member.size - written) {
            return {ZipMemberTooLarge, QStringLiteral("inflates past %1 bytes").arg(member.size)};
        }
        if (!writeAll(fd, data, got)) {
            const int sys = errno;
            return {isSpaceError(sys) ? ZipNoSpace : ZipWriteFailed,
                    QString::fromLocal8Bit(strerror(sys))};
        }
        written += got;
        if (onChunk) {
            onChunk();
        }
        return {};
    };
    if (!member.direct) {
        ziplib::Member in(zip_fopen_index(reader.archive, member.index, 0));
        if (!in) {
            return {ZipNotRecognised, QString::fromUtf8(zip_strerror(reader.archive))};
        }
        for (;;) {
            const zip_int64_t n = zip_fread(in.get(), reader.in.data(), reader.in.size());
            if (n < 0) {
                return {ZipNotRecognised,
                        QString::fromUtf8(zip_error_strerror(zip_file_get_error(in.get())))};
            }
            if (n == 0) {
                break;
            }
            if (Outcome r = put(reader.in.data(), zip_uint64_t(n)); r.code != ZipOk) {
                return r;
            }
        }
    } else {
        const zipdir::Entry& e = *member.direct;
        const Outcome damaged{ZipNotRecognised, QStringLiteral("damaged data")};
        uLong crc = crc32_z(0, nullptr, 0);
        const bool deflated = e.method == 8;
        std::optional<RawInflate> inflater;
        if (deflated && !inflater.emplace().ok()) {
            return damaged;
        }
        zip_uint64_t left = e.packed;
        zip_uint64_t at = e.dataOffset;
        bool finished = !deflated;
        while (left > 0 && !(deflated && finished)) {
            const size_t take = size_t(std::min<zip_uint64_t>(left, reader.in.size()));
            const ssize_t n = ::pread(reader.fd, reader.in.data(), take, off_t(at));
            if (n <= 0) {
                return damaged;
            }
            at += zip_uint64_t(n);
            left -= zip_uint64_t(n);
            if (!deflated) {
                crc = updateCrc(crc, reader.in.data(), size_t(n));
                if (Outcome r = put(reader.in.data(), zip_uint64_t(n)); r.code != ZipOk) {
                    return r;
                }
                continue;
            }
            inflater->setInput(reader.in.data(), size_t(n));
            // A full output chunk may leave decoded bytes behind with no
            // input left, so decoding goes on until a chunk comes back short.
            bool full = false;
            while ((inflater->inputLeft() || full) && !finished) {
                size_t got = 0;
                if (!inflater->decode(reader.out.data(), reader.out.size(), &got, &finished)) {
                    return damaged;
                }
                crc = updateCrc(crc, reader.out.data(), got);
                if (Outcome r = put(reader.out.data(), got); r.code != ZipOk) {
                    return r;
                }
                full = got == reader.out.size();
            }
        }
        if (!finished || crc != e.crc) {
            return damaged;
        }
    }
    if (written != member.size) {
        return {ZipNotRecognised, QStringLiteral("shorter than declared")};
    }
    return {};
}

// Extracts one member into the folder through a temporary file; onChunk
// runs after every chunk written (the caller's progress).
Outcome extractMember(Reader& reader, const Planned& member, const QString& destination,
                      const std::function<void()>& onChunk) {
    QByteArray tempPath;
    const int fd = createTempIn(destination, &tempPath);
    if (fd < 0) {
        return {isSpaceError(errno) ? ZipNoSpace : ZipWriteFailed,
                QStringLiteral("cannot create a file in %1").arg(destination)};
    }
    const Outcome copied = copyData(reader, member, fd, onChunk);
    if (copied.code != ZipOk) {
        ::close(fd);
        ::unlink(tempPath.constData());
        return {copied.code, member.name + ": " + copied.text};
    }
    if (member.mtime > 0) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {member.mtime, 0}};
        ::futimens(fd, times);
    }
    if (::close(fd) != 0) {
        const int sys = errno;
        ::unlink(tempPath.constData());
        return {isSpaceError(sys) ? ZipNoSpace : ZipWriteFailed, member.name};
    }
    const QByteArray target = QFile::encodeName(destination + "/" + member.name);
    if (::rename(tempPath.constData(), target.constData()) != 0) {
        const int sys = errno;
        ::unlink(tempPath.constData());
        return {ZipWriteFailed, member.name + ": " + QString::fromLocal8Bit(strerror(sys))};
    }
    return {};
}

// Members split into shares of about equal bytes, largest first.
std::vector<std::vector<size_t>> shareOut(const std::vector<Planned>& plan, int shares) {
    std::vector<size_t> order(plan.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return plan[a].size > plan[b].size; });
    std::vector<std::vector<size_t>> out(static_cast<size_t>(shares));
    std::vector<zip_uint64_t> load(static_cast<size_t>(shares), 0);
    for (size_t i : order) {
        const auto least = size_t(std::min_element(load.begin(), load.end()) - load.begin());
        out[least].push_back(i);
        load[least] += plan[i].size + 4096;  // a file's own cost
    }
    for (auto& share : out) {
        std::sort(share.begin(), share.end());  // archive order reads ahead best
    }
    return out;
}

}  // namespace

int ZipComponent::unzipFlat() {
    if (m_archiveName.isEmpty()) {
        return fail(ZipBadArgument, QStringLiteral("no archive name"));
    }
    if (m_destination.isEmpty() || !QFileInfo(m_destination).isDir()) {
        return fail(ZipBadArgument, QStringLiteral("no such folder: %1").arg(m_destination));
    }
    if (!QFileInfo(m_archiveName).isFile()) {
        return fail(ZipCannotOpen, QStringLiteral("not a file: %1").arg(m_archiveName));
    }
    int openError = 0;
    ziplib::Archive archive(
        zip_open(QFile::encodeName(m_archiveName).constData(), ZIP_RDONLY, &openError));
    if (!archive) {
        const int code = openError == ZIP_ER_OPEN ? ZipCannotOpen : ZipNotRecognised;
        return fail(code, libzipText(openError));
    }

    // Check every member before writing anything.
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    std::vector<Planned> plan;
    zip_uint64_t totalBytes = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* raw = zip_get_name(archive.get(), index, ZIP_FL_ENC_RAW);
        const char* strict = zip_get_name(archive.get(), index, ZIP_FL_ENC_STRICT);
        zip_stat_t st;
        if (!raw || !strict || zip_stat_index(archive.get(), index, 0, &st) != 0 ||
            !(st.valid & ZIP_STAT_SIZE)) {
            return fail(ZipNotRecognised, QStringLiteral("member %1 cannot be read").arg(i));
        }
        const QByteArray rawName(raw);
        const QString name = zipnames::decodeName(rawName, QByteArray(strict));
        if (!zipnames::isFlatName(QString::fromLatin1(rawName)) || !zipnames::isFlatName(name)) {
            return fail(ZipNotRecognised, QStringLiteral("unsafe member name: %1").arg(name));
        }
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
            return fail(ZipNotRecognised, QStringLiteral("encrypted member: %1").arg(name));
        }
        if ((st.valid & ZIP_STAT_COMP_METHOD) &&
            !zip_compression_method_supported(static_cast<zip_int32_t>(st.comp_method), 0)) {
            return fail(ZipNotRecognised, QStringLiteral("unsupported method: %1").arg(name));
        }
        if (st.size > std::numeric_limits<zip_uint64_t>::max() - totalBytes) {
            return fail(ZipNoSpace, QStringLiteral("declared sizes overflow"));
        }
        totalBytes += st.size;
        const time_t mtime = (st.valid & ZIP_STAT_MTIME) ? st.mtime : 0;
        plan.push_back({index, name, st.size, mtime});
    }
    if (plan.empty()) {
        return fail(ZipWarning, QStringLiteral("the archive holds no files"));
    }
    if (!m_only.isEmpty()) {
        std::erase_if(plan, [&](const Planned& p) { return !m_only.contains(p.name); });
        totalBytes = 0;
        for (const Planned& p : plan) {
            totalBytes += p.size;
        }
        if (plan.empty()) {
            startProgress(0);
            return ZipOk;
        }
    }
    struct statvfs fs;
    const QByteArray destBytes = QFile::encodeName(m_destination);
    if (::statvfs(destBytes.constData(), &fs) == 0) {
        const auto freeBytes = static_cast<zip_uint64_t>(fs.f_bavail) * fs.f_frsize;
        if (totalBytes > freeBytes) {
            return fail(
                ZipNoSpace,
                QStringLiteral("%1 bytes declared, %2 free").arg(totalBytes).arg(freeBytes));
        }
    }

    // Where each member's data lies, read from the file itself; libzip reads
    // any member (or archive) that this does not place.
    const QByteArray archivePath = QFile::encodeName(m_archiveName);
    const int archiveFd = ::open(archivePath.constData(), O_RDONLY | O_CLOEXEC);
    struct CloseFd {
        int fd;
        ~CloseFd() {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    } closeArchiveFd{archiveFd};
    std::vector<zipdir::Entry> directory;
    if (archiveFd >= 0 && zipdir::readDirectory(archiveFd, &directory) &&
        directory.size() == size_t(count)) {
        ::posix_fadvise(archiveFd, 0, 0, POSIX_FADV_SEQUENTIAL);
        for (Planned& member : plan) {
            const zipdir::Entry& e = directory[member.index];
            const bool readable = (e.method == 0 || e.method == 8) && (e.flags & 1) == 0;
            if (readable && e.size == member.size) {
                member.direct = &e;
            }
        }
    }

    startProgress(static_cast<int>(plan.size()));
    const int threads = std::min(QThread::idealThreadCount(), int(plan.size()));
    if (threads < 2 || totalBytes < kParallelBytes) {
        // Small archives one member after the other: a fault stops at once,
        // leaving exactly the members before it.
        Reader reader;
        reader.archive = archive.get();
        reader.fd = archiveFd;
        for (size_t done = 0; done < plan.size(); ++done) {
            const Outcome result = extractMember(reader, plan[done], m_destination,
                                                 [&] { reportProgress(static_cast<int>(done)); });
            if (result.code != ZipOk) {
                return fail(result.code, result.text);
            }
            reportProgress(static_cast<int>(done + 1));
        }
        reportProgress(m_progressTotal, true);
        return ZipOk;
    }

    // Large archives on every core, each thread with its own buffers (and
    // libzip handle, when one is needed); the first fault stops every share
    // before its next member. This thread takes the first share and reports
    // the progress.
    const std::vector<std::vector<size_t>> shares = shareOut(plan, threads);
    std::atomic<int> done{0};
    std::atomic<bool> stop{false};
    std::mutex faultMutex;
    Outcome fault;
    auto record = [&](const Outcome& outcome) {
        std::lock_guard lock(faultMutex);
        if (fault.code == ZipOk) {
            fault = outcome;
        }
        stop = true;
    };
    auto runShare = [&](zip_t* handle, const std::vector<size_t>& share,
                        const std::function<void()>& onChunk) {
        Reader reader;
        ziplib::Archive own;
        reader.archive = handle;
        reader.fd = archiveFd;
        for (size_t i : share) {
            if (stop) {
                return;
            }
            if (!reader.archive && !plan[i].direct) {
                int error = 0;
                own.reset(zip_open(archivePath.constData(), ZIP_RDONLY, &error));
                if (!own) {
                    record({ZipCannotOpen, libzipText(error)});
                    return;
                }
                reader.archive = own.get();
            }
            const Outcome result = extractMember(reader, plan[i], m_destination, onChunk);
            if (result.code != ZipOk) {
                record(result);
                return;
            }
            ++done;
        }
    };
    std::vector<std::thread> workers;
    std::atomic<int> running{int(shares.size()) - 1};
    for (size_t s = 1; s < shares.size(); ++s) {
        workers.emplace_back([&, s] {
            runShare(nullptr, shares[s], nullptr);
            --running;
        });
    }
    runShare(archive.get(), shares[0], [&] { reportProgress(done.load()); });
    // Keep the progress moving while the other shares finish.
    while (running.load() > 0) {
        reportProgress(done.load());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    reportProgress(done.load());
    if (fault.code != ZipOk) {
        return fail(fault.code, fault.text);
    }
    reportProgress(m_progressTotal, true);
    return ZipOk;
}

}  // namespace brindle
