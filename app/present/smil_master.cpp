// The presentation pass: preView.smi with its caption and image streams,
// the sound track, the slides' pictures, texts and clips, written in one
// pass into the preview folder, for preview or for publishing.
#include "app/present/smil_master.h"

#include "app/capture/thumbnail.h"
#include "app/model/folders.h"
#include "app/model/progress.h"
#include "app/model/project.h"
#include "app/present/caption_stream.h"
#include "app/present/image_stream.h"
#include "app/present/media_encoding.h"
#include "app/present/pass_progress.h"
#include "app/present/picture_prep.h"
#include "app/present/preview.h"
#include "app/present/publish_list.h"
#include "app/present/slide_pause.h"
#include "app/present/slide_timing.h"
#include "app/present/smil_layout.h"
#include "app/present/text_line_file.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/resources.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cmath>

namespace brindle {

namespace {

std::int32_t slideDuration(int i) {
    return calculateSlideDuration(static_cast<std::int16_t>(i)).toInt();
}

// The files of one pass that stay open from their header to the end.
struct OpenFiles {
    TextLineFile smil;
    CaptionStreamWriter captions;
    ImageStreamWriter images;

    // A cancelled pass: everything closed as it is, without end tags.
    void abandon() {
        images.close();
        captions.close();
        smil.close();
    }
};

class Pass {
public:
    Pass(int first, int last, bool publishing, bool silent, PassPace pace)
        : m_first(first),
          m_last(last),
          m_publishing(publishing),
          m_pace(pace),
          m_progress(silent),
          m_folder(gPreviewFolder) {}

    void run();

private:
    QString inPreview(const QString& name) const { return m_folder + "/" + name; }
    void produced(const QString& path) {
        if (m_publishing) {
            addPublishedFile(path);
        }
    }
    // The step of slide i in the slide loop; false when the pass stops there.
    bool writeSlide(int i, std::int32_t start);
    void stop() {
        m_files.abandon();
        m_progress.close();
    }

    const int m_first;
    const int m_last;
    const bool m_publishing;
    const PassPace m_pace;
    PassProgress m_progress;
    const QString m_folder;
    OpenFiles m_files;
    bool m_wroteVideo = false;
    QStringList m_unprepared;  // slides whose picture could not be prepared
};

void Pass::run() {
    if (m_publishing) {
        clearPublishList();
    }
    const std::int32_t total = presentationTotalMs(m_first, m_last);

    if (!m_files.smil.open(inPreview(kSmilFileName))) {
        // Nothing can be presented; the callers see a cancelled pass.
        qWarning("cannot write %s", qPrintable(inPreview(kSmilFileName)));
        CancelRequested = true;
        m_progress.close();
        return;
    }
    for (const QString& line : smilHeadLines(generatorText())) {
        m_files.smil.writeLine(line);
    }

    const QString track = inPreview(kAudioTrackFileName);
    if (encodeAudioTrack(m_first, m_last, total, track, m_progress)) {
        m_files.smil.writeLine(smilAudioLine());
        produced(track);
    }

    m_files.smil.writeLine(smilCaptionStreamLine());
    m_files.captions.open(inPreview(kCaptionsFileName));
    m_files.captions.writeHeader(total);

    m_files.smil.writeLine(smilImageStreamLine());
    m_files.images.open(inPreview(kImagesFileName));
    m_files.images.writeHeader(total);
    m_files.images.writeDeclarations(gProject, m_first, m_last);

    const int count = m_last - m_first + 1;
    const int slidesBase = gProgressBase;  // the sound's share, done
    std::int32_t start = 0;
    for (int i = m_first; i <= m_last; ++i) {
        if (m_progress.shown()) {
            // Counted from the range's first slide, so a range that does
            // not start at 1 stays within the bar.
            const float value =
                float(i - m_first + 1) / float(count) * kSlidesProgressShare + float(slidesBase);
            m_progress.setValue(static_cast<int>(std::lround(value)));
            gProgressBase = static_cast<std::int16_t>(std::lround(value));
            gProgressSpan = static_cast<std::int16_t>(
                std::lround(double(kSlidesProgressShare) / double(count)));
            if (m_pace == PassPace::NoPauses) {
                QCoreApplication::processEvents();
            } else if (!CancelRequested) {
                pauseBeforeSlide();
            }
        }
        if (CancelRequested) {
            stop();
            return;
        }
        if (!writeSlide(i, start)) {
            stop();
            return;
        }
        start += slideDuration(i);
    }

    m_files.smil.writeLine(kSmilParEndLine);
    m_files.images.writeEnd();
    m_files.images.close();
    m_files.captions.writeEnd();
    m_files.captions.close();
    for (const QString& line : kSmilEndLines) {
        m_files.smil.writeLine(line);
    }
    m_files.smil.close();
    produced(inPreview(kSmilFileName));
    produced(inPreview(kCaptionsFileName));
    produced(inPreview(kImagesFileName));

    if (m_wroteVideo) {
        const QString back = inPreview("vidback.jpg");
        files::copyFile(resourcePath("Bin/vidback.jpg"), back);
        produced(back);
    }
    gProgressBase = 100;
    m_progress.setValue(gProgressBase);
    m_progress.close();
    if (!m_unprepared.isEmpty()) {
        MsgBoxText(str::PicturesNotPrepared,
                   LoadResString(str::PicturesNotPrepared) + m_unprepared.join(", "));
    }

    if (!m_publishing) {
        WriteHTMLFile(inPreview(kSmilFileName));
    }
}

bool Pass::writeSlide(int i, std::int32_t start) {
    MediaElement* slide = gProject.Item(i);
    if (!slide) {
        return true;
    }
    const bool last = i == m_last;
    m_files.captions.writeSlide(start, slide->Caption);
    m_files.images.writeSlide(start, i, slide->mediaType);

    switch (slide->mediaType) {
        case MediaSnapshot:
        case MediaImage: {
            const QString picture = inPreview(pictureFileName(i));
            if (preparePicture(slide->Filename, picture)) {
                produced(picture);
            } else {
                // Neither a picture of an earlier pass nor a part-written
                // one stands in for it, and the packed list does not name it.
                files::deleteFile(picture);
                m_unprepared << QString::number(i);
            }
            break;
        }
        case MediaText: {
            m_files.smil.writeLine(smilTextStreamLine(start, i, last));
            const QString text = inPreview(mainTextFileName(i));
            files::copyFile(slide->InfoFilename, text);
            produced(text);
            break;
        }
        case MediaVideo: {
            const QString number = videoNumber(slide->Filename, slide->VideoType);
            m_files.smil.writeLine(smilVideoLine(start, i, number, last));
            m_wroteVideo = true;
            const QString clip = inPreview(videoFileName(number));
            if (slide->VideoType == VideoRealMedia) {
                files::copyFile(slide->Filename, clip);
            } else {
                encodeVideoClip(*slide, clip, m_progress);
            }
            produced(clip);
            break;
        }
        default:
            break;
    }

    m_progress.refresh();
    if (CancelRequested) {
        return false;
    }
    if (m_publishing && i == 1) {
        const QString thumbnail = inPreview("thumbnail.jpg");
        // A slide whose thumbnail file went missing gets a new one made
        // from its medium, so the published page still has its picture.
        const QString source = IsNotPlainFile(slide->Thumbnail)
                                   ? MakeThumbnail(slide->mediaType, slide->Filename)
                                   : slide->Thumbnail;
        files::copyFile(source, thumbnail);
        produced(thumbnail);
    }
    return true;
}

}  // namespace

void riteSmilMasterFile(int first, int last, bool publishing, bool silent, PassPace pace) {
    // A cancel left from an earlier operation must not stop this one.
    CancelRequested = false;
    Pass(first, last, publishing, silent, pace).run();
}

}  // namespace brindle
