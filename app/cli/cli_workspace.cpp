#include "app/cli/cli_workspace.h"

#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "platform/files.h"

#include <cstdio>

namespace brindle::cli {

void complain(const QString& text) {
    std::fprintf(stderr, "brindle-cli: %s\n", text.toLocal8Bit().constData());
}

CountingMessageSink::CountingMessageSink() : m_next(messageSink()) {
    setMessageSink(this);
}

CountingMessageSink::~CountingMessageSink() {
    setMessageSink(m_next);
}

MsgAnswer CountingMessageSink::show(const MessageRequest& request) {
    m_numbers.append(request.number);
    if (m_next) {
        return m_next->show(request);
    }
    StderrMessageSink out;
    return out.show(request);
}

namespace {

QString privateFolderPattern() {
    files::makeFolder(GetTempFolder());
    return GetTempFolder() + "cli-XXXXXX";
}

}  // namespace

CliWorkspace::CliWorkspace() : m_dir(privateFolderPattern()) {
    if (!m_dir.isValid()) {
        complain(QStringLiteral("cannot make a work folder in %1").arg(GetTempFolder()));
        return;
    }
    gTempFolder = m_dir.filePath("Temp");
    gWorkFolder = m_dir.filePath("Work");
    gPreviewFolder = m_dir.filePath("Preview");
    gUploadFolder = m_dir.filePath("uploads");
    createFolders();
}

CliWorkspace::~CliWorkspace() {
    gProject.clear();
}

bool CliWorkspace::open(const QString& path, Reading reading) {
    const qsizetype before = m_messages.numbers().size();
    switch (reading) {
        case Reading::Whole:
            readProject(path);
            break;
        case Reading::Checked:
            readProjectTable(path);
            break;
        case Reading::TableOnly:
            readProjectTableOnly(path);
            break;
    }
    const QList<int> shown = m_messages.numbers().mid(before);
    return !shown.contains(str::OpenFailed) && !shown.contains(str::NotRecognised) &&
           !shown.contains(str::NoRoomToOpen);
}

}  // namespace brindle::cli
