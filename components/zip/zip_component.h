// The zip component: packs a list of files into one archive, every member
// stored flat under its bare file name, and unpacks an archive into one
// folder. Both run on the caller's thread and report progress as they go.
//
// Members are deflated at the compression level (6 unless set), on every
// core, except those already compressed (JPEG and GIF pictures, RealMedia,
// known by their names) and those that a sample shows deflate cannot shrink
// by a tenth (compressed video in an AVI, most recorded sound): they are
// stored, which saves most of the time and little of the size.
//
// Zipping writes the new archive to a temporary file in the archive's
// folder and renames it over the old archive only once it is complete (and,
// by default, on disk), so a failed or interrupted save leaves the previous
// archive as it was.
//
// Unzipping refuses archives it cannot extract safely: a member whose name
// has a folder part, is absolute or contains ".." (nothing is extracted), a
// member that inflates past its declared size (extraction stops), and an
// archive whose declared sizes exceed the destination's free space (nothing
// is extracted). Every member is written to a temporary file and renamed
// into place, so an existing link in the destination is replaced, never
// followed, and a failed member leaves no partial file.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include "components/zip/zip_result.h"

namespace brindle {

class ZipComponent : public QObject {
    Q_OBJECT
public:
    explicit ZipComponent(QObject* parent = nullptr);

    // The files to zip, as full paths; each is stored under its bare name.
    void clearFiles();
    void addFile(const QString& path);
    const QStringList& files() const { return m_files; }

    // The archive that zip() writes and unzip() reads.
    void setArchiveName(const QString& path) { m_archiveName = path; }
    QString archiveName() const { return m_archiveName; }

    // Deflate level for zip(), 0 (store) to 9; 6 unless set. Other values are
    // refused (false) and the level stays.
    bool setCompressionLevel(int level);
    int compressionLevel() const { return m_level; }

    // The folder unzip() extracts into; it must exist.
    void setDestination(const QString& folder) { m_destination = folder; }
    QString destination() const { return m_destination; }

    // When not empty, unzip() extracts only the members with these names
    // (the archive is still checked whole, and none of them need be there);
    // an empty list extracts every member again.
    void setOnlyMembers(const QStringList& names) { m_only = names; }

    // While working, pending events (repaints, timers; not user input) are
    // processed every few tens of milliseconds so a window stays drawn and
    // a progress bar moves. On unless switched off.
    void setProcessEvents(bool on) { m_processEvents = on; }

    // Whether zip() flushes the new archive to disk before it replaces the
    // old one, so a crash right after the save cannot leave an empty file.
    // On unless switched off.
    void setSyncBeforeReplace(bool on) { m_syncBeforeReplace = on; }

    // Packs the listed files into the archive; a ZipResult code.
    int zip();
    // Extracts every member of the archive into the destination; a ZipResult
    // code.
    int unzip();

    // What went wrong (or what the warning was about) in the last zip() or
    // unzip(); empty after a clean run.
    QString lastErrorText() const { return m_errorText; }

signals:
    // Emitted as the work goes on: when it starts (processed 0), while it
    // advances and at the end (processed == total). Total is the number of
    // members to pack or extract.
    void progress(int filesTotal, int filesProcessed);

private:
    int fail(int code, const QString& text);
    void startProgress(int total);
    // Reports the count when it changed (or always with force), and lets
    // pending events run when enough time has passed.
    void reportProgress(int processed, bool force = false);
    int zipFlat();
    int unzipFlat();

    QStringList m_files;
    QStringList m_only;
    QString m_archiveName;
    QString m_destination;
    QString m_errorText;
    int m_level = 6;
    bool m_processEvents = true;
    bool m_syncBeforeReplace = true;
    bool m_busy = false;
    int m_progressTotal = 0;
    int m_progressDone = -1;
    QElapsedTimer m_sinceEvents;
};

}  // namespace brindle
