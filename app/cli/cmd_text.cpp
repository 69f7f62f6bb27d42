// brindle-cli text FILE.bqx TEXT [--size 0|1|2] [--scheme 0..3] [--center]
// [--caption TEXT]: adds a text slide at the end of the project, wrapped,
// timed and written exactly as the text slide editor does, and saves the
// project. A missing FILE.bqx starts a new project.
#include "app/cli/cli_project.h"
#include "app/cli/subcommand.h"
#include "app/media/text_box_layout.h"
#include "app/media/text_slide.h"
#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_file.h"
#include "platform/files.h"

#include <QFileInfo>

#include <cstdio>

namespace brindle::cli {
namespace {

// A whole number in [low, high] from the argument after position i.
bool numberAfter(const QStringList& args, qsizetype& i, int low, int high, int& into) {
    if (i + 1 >= args.size()) {
        return false;
    }
    bool ok = false;
    into = args[++i].toInt(&ok);
    return ok && into >= low && into <= high;
}

}  // namespace

int runText(const QStringList& args) {
    if (args.size() < 2) {
        return usageError();
    }
    TextSlideLook look;
    QString caption;
    bool withCaption = false;
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--size") {
            if (!numberAfter(args, i, 0, kTextSizeCount - 1, look.sizeIndex)) {
                return usageError();
            }
        } else if (a == "--scheme") {
            if (!numberAfter(args, i, 0, kTextSchemeCount - 1, look.schemeIndex)) {
                return usageError();
            }
        } else if (a == "--center") {
            look.centred = true;
        } else if (a == "--caption" && i + 1 < args.size()) {
            caption = args[++i];
            withCaption = true;
        } else {
            return usageError();
        }
    }

    CliProject project;
    if (!project.ok()) {
        return kExitFailed;
    }
    const QString file = QFileInfo(args[0]).absoluteFilePath();
    if (QFileInfo::exists(file) && !project.open(file)) {
        return kExitFailed;
    }
    gProjectFile = file;
    gProjectName = projectNameOf(gProjectFile);

    const QFont font = textBoxFont(look.sizeIndex);
    look.fontName = font.family();
    TextSlideRequest request;
    request.wrapped = wrapLikeTextBox(args[1], font);
    request.visibleLines = visibleLineCount(font, kTextWindowHeight);
    request.look = look;
    setTextSlideAdder({});
    const int slide = saveTextSlide(request);
    if (slide < 1) {
        return kExitFailed;
    }
    if (withCaption) {
        gProject.Item(slide)->Caption = caption;
    }
    files::makeFolder(QFileInfo(gProjectFile).absolutePath());
    if (riteProject(false) != 0) {
        return kExitFailed;
    }
    std::printf("slide %d\n", slide);
    return kExitOk;
}

}  // namespace brindle::cli
