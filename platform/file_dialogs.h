// The program's file dialogs as callers see them: a request (open or save,
// title, the string table's "description|patterns|..." filter, the folder to
// start in) answered with the chosen files. Like messages, where a request
// goes is a sink: the program with a window installs its real dialogs
// (platform/dialogs), tests and tools install one of their own. This part
// needs no window system.
#pragma once

#include <QString>
#include <QStringList>

namespace brindle {

enum class FileDialogKind {
    Open,  // one existing file
    Save,  // a name to write, with an overwrite prompt
};

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString title;
    QString filter;        // "description|patterns|description|patterns..."
    QString folder;        // where the dialog starts
    QString proposedName;  // Save: the name offered; may be empty
    bool preview = false;  // Open: a picture preview beside the list
    // Save: whether the dialog asks before an existing file is chosen; off
    // for a caller that asks itself.
    bool confirmOverwrite = true;
};

// The two requests callers make.
inline FileDialogRequest openFileRequest(const QString& title, const QString& filter,
                                         const QString& folder, bool preview = false) {
    return {FileDialogKind::Open, title, filter, folder, QString(), preview};
}
inline FileDialogRequest saveFileRequest(const QString& title, const QString& filter,
                                         const QString& folder, const QString& proposedName = {}) {
    return {FileDialogKind::Save, title, filter, folder, proposedName, false};
}

class FileDialogSink {
public:
    virtual ~FileDialogSink() = default;
    // The chosen files; empty when cancelled.
    virtual QStringList choose(const FileDialogRequest& request) = 0;
};

// Replaces the dialogs (tests, tools); nullptr restores the real ones. Not
// owned.
void setFileDialogSink(FileDialogSink* sink);
FileDialogSink* fileDialogSink();

// The program's real dialogs, used when no sink replaces them. Not owned.
void setFileDialogs(FileDialogSink* dialogs);

// Asks the sink, else the real dialogs; without either nothing is chosen.
QStringList chooseFiles(const FileDialogRequest& request);
// The first chosen file; empty when cancelled.
QString chooseFile(const FileDialogRequest& request);

}  // namespace brindle
