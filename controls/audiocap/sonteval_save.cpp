// Saving the open stream, whole or its selection: into a temporary file
// beside the destination that is renamed over it only when complete, so a
// failed or cancelled save leaves the old destination as it was.
#include "controls/audiocap/sonteval.h"
#include "controls/audiocap/sound_save.h"
#include "platform/temporaries.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>

namespace brindle::sonteval {
namespace {

// The control whose save is running: one save at a time in the process.
Sonteval* g_saving = nullptr;

}  // namespace

wave::Format Sonteval::saveFormatFor() const {
    if (m_saveFormat == 3) {
        // Matched to the source: every open stream here is PCM.
        if (m_openStream && m_openStream->format().isPcm()) {
            return m_openStream->format();
        }
        return formatByIndex(1);
    }
    return formatByIndex(m_saveFormat);
}

bool Sonteval::saveProgressStep(int percent) {
    fire(EventSaveProgress, {percent});
    if (m_cancelRequested) {
        m_cancelRequested = false;
        m_saveCancelled = true;
        return false;
    }
    return true;
}

std::int32_t Sonteval::saveRange(const QVariant& pathArg, bool selectionOnly) {
    if (m_recorder || g_saving) {
        return kErrBusy;
    }
    if (nullText(pathArg)) {
        return kErrNoName;
    }
    const QString dest = pathArg.toString();
    const QFileInfo destInfo(dest);
    if (!m_sourceFileName.isEmpty() && destInfo.exists() &&
        destInfo.canonicalFilePath() == QFileInfo(m_sourceFileName).canonicalFilePath()) {
        return kErrCannotOpen;  // a save never writes over what it reads
    }
    if (destInfo.exists() && !destInfo.isFile()) {
        return kErrCannotOpen;
    }
    std::string tempName =
        QFile::encodeName(destInfo.absolutePath() + QStringLiteral("/acapXXXXXX")).toStdString();
    const int fd = temporaries::makeFile(tempName);
    const QByteArray temp = QByteArray::fromStdString(tempName);
    if (fd < 0) {
        return kErrCannotOpen;
    }
    // The new file keeps the old one's permissions, or the usual ones.
    struct stat st {};
    const mode_t mode =
        ::stat(QFile::encodeName(dest).constData(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);
    ::close(fd);

    const wave::Format format = saveFormatFor();
    // The stream stays alive for the save whatever the host does meanwhile.
    const StreamPtr stream = m_openStream;
    const std::int64_t first = selectionOnly ? m_selectionStart : 0;
    const std::int64_t end = selectionOnly ? m_selectionEnd : stream->length();
    m_positionMs = 0;

    m_saving = true;
    g_saving = this;
    fire(EventSaveBegin);
    std::int32_t result = 0;
    if (m_saveFormat == 2) {
        // No codec for the compressed format is installed on this system.
        result = kConvertNoCodec;
    } else {
        const SaveResult r = writeSound(*stream, first, end, format, temp.toStdString(),
                                        isAviName(dest.toStdString()),
                                        [this](int percent) { return saveProgressStep(percent); });
        switch (r) {
            case SaveResult::Ok:
                result = std::rename(temp.constData(), QFile::encodeName(dest).constData()) == 0
                             ? 0
                             : kErrWrite;
                break;
            case SaveResult::WriteFailed:
                result = kErrWrite;
                break;
            case SaveResult::Cancelled:
                result = kErrCancelled;
                break;
            case SaveResult::BadFormat:
                result = kErrCannotOpen;
                break;
        }
    }
    ::unlink(temp.constData());
    fire(EventSaveDone, {m_saveCancelled});
    m_saveCancelled = false;
    m_saving = false;
    g_saving = nullptr;
    update();
    return result;
}

DispResult Sonteval::save(QVariantList& args) {
    if (!m_openStream) {
        return DispResult::error(kErrNoStream);
    }
    const std::int32_t r = saveRange(args.value(0), false);
    if (r == 0 || r == kErrCancelled || r == kConvertCancelled) {
        return DispResult::value_of({});
    }
    return DispResult::error(r);
}

DispResult Sonteval::saveSelection(QVariantList& args) {
    if (!m_openStream) {
        return DispResult::error(kErrNoStream);
    }
    const std::int32_t r = saveRange(args.value(0), true);
    if (r == 0 || r == kErrCancelled || r == kConvertCancelled) {
        return DispResult::value_of({});
    }
    return DispResult::error(r);
}

DispResult Sonteval::threadSafeSave(QVariantList& args) {
    if (!m_openStream) {
        return DispResult::value_of(kErrNoStream);
    }
    return DispResult::value_of(saveRange(args.value(0), false));
}

}  // namespace brindle::sonteval
