// brindle-cli info FILE.bqx: opens a project file as the editor does (with
// its checks and messages, but unpacking only what they read) and prints
// the project as JSON: the counters, the background track and every slide's
// fields (file fields as names in the work folder).
#include "app/cli/cli_project.h"
#include "app/cli/subcommand.h"
#include "app/model/project.h"
#include "app/model/project_file.h"

#include <QFileInfo>
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

int runInfo(const QStringList& args) {
    if (args.size() != 1) {
        return usageError();
    }
    CliProject project;
    if (!project.ok()) {
        return kExitFailed;
    }
    // Only the table, the clips and the background track are unpacked: the
    // rest of the files are named, never read.
    const bool opened = project.open(QFileInfo(args[0]).absoluteFilePath(), true);

    QJsonArray slides;
    int index = 0;
    for (const Project::Element& r : gProject) {
        slides.append(slideJson(++index, *r));
    }
    QJsonArray messages;
    for (int number : project.messages()) {
        messages.append(number);
    }
    const QJsonObject info{
        {"projectFile", gProjectFile},
        {"projectName", gProjectName},
        {"caption", project.view().caption()},
        {"counters", QJsonObject{{"gVideosUsed", gVideosUsed},
                                 {"gSnapshotsUsed", gSnapshotsUsed},
                                 {"gImagesUsed", gImagesUsed},
                                 {"gTextUsed", gTextUsed},
                                 {"gSoundsUsed", gSoundsUsed}}},
        {"backTrack", QJsonObject{{"file", tocRelativeName(gBackTrack)},
                                  {"type", gBackTrackType},
                                  {"encoded", gBackTrackEncoded},
                                  {"durationMs", gBackTrackDuration}}},
        {"slides", slides},
        {"messages", messages},
    };
    const QByteArray json = QJsonDocument(info).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
    return opened ? kExitOk : kExitFailed;
}

}  // namespace brindle::cli
