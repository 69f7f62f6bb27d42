#include "app/cli/project_info.h"

#include "app/cli/subcommand.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "app/model/toc_format.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace brindle::cli {
namespace {

QJsonObject slideJson(int index, const MediaElement& r) {
    return QJsonObject{
        {"Index", index},
        {"mediaType", r.mediaType},
        {"Filename", tocRelativeName(r.Filename)},
        {"InfoFilename", tocRelativeName(r.InfoFilename)},
        {"Sound", tocRelativeName(r.Sound)},
        {"Caption", r.Caption},
        {"Duration", r.Duration},
        {"AudioDuration", r.AudioDuration},
        {"Thumbnail", tocRelativeName(r.Thumbnail)},
        {"FontName", r.FontName},
        {"Alignment", r.Alignment},
        {"PointSize", r.PointSize},
        {"ForeColor", r.ForeColor},
        {"BackColor", r.BackColor},
        {"SoundType", r.SoundType},
        {"VideoType", r.VideoType},
        {"Encoded", r.Encoded()},
    };
}

}  // namespace

int printProjectInfo(CliWorkspace& workspace, const QString& path, bool tableOnly) {
    // Only the table, the clips and the background track are unpacked: the
    // rest of the files are named, never read.
    const bool opened = workspace.open(
        path, tableOnly ? CliWorkspace::Reading::TableOnly : CliWorkspace::Reading::Checked);

    QJsonArray slides;
    int index = 0;
    for (const Project::Element& r : gProject) {
        slides.append(slideJson(++index, *r));
    }
    QJsonArray messages;
    for (int number : workspace.messages()) {
        messages.append(number);
    }
    QJsonObject backTrack{{"file", tocRelativeName(gBackTrack)},
                          {"type", gBackTrackType},
                          {"encoded", gBackTrackEncoded}};
    if (!tableOnly) {
        backTrack.insert("durationMs", gBackTrackDuration);
    }
    const QJsonObject info{
        {"projectFile", gProjectFile},
        {"projectName", gProjectName},
        {"caption", projectCaption()},
        {"counters", QJsonObject{{"gVideosUsed", gVideosUsed},
                                 {"gSnapshotsUsed", gSnapshotsUsed},
                                 {"gImagesUsed", gImagesUsed},
                                 {"gTextUsed", gTextUsed},
                                 {"gSoundsUsed", gSoundsUsed}}},
        {"backTrack", backTrack},
        {"slides", slides},
        {"messages", messages},
    };
    const QByteArray json = QJsonDocument(info).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
    return opened ? kExitOk : kExitFailed;
}

}  // namespace brindle::cli
