#include "platform/file_dialogs.h"

namespace brindle {
namespace {

FileDialogSink* g_sink = nullptr;
FileDialogSink* g_dialogs = nullptr;

}  // namespace

void setFileDialogSink(FileDialogSink* sink) {
    g_sink = sink;
}

FileDialogSink* fileDialogSink() {
    return g_sink;
}

void setFileDialogs(FileDialogSink* dialogs) {
    g_dialogs = dialogs;
}

QStringList chooseFiles(const FileDialogRequest& request) {
    if (g_sink) {
        return g_sink->choose(request);
    }
    return g_dialogs ? g_dialogs->choose(request) : QStringList();
}

QString chooseFile(const FileDialogRequest& request) {
    return chooseFiles(request).value(0);
}

}  // namespace brindle
