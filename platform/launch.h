// Starting and ending the child programs of the editor window: the
// presentation player and the web browser, found through the XDG file
// associations.
//
// The executable is the first word of the associated application's Exec
// line, made absolute through PATH. The child is started with the rest of
// that line, the file or target taking the place of its %f/%F/%u/%U code (or
// put at the end when there is none), always as one argument, so names with
// blanks arrive whole.
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
// launch first ends the recorded child. The browser itself is never
// recorded and never ended by the program.
void LaunchBrowser(const QString& assocFile, const QString& target, bool managed);
// Ends the recorded child (the player), if it is still running.
void CloseBrowser();
// Opens folder in the program associated with folders (a file manager),
// detached. False when there is none or it did not start.
bool OpenFolder(const QString& folder);

namespace launch {

// The folder of the forwarding page written for browsers that open only
// files (the program's temporary folder, gTempFolder, by default).
void setTempFolder(const QString& folder);

// Process ids of the recorded (managed) child and of the last detached
// browser; 0 when there is none.
qint64 recordedChildId();
qint64 detachedChildId();

}  // namespace launch
}  // namespace brindle
