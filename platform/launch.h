// Starting and ending the child programs of the editor window: the
// presentation player and the web browser, found through the XDG file
// associations.
#pragma once

#include <QString>

namespace brindle {

// The executable associated with file (its MIME type's default
// application), or empty when there is none.
QString FindExecutable(const QString& file);
// Starts the player associated with file on file (messages 158, 159). A
// second launch ends the player started by the first.
void LaunchPlayer(const QString& file);
// Starts the web browser on target (messages 107, 111). assocFile is a file
// whose association is looked up; empty uses a scratch page. A managed
// browser replaces the recorded child; an unmanaged one is never ended.
void LaunchBrowser(const QString& assocFile, const QString& target, bool managed);
// Ends the recorded child, if any.
void CloseBrowser();

}  // namespace brindle
