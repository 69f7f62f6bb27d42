// Packing: the listed files go flat into a temporary archive beside the
// target, which replaces the target only when it is complete.
//
// The archive is written here rather than through libzip so that deflate
// runs on every core: the caller's thread reads each file in large blocks
// and writes the results in order, worker threads deflate (or only
// checksum) the blocks. A member's local header is written before its data
// and patched with the checksum and sizes once the data is out, so no data
// descriptors are needed and every reader finds the sizes where it looks.
// The archive is flushed to disk once, before the rename.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <zlib.h>

#include <QFileInfo>
#include <QHash>
#include <QMultiHash>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "components/zip/block_pipeline.h"
#include "components/zip/zip_component.h"
#include "components/zip/zip_format.h"
#include "platform/temporaries.h"

namespace brindle {
namespace {

constexpr std::size_t kBlockBytes = 1 << 20;

struct Listed {
    QString path;
    QByteArray name;  // bare name, UTF-8
    qint64 size;
};

// Reserves a new, unique file name in the target's folder ("." + name + a
// random tag), created empty with the mode a new file gets from the umask.
// Answers the name and leaves the file open in *fd, for reading and writing
// (a member may be copied from earlier in the file). The name is journaled,
// so that a crash leaves nothing behind for long.
QString reserveSibling(const QString& target, int* fd) {
    const QFileInfo info(target);
    std::string path =
        QFile::encodeName(info.absolutePath() + "/." + info.fileName() + ".XXXXXX.tmp")
            .toStdString();
    *fd = temporaries::makeFile(path, 4, 0666);
    return *fd >= 0 ? QFile::decodeName(path.c_str()) : QString();
}

// What a member's name says about its contents.
enum class Kind { Packed, Unknown };

// Pictures, sound and video that are already compressed: deflate gains
// nothing on them but costs most of its time.
Kind kindOf(const QByteArray& name) {
    static const char* const packed[] = {"jpg",  "jpeg", "jpe", "gif", "png", "rm",  "ra",
                                         "rmvb", "mp3",  "mp4", "m4a", "zip", "bqx", "gz"};
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0) {
        return Kind::Unknown;
    }
    const QByteArray ext = name.mid(dot + 1).toLower();
    for (const char* p : packed) {
        if (ext == p) {
            return Kind::Packed;
        }
    }
    return Kind::Unknown;
}

// For any other member, a sample from the middle of the file, deflated
// quickly, tells whether it is worth deflating at all. Compressed video in
// an AVI is not, and neither is recorded sound that shrinks by a few
// percent at several times the cost of copying it (a 16-bit recording's
// sample shrinks by 10 to 12 % at level 1 and the whole file by 8 % at
// level 6, for a second of deflating per 30 MB): a member whose sample
// does not shrink by 15 % is stored.
bool worthDeflating(int fd, qint64 size) {
    constexpr qint64 kSample = 256 << 10;
    if (size < 2 * kSample) {
        return true;
    }
    std::vector<Bytef> sample(kSample);
    const ssize_t got = ::pread(fd, sample.data(), kSample, size / 2 - kSample / 2);
    if (got <= 0) {
        return true;  // the real read will report the fault
    }
    uLongf packed = compressBound(uLong(got));
    std::vector<Bytef> out(packed);
    if (compress2(out.data(), &packed, sample.data(), uLong(got), 1) != Z_OK) {
        return true;
    }
    return double(packed) < 0.85 * double(got);
}

// Whether two files of the same size hold the same bytes.
bool sameContents(const QString& a, const QString& b) {
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size()) {
        return false;
    }
    constexpr qint64 kChunk = 1 << 20;
    while (!fa.atEnd()) {
        const QByteArray x = fa.read(kChunk);
        if (x.isEmpty() || x != fb.read(kChunk)) {
            return false;
        }
    }
    return fb.atEnd();
}

bool isSpaceError(int sys) {
    return sys == ENOSPC || sys == EDQUOT || sys == EFBIG;
}

bool writeAllAt(int fd, const char* data, size_t size, off_t at) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, at);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= size_t(n);
        at += n;
    }
    return true;
}

// Writes both parts, in that order, at the current position.
bool writeTwo(int fd, const void* a, size_t aSize, const void* b, size_t bSize) {
    struct iovec parts[2] = {{const_cast<void*>(a), aSize}, {const_cast<void*>(b), bSize}};
    int first = 0;
    while (first < 2) {
        const ssize_t n = ::writev(fd, parts + first, 2 - first);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        auto left = size_t(n);
        while (first < 2 && left >= parts[first].iov_len) {
            left -= parts[first].iov_len;
            ++first;
        }
        if (first < 2) {
            parts[first].iov_base = static_cast<char*>(parts[first].iov_base) + left;
            parts[first].iov_len -= left;
        }
    }
    return true;
}

bool readFull(int fd, unsigned char* to, size_t size) {
    while (size > 0) {
        const ssize_t n = ::read(fd, to, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            errno = 0;  // the file shrank while it was being packed
            return false;
        }
        to += n;
        size -= size_t(n);
    }
    return true;
}

void syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: the rename is already done
        ::close(fd);
    }
}

// Closes a descriptor however the scope ends.
class FdGuard {
public:
    explicit FdGuard(int fd) : m_fd(fd) {}
    ~FdGuard() { release(); }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return m_fd; }
    int release() {
        const int r = m_fd >= 0 ? ::close(m_fd) : 0;
        m_fd = -1;
        return r;
    }

private:
    int m_fd;
};

}  // namespace

int ZipComponent::zipFlat() {
    if (m_archiveName.isEmpty()) {
        return fail(ZipBadArgument, QStringLiteral("no archive name"));
    }
    if (m_files.isEmpty()) {
        return fail(ZipNothingListed, QStringLiteral("the file list is empty"));
    }

    // Decide the members first, so a naming conflict writes nothing.
    std::vector<Listed> members;
    QHash<QByteArray, QString> canonicalByName;
    QStringList missing;
    for (const QString& path : m_files) {
        const QFileInfo info(path);
        if (!info.isFile()) {
            missing.append(path);
            continue;
        }
        const QByteArray name = info.fileName().toUtf8();
        const QString canonical = info.canonicalFilePath();
        const auto seen = canonicalByName.constFind(name);
        if (seen != canonicalByName.constEnd()) {
            if (*seen == canonical) {
                continue;  // listed twice: stored once
            }
            return fail(
                ZipDuplicateName,
                QStringLiteral("two listed files are named %1").arg(QString::fromUtf8(name)));
        }
        canonicalByName.insert(name, canonical);
        members.push_back({path, name, info.size()});
    }
    if (members.empty()) {
        return fail(ZipNothingListed, QStringLiteral("none of the listed files exists"));
    }

    int outFd = -1;
    const QString temp = reserveSibling(m_archiveName, &outFd);
    if (temp.isEmpty()) {
        return fail(ZipWriteFailed,
                    QStringLiteral("cannot create a file beside %1: %2")
                        .arg(m_archiveName, QString::fromLocal8Bit(strerror(errno))));
    }
    FdGuard out(outFd);
    const QByteArray tempBytes = QFile::encodeName(temp);
    auto dropTemp = [&](int code, const QString& text) {
        out.release();
        ::unlink(tempBytes.constData());
        return fail(code, text);
    };
    auto writeFailure = [&](const QString& what) {
        const int sys = errno;
        return dropTemp(
            isSpaceError(sys) ? ZipNoSpace : ZipWriteFailed,
            QStringLiteral("cannot write %1: %2").arg(what, QString::fromLocal8Bit(strerror(sys))));
    };

    std::vector<zipformat::Entry> entries(members.size());
    const int threads = std::max(1, QThread::idealThreadCount());
    BlockPipeline pipeline(threads, std::size_t(threads) * 3 + 2);
    quint64 position = 0;
    int membersDone = 0;
    startProgress(static_cast<int>(members.size()));

    // A member's checksum and sizes, known after its last block, written
    // into its local header.
    auto patchLocalHeader = [&](const zipformat::Entry& e) -> bool {
        const QByteArray fields = zipformat::localCrcAndSizes(e);
        if (!writeAllAt(out.get(), fields.constData(), size_t(fields.size()),
                        off_t(e.offset + zipformat::kLocalCrcOffset))) {
            return false;
        }
        if (!e.zip64Local) {
            return true;
        }
        const QByteArray sizes = zipformat::localZip64Sizes(e);
        return writeAllAt(out.get(), sizes.constData(), size_t(sizes.size()),
                          off_t(e.offset + quint64(zipformat::localZip64Offset(e))));
    };

    // Writes the oldest block's output; the member's header goes first, and
    // its checksum and sizes are patched in after its last block.
    auto drainOne = [&]() -> bool {
        std::unique_ptr<BlockPipeline::Block> block = pipeline.takeOldest();
        if (block->failed) {
            errno = 0;
            return false;
        }
        zipformat::Entry& e = entries[size_t(block->member)];
        QByteArray header;
        if (block->first) {
            e.offset = position;
            header = zipformat::localHeader(e);
        }
        if (block->copyOf >= 0) {
            // The same bytes as an earlier member: its data, already in the
            // archive, is copied instead of deflated again.
            const zipformat::Entry& from = entries[size_t(block->copyOf)];
            if (!writeTwo(out.get(), header.constData(), size_t(header.size()), nullptr, 0)) {
                return false;
            }
            position += quint64(header.size());
            const quint64 start = from.offset + quint64(zipformat::localHeader(from).size());
            std::vector<char> buffer(kBlockBytes);
            for (quint64 done = 0; done < from.packed;) {
                const size_t take = size_t(std::min<quint64>(from.packed - done, buffer.size()));
                const ssize_t got = ::pread(out.get(), buffer.data(), take, off_t(start + done));
                if (got <= 0 || !writeTwo(out.get(), buffer.data(), size_t(got), nullptr, 0)) {
                    return false;
                }
                done += quint64(got);
            }
            position += from.packed;
            e.crc = from.crc;
            e.packed = from.packed;
            if (!patchLocalHeader(e)) {
                return false;
            }
            ++membersDone;
            pipeline.recycle(std::move(block));
            reportProgress(membersDone);
            return true;
        }
        const void* data = block->deflate ? static_cast<const void*>(block->out.data())
                                          : static_cast<const void*>(block->input());
        const size_t dataSize = block->deflate ? block->out.size() : block->inputSize();
        if (!writeTwo(out.get(), header.constData(), size_t(header.size()), data, dataSize)) {
            return false;
        }
        position += quint64(header.size()) + dataSize;
        e.crc = block->first
                    ? std::uint32_t(block->crc)
                    : std::uint32_t(crc32_combine(e.crc, block->crc, z_off_t(block->inputSize())));
        e.packed += dataSize;
        if (block->last) {
            if (!patchLocalHeader(e)) {
                return false;
            }
            ++membersDone;
        }
        pipeline.recycle(std::move(block));
        reportProgress(membersDone);
        return true;
    };

    // Deflated members already written, by size: one with the same bytes is
    // copied from the archive instead of deflated again (a picture or sound
    // used on several slides is in the project once per slide).
    QMultiHash<qint64, size_t> deflatedBySize;
    for (size_t i = 0; i < members.size(); ++i) {
        const Listed& member = members[i];
        FdGuard in(::open(QFile::encodeName(member.path).constData(), O_RDONLY | O_CLOEXEC));
        struct stat st;
        if (in.get() < 0 || ::fstat(in.get(), &st) != 0) {
            return dropTemp(ZipReadFailed, QStringLiteral("cannot read %1").arg(member.path));
        }
        ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        zipformat::Entry& e = entries[i];
        e.name = member.name;
        e.size = quint64(st.st_size);
        e.mode = st.st_mode;
        zipformat::setDosTime(e, st.st_mtime);
        e.zip64Local = zipformat::needsZip64Local(e.size);
        const bool deflate = m_level > 0 && e.size > 0 && kindOf(member.name) != Kind::Packed &&
                             worthDeflating(in.get(), st.st_size);
        e.method = deflate ? zipformat::kMethodDeflate : zipformat::kMethodStore;
        if (deflate) {
            int copyOf = -1;
            for (auto it = deflatedBySize.constFind(qint64(e.size));
                 it != deflatedBySize.constEnd() && it.key() == qint64(e.size); ++it) {
                if (sameContents(members[*it].path, member.path)) {
                    copyOf = int(*it);
                    break;
                }
            }
            if (copyOf >= 0) {
                std::unique_ptr<BlockPipeline::Block> block = pipeline.freshBlock();
                block->member = int(i);
                block->copyOf = copyOf;
                block->first = block->last = true;
                pipeline.push(std::move(block));
                while (pipeline.full()) {
                    if (!drainOne()) {
                        return writeFailure(temp);
                    }
                }
                continue;
            }
            deflatedBySize.insert(qint64(e.size), i);
        }

        quint64 left = e.size;
        bool first = true;
        std::vector<unsigned char> tail;  // the previous block's last 32 KiB
        do {
            std::unique_ptr<BlockPipeline::Block> block = pipeline.freshBlock();
            const size_t take = size_t(std::min<quint64>(left, kBlockBytes));
            block->dictionary = deflate ? tail.size() : 0;
            block->data.resize(block->dictionary + take);
            if (block->dictionary > 0) {
                std::copy(tail.begin(), tail.end(), block->data.begin());
            }
            if (!readFull(in.get(), block->data.data() + block->dictionary, take)) {
                const int sys = errno;
                return dropTemp(ZipReadFailed,
                                QStringLiteral("cannot read %1: %2")
                                    .arg(member.path, sys ? QString::fromLocal8Bit(strerror(sys))
                                                          : QStringLiteral("it changed")));
            }
            left -= take;
            if (deflate && left > 0) {
                const size_t keep = std::min(take, BlockPipeline::kDictionaryBytes);
                tail.assign(block->data.end() - std::ptrdiff_t(keep), block->data.end());
            }
            block->deflate = deflate;
            block->level = m_level;
            block->member = int(i);
            block->first = first;
            block->last = left == 0;
            first = false;
            pipeline.push(std::move(block));
            while (pipeline.full()) {
                if (!drainOne()) {
                    return writeFailure(temp);
                }
            }
        } while (left > 0);
    }
    while (!pipeline.empty()) {
        if (!drainOne()) {
            return writeFailure(temp);
        }
    }

    QByteArray central;
    for (const zipformat::Entry& e : entries) {
        central.append(zipformat::centralEntry(e));
    }
    central.append(zipformat::endRecords(entries.size(), position, quint64(central.size())));
    if (!writeTwo(out.get(), central.constData(), size_t(central.size()), nullptr, 0)) {
        return writeFailure(temp);
    }

    // The new archive takes the old one's permissions.
    const QByteArray targetBytes = QFile::encodeName(m_archiveName);
    struct stat old;
    if (::stat(targetBytes.constData(), &old) == 0) {
        ::fchmod(out.get(), old.st_mode & 07777);
    }
    if (m_syncBeforeReplace && ::fdatasync(out.get()) != 0) {
        const int sys = errno;
        return dropTemp(isSpaceError(sys) ? ZipNoSpace : ZipWriteFailed,
                        QStringLiteral("cannot flush %1").arg(temp));
    }
    if (out.release() != 0) {
        return writeFailure(temp);
    }
    if (::rename(tempBytes.constData(), targetBytes.constData()) != 0) {
        return dropTemp(ZipWriteFailed,
                        QStringLiteral("cannot replace %1: %2")
                            .arg(m_archiveName, QString::fromLocal8Bit(strerror(errno))));
    }
    if (m_syncBeforeReplace) {
        syncFolder(QFileInfo(m_archiveName).absolutePath());
    }
    reportProgress(m_progressTotal, true);

    if (!missing.isEmpty()) {
        return fail(ZipWarning,
                    QStringLiteral("left out missing files: %1").arg(missing.join(", ")));
    }
    return ZipOk;
}

}  // namespace brindle
