// brindle-cli sample OUT.bqx: makes the sample project with the program's
// own code: a title text slide, three drawn pictures with narrations and
// captions, and a short clip, each added as the editor adds a slide (its
// thumbnail made, its files imported into the work folder), then saved as
// OUT.bqx.
#include "app/capture/thumbnail.h"
#include "app/cli/cli_project.h"
#include "app/cli/sample_media.h"
#include "app/cli/subcommand.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "platform/files.h"

#include <QFileInfo>

namespace brindle::cli {
namespace {

constexpr int kPictureMs = 10000;

struct SamplePicture {
    const char* caption;
    const char* narration;
};

const SamplePicture kPictures[] = {
    {"Morning over the hills",
     "Every slide show starts with a picture. This one is a sunrise over green hills."},
    {"A boat on the sea",
     "Each slide can carry a spoken caption, like this one, and a line of text."},
    {"Good night", "Press Preview to watch the whole show, then Publish to share it."},
};

bool addSlide(const MediaSource& source) {
    MediaSource s = source;
    s.Thumbnail = MakeThumbnail(s.mediaType, s.Filename);
    if (!gProject.Add(s)) {
        complain(QStringLiteral("cannot add %1 to the project").arg(s.Filename));
        return false;
    }
    return true;
}

}  // namespace

int runSample(const QStringList& args) {
    if (args.size() != 1 || !args[0].endsWith(".bqx", Qt::CaseInsensitive)) {
        return usageError();
    }
    CliProject project;
    if (!project.ok()) {
        return kExitFailed;
    }
    const QString t = gTempFolder;

    // The title: a text slide as the text slide editor leaves it.
    const QString title = QStringLiteral("Welcome to a short tour of Brindle");
    const int titleMs = writeTextSlide(title, t + "/realtext.txt", t + "/realtext.rt");
    MediaSource text;
    text.mediaType = MediaText;
    text.Filename = t + "/realtext.txt";
    if (titleMs == 0 || !addSlide(text)) {
        complain("cannot write the title slide");
        return kExitFailed;
    }
    MediaElement* first = gProject.Item(gProject.count());
    first->UpdateTextInfoFilename(t + "/realtext.rt");
    first->Duration = titleMs;
    first->PointSize = 1;
    first->ForeColor = 0;
    first->Alignment = 1;

    for (int i = 0; i < 3; ++i) {
        const QString picture = t + QStringLiteral("/sample%1.jpg").arg(i + 1);
        const QString narration = t + QStringLiteral("/narration%1.wav").arg(i + 1);
        if (!drawSamplePicture(i, picture)) {
            complain("cannot draw " + picture);
            return kExitFailed;
        }
        const int narrationMs = makeNarration(QString::fromUtf8(kPictures[i].narration), narration);
        MediaSource source;
        source.mediaType = MediaImage;
        source.Filename = picture;
        source.Caption = QString::fromUtf8(kPictures[i].caption);
        source.Duration = kPictureMs;
        if (narrationMs > 0) {
            source.Sound = narration;
            source.AudioDuration = narrationMs;
        }
        if (!addSlide(source)) {
            return kExitFailed;
        }
    }

    const QString clip = t + "/clip.avi";
    if (makeSampleClip(clip)) {
        MediaSource video;
        video.mediaType = MediaVideo;
        video.Filename = clip;
        video.Caption = QStringLiteral("A clip of moving pictures");
        video.Duration = 4000;
        if (!addSlide(video)) {
            return kExitFailed;
        }
    } else {
        complain("no ffmpeg program: the sample has no video slide");
    }

    gProjectFile = QFileInfo(args[0]).absoluteFilePath();
    gProjectName = projectNameOf(gProjectFile);
    files::makeFolder(QFileInfo(gProjectFile).absolutePath());
    return riteProject(false) == 0 ? kExitOk : kExitFailed;
}

}  // namespace brindle::cli
