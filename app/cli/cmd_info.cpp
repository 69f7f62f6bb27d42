// brindle-cli info FILE.bqx [--table]: opens a project file as the editor
// does (with its checks and messages, but unpacking only what they read) and
// prints the project as JSON: the counters, the background track and every
// slide's fields (file fields as names in the work folder). With --table,
// only the table of contents is read: no clip is checked and the background
// track's length is not printed.
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

bool isTableListing(const QStringList& args) {
    return args.size() == 3 && args[0] == QLatin1String("info") &&
           args[2] == QLatin1String("--table");
}

int runInfo(const QStringList& args) {
    const bool tableOnly = args.size() == 2 && args[1] == QLatin1String("--table");
    if (args.size() != 1 && !tableOnly) {
        return usageError();
    }
    CliProject project;
    if (!project.ok()) {
        return kExitFailed;
    }
    // Only the table, the clips and the background track are unpacked: the
    // rest of the files are named, never read.
    const bool opened =
        project.open(QFileInfo(args[0]).absoluteFilePath(),
                     tableOnly ? CliProject::Reading::TableOnly : CliProject::Reading::Checked);

    QJsonArray slides;
    int index = 0;
    for (const Project::Element& r : gProject) {
        slides.append(slideJson(++index, *r));
    }
    QJsonArray messages;
    for (int number : project.messages()) {
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
        {"caption", project.view().caption()},
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
