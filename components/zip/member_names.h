// Member names of flat archives: which stored names may be extracted into
// one folder, and how the bytes of a stored name become a file name.
#pragma once

#include <QByteArray>
#include <QString>

namespace brindle::zipnames {

// True when the name can only denote a file directly inside the destination
// folder: not empty, no "/" or "\" anywhere (no folder part, not absolute),
// no drive prefix such as "C:", no "..", not "." and no NUL.
bool isFlatName(const QString& name);

// Decodes a stored name. `raw` is the name as stored; `strict` is the name
// libzip gives under the zip rules (UTF-8 when the archive marks it so, the
// Unicode path field when one is present, CP437 otherwise). Names made on
// Linux are UTF-8 whether marked or not; unmarked names that are not UTF-8
// come from Windows tools, in the DOS code page 437 or in Windows-1252, and
// the letters they hold decide which.
QString decodeName(const QByteArray& raw, const QByteArray& strict);

QString decodeCp437(const QByteArray& bytes);
QString decodeWindows1252(const QByteArray& bytes);

}  // namespace brindle::zipnames
