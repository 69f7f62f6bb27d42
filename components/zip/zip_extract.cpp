// Unpacking: every member of an archive goes flat into one folder, after the
// names and declared sizes have been checked, each member through a
// temporary file that is renamed into place once its data is complete.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <limits>
#include <vector>

#include "components/zip/libzip_handles.h"
#include "components/zip/member_names.h"
#include "components/zip/zip_component.h"
#include "platform/temporaries.h"

namespace brindle {
namespace {

constexpr zip_uint64_t kChunkBytes = 1 << 20;

struct Planned {
    zip_uint64_t index;
    QString name;
    zip_uint64_t size;  // declared, uncompressed
    time_t mtime;
};

// A new file in the folder under a random hidden name, open for writing.
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

    startProgress(static_cast<int>(plan.size()));
    std::vector<char> buffer(kChunkBytes);
    for (size_t done = 0; done < plan.size(); ++done) {
        const Planned& member = plan[done];
        ziplib::Member in(zip_fopen_index(archive.get(), member.index, 0));
        if (!in) {
            return fail(ZipNotRecognised,
                        QStringLiteral("%1: %2").arg(member.name, zip_strerror(archive.get())));
        }
        QByteArray tempPath;
        const int fd = createTempIn(m_destination, &tempPath);
        if (fd < 0) {
            return fail(isSpaceError(errno) ? ZipNoSpace : ZipWriteFailed,
                        QStringLiteral("cannot create a file in %1").arg(m_destination));
        }
        auto abandon = [&](int code, const QString& text) {
            ::close(fd);
            ::unlink(tempPath.constData());
            return fail(code, member.name + ": " + text);
        };
        zip_uint64_t written = 0;
        for (;;) {
            const zip_int64_t n = zip_fread(in.get(), buffer.data(), buffer.size());
            if (n < 0) {
                return abandon(ZipNotRecognised,
                               QString::fromUtf8(zip_error_strerror(zip_file_get_error(in.get()))));
            }
            if (n == 0) {
                break;
            }
            const auto got = static_cast<zip_uint64_t>(n);
            if (got > member.size - written) {
                return abandon(ZipMemberTooLarge,
                               QStringLiteral("inflates past %1 bytes").arg(member.size));
            }
            if (!writeAll(fd, buffer.data(), got)) {
                const int sys = errno;
                return abandon(isSpaceError(sys) ? ZipNoSpace : ZipWriteFailed,
                               QString::fromLocal8Bit(strerror(sys)));
            }
            written += got;
            reportProgress(static_cast<int>(done));
        }
        if (written != member.size) {
            return abandon(ZipNotRecognised, QStringLiteral("shorter than declared"));
        }
        if (member.mtime > 0) {
            const struct timespec times[2] = {{0, UTIME_OMIT}, {member.mtime, 0}};
            ::futimens(fd, times);
        }
        if (::close(fd) != 0) {
            const int sys = errno;
            ::unlink(tempPath.constData());
            return fail(isSpaceError(sys) ? ZipNoSpace : ZipWriteFailed, member.name);
        }
        const QByteArray target = QFile::encodeName(m_destination + "/" + member.name);
        if (::rename(tempPath.constData(), target.constData()) != 0) {
            const int sys = errno;
            ::unlink(tempPath.constData());
            return fail(ZipWriteFailed, member.name + ": " + QString::fromLocal8Bit(strerror(sys)));
        }
        reportProgress(static_cast<int>(done + 1));
    }
    reportProgress(m_progressTotal, true);
    return ZipOk;
}

}  // namespace brindle
