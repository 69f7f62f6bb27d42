#include "app/present/picture_prep.h"

#include "app/model/folders.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "components/imaging/image_control.h"
#include "components/imaging/image_ops.h"
#include "platform/files.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <future>
#include <map>
#include <memory>
#include <optional>

namespace brindle {

namespace {

PicturePrepareStep& currentStep() {
    static PicturePrepareStep step;
    return step;
}

// The image control the built-in step works on.
ImageControl& preparationControl() {
    if (ProjectView* view = projectView()) {
        return view->worker();
    }
    static ImageControl own;
    return own;
}

constexpr int kResizeFlag = 1;

// A picture being prepared ahead, by its output path; GUI thread only.
struct Ahead {
    QString source;
    QSize box;
    int quality = 0;
    qint64 size = -1;
    QDateTime modified;
    QString file;  // where the worker writes it
    std::shared_future<bool> made;
};

std::map<QString, Ahead>& aheadByOutput() {
    static std::map<QString, Ahead> ahead;
    return ahead;
}

QThreadPool& aheadPool() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
        qAddPostRoutine([] {
            aheadPool().waitForDone();
            for (auto& [output, ahead] : aheadByOutput()) {
                QFile::remove(ahead.file);
            }
            aheadByOutput().clear();
        });
        return p;
    }();
    return *pool;
}

// Pictures started ahead and not yet taken, at most.
int aheadLimit() {
    return 2 * std::max(1, QThread::idealThreadCount());
}

// The result made ahead for this output, moved into place; nullopt when
// there is none for the source as it is now.
std::optional<bool> takeAhead(const QString& source, const QString& output, QSize box,
                              int quality) {
    auto& ahead = aheadByOutput();
    const auto found = ahead.find(output);
    if (found == ahead.end()) {
        return std::nullopt;
    }
    const Ahead entry = found->second;
    ahead.erase(found);
    const bool made = entry.made.get();
    const QFileInfo now(source);
    if (entry.source != source || entry.box != box || entry.quality != quality ||
        now.size() != entry.size || now.lastModified() != entry.modified) {
        QFile::remove(entry.file);
        return std::nullopt;
    }
    if (!made) {
        QFile::remove(entry.file);
        return false;
    }
    QFile::remove(output);
    if (QFile::rename(entry.file, output)) {
        return true;
    }
    const bool copied = QFile::copy(entry.file, output);
    QFile::remove(entry.file);
    return copied;
}

// Starts the pictures of the picture slides after the one whose picture is
// output, up to the limit.
void startAhead(const QString& output, QSize box, int quality) {
    static const QRegularExpression pictureName(QStringLiteral("^pix(\\d+)\\.jpg$"));
    const QFileInfo out(output);
    const QRegularExpressionMatch m = pictureName.match(out.fileName());
    if (!m.hasMatch()) {
        return;
    }
    auto& ahead = aheadByOutput();
    files::makeFolder(gTempFolder);
    static int serial = 0;
    for (int j = m.captured(1).toInt() + 1;
         j <= gProject.count() && int(ahead.size()) < aheadLimit(); ++j) {
        const MediaElement* slide = gProject.Item(j);
        if (!slide || (slide->mediaType != MediaImage && slide->mediaType != MediaSnapshot)) {
            continue;
        }
        const QString target = out.absolutePath() + "/" + pictureFileName(j);
        if (ahead.count(target) > 0) {
            continue;
        }
        const QFileInfo info(slide->Filename);
        if (!info.isFile()) {
            continue;
        }
        auto done = std::make_shared<std::promise<bool>>();
        Ahead entry;
        entry.source = slide->Filename;
        entry.box = box;
        entry.quality = quality;
        entry.size = info.size();
        entry.modified = info.lastModified();
        entry.file = gTempFolder + "/pix-ahead-" + QString::number(++serial) + ".jpg";
        entry.made = done->get_future().share();
        const QString source = entry.source;
        const QString file = entry.file;
        ahead.emplace(target, std::move(entry));
        aheadPool().start([source, file, box, quality, done] {
            ImageControl control;
            done->set_value(preparePictureWithImageControl(control, source, file, box, quality));
        });
    }
}

}  // namespace

QString pictureFileName(int slide) {
    return "pix" + QString::number(slide) + ".jpg";
}

QSize fitPictureSize(QSize picture, QSize box) {
    const int w = picture.width();
    const int h = picture.height();
    if (w <= box.width() && h <= box.height()) {
        return picture;
    }
    const double factor = w >= h ? double(w) / box.width() : double(h) / box.height();
    return {static_cast<int>((w + 0.5) / factor), static_cast<int>((h + 0.5) / factor)};
}

int jpegQualityForFactor(int qualityFactor) {
    return imageops::jpegQuality(std::clamp(qualityFactor, 2, 255));
}

bool preparePictureWithImageControl(ImageControl& control, const QString& source,
                                    const QString& output, QSize box, int qualityFactor) {
    if (control.load(source, 24, 0, 1) != ImageStatus::Ok) {
        return false;
    }
    const QSize size(control.width(), control.height());
    const QSize target = fitPictureSize(size, box);
    if (target != size &&
        control.resize(target.width(), target.height(), kResizeFlag) != ImageStatus::Ok) {
        return false;
    }
    return control.save(output, ImageControl::kFormatJpeg, 24, qualityFactor) == ImageStatus::Ok;
}

bool preparePictureBuiltIn(const QString& source, const QString& output, QSize box,
                           int qualityFactor) {
    const std::optional<bool> taken = takeAhead(source, output, box, qualityFactor);
    startAhead(output, box, qualityFactor);
    if (taken) {
        return *taken;
    }
    return preparePictureWithImageControl(preparationControl(), source, output, box, qualityFactor);
}

bool preparePicture(const QString& source, const QString& output, QSize box, int qualityFactor) {
    const PicturePrepareStep& step = currentStep();
    if (step) {
        return step(source, output, box, qualityFactor);
    }
    return preparePictureBuiltIn(source, output, box, qualityFactor);
}

void setPicturePrepareStep(PicturePrepareStep step) {
    currentStep() = std::move(step);
}

}  // namespace brindle
