// OK of the clip edit dialog: the clip cut in place to the kept frames, the
// first kept frame shown over the player while the file is rewritten, and
// the slide's thumbnail, Encoded flag and Duration brought up to date.
#include "app/capture/thumbnail.h"
#include "app/media/edit_video.h"
#include "app/model/media_element.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "components/imaging/image_control.h"
#include "components/mediaplayer/media_player.h"
#include "controls/clipedit/klipvane_ids.h"
#include "controls/trimslider/vasklin_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/messages.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>

#include <limits>

namespace brindle {
namespace {

// "An error has occurred while attempting to save the video file. ..."

// The hourglass for as long as it lives.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

void editVideo::Done_Click() {
    if (m_cutting) {
        return;
    }
    // A clip with no frames has nothing to cut: OK is Cancel.
    if (m_totalFrames <= 0 || !m_slider || m_clipEdit == nullptr) {
        Cancel_Click();
        return;
    }
    const int first = sliderLong(vasklin::DispGetEditStartPos);
    const int last = sliderLong(vasklin::DispGetEditEndPos);
    if (first == 0 && last == m_lastFrame) {
        // Every frame kept: the clip and the slide stay as they are.
        releaseClip();
        m_player->hide();
        accept();
        return;
    }
    m_cut = cutClip(first, last);
    accept();
}

bool editVideo::cutClip(int first, int last) {
    BusyCursor busy;
    m_cutting = true;
    setButtonsEnabled(false);
    m_clipEdit->put(klipvane::DispFirstFrame, first);
    m_clipEdit->put(klipvane::DispLastFrame, last);

    showFirstKeptFrame(first);
    // The player lets go of the file before it is rewritten.
    m_seek.stop();
    m_pendingSeek = -1;
    m_player->command("close");
    m_player->hide();
    m_image->show();
    m_image->raise();
    m_image->repaint();

    const bool saved = m_clipEdit->call(klipvane::DispSave).value.toBool();
    m_clipEdit->put(klipvane::DispFilename, QString());
    MediaElement* r = slide();
    if (!saved || r == nullptr) {
        // The clip edit control replaces the file only once the cut clip is
        // complete, so the clip on disk is the one the slide describes.
        MsgBox(str::VideoSaveFailed);
        m_cutting = false;
        return false;
    }

    const QString thumbnail = MakeThumbnail(MediaVideo, r->Filename);
    if (!thumbnail.isEmpty()) {
        r->UpdateThumbNail(thumbnail);
    }
    r->setEncoded(0);

    MediaPlayer measure;
    if (measure.open(r->Filename)) {
        measure.setTimeFormat(MediaPlayer::TimeFormat::Milliseconds);
        r->Duration = static_cast<std::int32_t>(
            std::min<std::int64_t>(measure.length(), std::numeric_limits<std::int32_t>::max()));
        measure.close();
    }
    gProjectChanged = true;
    m_cutting = false;
    return true;
}

void editVideo::showFirstKeptFrame(int frame) {
    const quintptr dib = m_clipEdit->call(klipvane::DispGetDIB, {frame}).value.value<quintptr>();
    if (dib == 0 || m_view == nullptr) {
        return;
    }
    ImageControl& worker = m_view->worker();
    if (worker.setDib(dib) != ImageStatus::Ok) {
        return;
    }
    const QPixmap picture = QPixmap::fromImage(worker.image());
    m_image->setPixmap(
        picture.scaled(m_player->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace brindle
