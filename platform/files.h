// File and path helpers that every part of the program uses: the temporary
// folder, deleting by pattern, path splitting and the small text helpers.
#pragma once

#include <QString>
#include <QStringList>

namespace brindle {

// The per-user temporary folder, ending in a separator. It is
// $XDG_CACHE_HOME/brindle/ (~/.cache/brindle/): private to the user, on a
// disk with room for video, unlike a shared /tmp.
QString GetTempFolder();

// Deletes every plain file whose name matches the pattern's file part
// ("folder/*.*" or "folder/*" for all). Failures are passed over; true when
// none occurred.
bool KillFiles(const QString& pattern);

// True when the path does not exist or is not an ordinary file (a folder, a
// device, a pipe...).
bool IsNotPlainFile(const QString& path);

// The path up to and including its last "/"; empty when there is none.
QString DirPart(const QString& path);

// The text after DirPart; the whole path when it has no folder part.
QString FileNamePart(const QString& path);

// A double quote, the text without leading and trailing blanks, a double quote.
QString QuoteArg(const QString& text);

// Replaces "<" by "&lt;" and ">" by "&gt;"; nothing else changes.
QString EscapeAngles(const QString& text);

namespace files {

// Copies src to dst, replacing dst. True on success; copying a file onto
// itself succeeds without touching it.
bool copyFile(const QString& src, const QString& dst);

// Copies src over dst through a temporary file in dst's folder that is
// renamed over dst once written whole, so a failed copy leaves dst as it
// was. True on success; a file onto itself succeeds untouched.
bool replaceFile(const QString& src, const QString& dst);

// Deletes a file; true when it no longer exists.
bool deleteFile(const QString& path);

// Creates an empty file (truncating one that exists); true on success.
bool createEmptyFile(const QString& path);

// Creates a folder and its parents; an existing folder is fine.
bool makeFolder(const QString& path);

// Whether a file name matches a wildcard pattern with "*" and "?", without
// regard to case; "*.*" matches every name, dot or not.
bool wildcardMatch(const QString& pattern, const QString& name);

// A file dialog filter written "Description|*.a;*.b|..." as the string
// table holds it, as Qt's name filters: "Description (*.a *.b)", one per
// pair. A description that already shows its patterns is kept as it is.
QStringList nameFilters(const QString& windowsFilter);

}  // namespace files
}  // namespace brindle
