#include "app/media/text_slide.h"

#include "app/capture/thumbnail.h"
#include "app/model/folders.h"
#include "app/model/media_element.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "platform/files.h"
#include "platform/messages.h"

#include <QFile>

namespace brindle {
namespace {

TextSlideAdder& adder() {
    static TextSlideAdder a;
    return a;
}

int appendTextSlide(const QString& textFile) {
    MediaSource source;
    source.mediaType = MediaText;
    source.Filename = textFile;
    source.Thumbnail = MakeThumbnail(MediaText, textFile);
    if (!gProject.Add(source)) {
        return 0;
    }
    gProjectChanged = true;
    return gProject.count();
}

bool writeOrSay(const QString& path, const QStringList& lines) {
    if (writeTextLines(path, lines)) {
        return true;
    }
    MsgBoxText(str::TextFileUnwritten, LoadResString(str::TextFileUnwritten) + path);
    return false;
}

// The slide's present files, put back when storing the new ones fails
// half-way.
struct SavedFiles {
    QByteArray text, markup, thumbnail;
    bool read(const MediaElement& slide) {
        return readAll(slide.Filename, text) && readAll(slide.InfoFilename, markup) &&
               (slide.Thumbnail.isEmpty() || readAll(slide.Thumbnail, thumbnail));
    }
    void restore(const MediaElement& slide) const {
        writeAll(slide.Filename, text);
        writeAll(slide.InfoFilename, markup);
        if (!slide.Thumbnail.isEmpty()) {
            writeAll(slide.Thumbnail, thumbnail);
        }
    }
    static bool readAll(const QString& path, QByteArray& into) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            return !f.exists();  // a missing file has nothing to keep
        }
        into = f.readAll();
        return true;
    }
    static void writeAll(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            f.write(bytes);
        }
    }
};

}  // namespace

void setTextSlideAdder(TextSlideAdder a) {
    adder() = std::move(a);
}

QString textMarkupScratch() {
    return gTempFolder + "/realtext.rt";
}

QString textPlainScratch() {
    return gTempFolder + "/realtext.txt";
}

int saveTextSlide(const TextSlideRequest& request) {
    const QStringList& lines = request.wrapped.lines;
    const TextTiming timing =
        textTiming(static_cast<int>(lines.size()), request.wrapped.characters, request.visibleLines,
                   textFontSize(request.look.sizeIndex).scrollRate);

    files::makeFolder(gTempFolder);
    const QString markup = textMarkupScratch();
    const QString plain = textPlainScratch();
    if (!writeOrSay(markup, realTextLines(lines, request.look, timing, request.visibleLines)) ||
        !writeOrSay(plain, lines)) {
        return 0;
    }

    int index = request.editedSlide;
    MediaElement* slide = nullptr;
    SavedFiles saved;
    if (index < 1) {
        index = adder() ? adder()(plain) : appendTextSlide(plain);
        slide = index >= 1 ? gProject.Item(index) : nullptr;
        if (slide == nullptr) {
            MsgBox(str::AddFailed);
            return 0;
        }
    } else {
        slide = gProject.Item(index);
        if (slide == nullptr || !saved.read(*slide)) {
            MsgBox(str::ProjectUpdateFailed);
            return 0;
        }
    }

    const bool newSlide = request.editedSlide < 1;
    const bool stored = slide->UpdateTextFilename(plain) && slide->UpdateTextInfoFilename(markup) &&
                        (newSlide || slide->UpdateThumbNail(MakeThumbnail(MediaText, plain)));
    if (!stored) {
        if (newSlide) {
            gProject.Remove(index, true);  // no half-made slide
        } else {
            saved.restore(*slide);
        }
        if (ProjectView* view = projectView()) {
            view->refreshStrip();
        }
        return 0;
    }
    slide->Duration = static_cast<std::int32_t>(
        std::min<qint64>(static_cast<qint64>(timing.seconds) * 1000, INT32_MAX));
    slide->PointSize = static_cast<std::int16_t>(request.look.sizeIndex);
    slide->ForeColor = request.look.schemeIndex;
    slide->Alignment = request.look.centred ? 1 : 0;
    gProjectChanged = true;
    if (ProjectView* view = projectView()) {
        view->refreshStrip();
    }
    return index;
}

}  // namespace brindle
