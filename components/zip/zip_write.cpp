// Packing: the listed files go flat into a temporary archive beside the
// target, which replaces the target only when it is complete.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zlib.h>

#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>

#include <cerrno>
#include <vector>

#include "components/zip/libzip_handles.h"
#include "components/zip/zip_component.h"
#include "platform/temporaries.h"

namespace brindle {
namespace {

struct Listed {
    QString path;
    QByteArray name;  // bare name, UTF-8
    qint64 size;
};

// Reserves a new, unique file name in the target's folder ("." + name + a
// random tag), created empty with the mode a new file gets from the umask.
// The name is journaled, so that a crash leaves nothing behind for long.
QString reserveSibling(const QString& target) {
    const QFileInfo info(target);
    std::string path =
        QFile::encodeName(info.absolutePath() + "/." + info.fileName() + ".XXXXXX.tmp")
            .toStdString();
    const int fd = temporaries::makeFile(path, 4, 0666);
    if (fd < 0) {
        return QString();
    }
    ::close(fd);
    return QFile::decodeName(path.c_str());
}

// Already compressed media (JPEG, MPEG-4, MJPEG) gain nothing from deflate
// but cost most of its time. A sample from the middle of the file, deflated
// quickly, tells whether the member is worth deflating at all; one that does
// not shrink by 3% is stored.
bool worthDeflating(const QString& path, qint64 size) {
    constexpr qint64 kSample = 256 << 10;
    if (size < 2 * kSample) {
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(size / 2 - kSample / 2)) {
        return true;  // the real read will report the fault
    }
    const QByteArray sample = file.read(kSample);
    uLongf packed = compressBound(uLong(sample.size()));
    std::vector<Bytef> out(packed);
    if (compress2(out.data(), &packed, reinterpret_cast<const Bytef*>(sample.constData()),
                  uLong(sample.size()), 1) != Z_OK) {
        return true;
    }
    return double(packed) < 0.97 * double(sample.size());
}

bool isSpaceError(int sys) {
    return sys == ENOSPC || sys == EDQUOT || sys == EFBIG;
}

bool syncFile(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // best effort: the rename is already done
        ::close(fd);
    }
}

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

    const QString temp = reserveSibling(m_archiveName);
    if (temp.isEmpty()) {
        return fail(ZipWriteFailed,
                    QStringLiteral("cannot create a file beside %1: %2")
                        .arg(m_archiveName, QString::fromLocal8Bit(strerror(errno))));
    }
    const QByteArray tempBytes = QFile::encodeName(temp);
    auto dropTemp = [&](int code, const QString& text) {
        ::unlink(tempBytes.constData());
        return fail(code, text);
    };

    int openError = 0;
    ziplib::Archive archive(zip_open(tempBytes.constData(), ZIP_CREATE | ZIP_TRUNCATE, &openError));
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, openError);
        const QString text = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        return dropTemp(ZipWriteFailed, text);
    }
    for (const Listed& member : members) {
        ziplib::Source source(
            zip_source_file(archive.get(), QFile::encodeName(member.path).constData(), 0, -1));
        if (!source) {
            return dropTemp(ZipReadFailed, QStringLiteral("cannot read %1").arg(member.path));
        }
        const zip_int64_t index =
            zip_file_add(archive.get(), member.name.constData(), source.get(), ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            return dropTemp(ZipWriteFailed, QString::fromUtf8(zip_strerror(archive.get())));
        }
        source.release();  // the archive owns it now
        const bool deflate = m_level > 0 && worthDeflating(member.path, member.size);
        const zip_int32_t method = deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE;
        if (zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index), method,
                                     static_cast<zip_uint32_t>(m_level)) != 0) {
            return dropTemp(ZipWriteFailed, QString::fromUtf8(zip_strerror(archive.get())));
        }
    }

    startProgress(static_cast<int>(members.size()));
    auto onProgress = [](zip_t*, double fraction, void* self) {
        auto* zip = static_cast<ZipComponent*>(self);
        const int done = static_cast<int>(fraction * zip->m_progressTotal + 1e-6);
        zip->reportProgress(std::min(done, zip->m_progressTotal));
    };
    zip_register_progress_callback_with_state(archive.get(), 0.001, onProgress, nullptr, this);

    if (zip_close(archive.get()) != 0) {
        zip_error_t* error = zip_get_error(archive.get());
        const bool sys = zip_error_system_type(error) == ZIP_ET_SYS;
        const int zipCode = zip_error_code_zip(error);
        int code = ZipWriteFailed;
        if (sys && isSpaceError(zip_error_code_system(error))) {
            code = ZipNoSpace;
        } else if (zipCode == ZIP_ER_READ || zipCode == ZIP_ER_OPEN || zipCode == ZIP_ER_NOENT ||
                   zipCode == ZIP_ER_CHANGED) {
            code = ZipReadFailed;
        }
        return dropTemp(code, QString::fromUtf8(zip_error_strerror(error)));
    }
    archive.release();  // zip_close freed it

    // The new archive takes the old one's permissions.
    const QByteArray targetBytes = QFile::encodeName(m_archiveName);
    struct stat old;
    if (::stat(targetBytes.constData(), &old) == 0) {
        ::chmod(tempBytes.constData(), old.st_mode & 07777);
    }
    if (m_syncBeforeReplace && !syncFile(tempBytes)) {
        const int sys = errno;
        return dropTemp(isSpaceError(sys) ? ZipNoSpace : ZipWriteFailed,
                        QStringLiteral("cannot flush %1").arg(temp));
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
