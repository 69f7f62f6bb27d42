#include "app/capture/record_video.h"

#include "app/capture/camera_common.h"
#include "app/model/folders.h"
#include "app/model/media_element.h"
#include "app/model/project.h"
#include "app/model/settings.h"
#include "components/mediaplayer/media_player.h"
#include "controls/videocap/orvalis_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/messages.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QThread>

#include <cmath>

namespace brindle {

using namespace orvalis;

namespace {

// How long Record waits for the capture to settle before it counts.
constexpr long kPrepareSeconds = 2;

RecordVideo::Clock& clock() {
    static RecordVideo::Clock c;
    return c;
}

double realSeconds() {
    static QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<double>(started.nsecsElapsed()) / 1e9;
}

struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

QIcon recordIcon() {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(200, 20, 20));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(4, 4, 16, 16));
    return QIcon(pixmap);
}

}  // namespace

RecordVideo::RecordVideo(QWidget* parent) : QDialog(parent) {
    setObjectName("RecordVideo");
    setWindowTitle(tr("Record Video"));
    setModal(true);
    m_timer.setInterval(1000);
    m_timer.setObjectName("Timer1");
    connect(&m_timer, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    buildLayout();
    load();
}

RecordVideo::~RecordVideo() {
    m_timer.stop();
    releaseCamera();
}

QString RecordVideo::takeFile() {
    return gTempFolder + "/capture.avi";
}

void RecordVideo::setClock(Clock c) {
    clock() = std::move(c);
}

long RecordVideo::timer() {
    return std::lround(clock() ? clock()() : realSeconds());
}

void RecordVideo::buildLayout() {
    setFixedSize(kScreenWidth + 2 * kScreenLeft, 400);
    auto* screen = new QWidget(this);
    screen->setObjectName("Screen");
    screen->setGeometry(kScreenLeft, kScreenTop, kScreenWidth, kScreenHeight);
    screen->setAutoFillBackground(true);
    screen->setStyleSheet("background: black");

    m_player = new MediaPlayer(this);
    m_player->setObjectName("MCIWnd1");
    m_player->hide();

    m_progress = new QProgressBar(this);
    m_progress->setObjectName("ProgressBar1");
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setGeometry(kScreenLeft, kScreenTop + kScreenHeight + 10, kScreenWidth, 14);

    m_state = new QLabel(this);
    m_state->setObjectName("Label1");
    m_state->setGeometry(kScreenLeft, kScreenTop + kScreenHeight + 28, kScreenWidth, 20);

    const int row = kScreenTop + kScreenHeight + 54;
    auto button = [this, row](const char* name, int left, const QIcon& icon, int captionEntry,
                              const char* labelName) {
        auto* b = new QPushButton(this);
        b->setObjectName(name);
        b->setIcon(icon);
        b->setIconSize({24, 24});
        b->setGeometry(left, row, 52, 36);
        auto* caption = new QLabel(LoadResString(captionEntry), this);
        caption->setObjectName(labelName);
        caption->setAlignment(Qt::AlignHCenter);
        caption->setGeometry(left - 4, row + 38, 60, 18);
        return b;
    };
    m_record = button("Record", kScreenLeft, recordIcon(), str::Record, "Label4");
    m_stop = button("Stop1", kScreenLeft + 64, style()->standardIcon(QStyle::SP_MediaStop),
                    str::Stop, "Label5");
    m_play = button("Play", kScreenLeft + 128, style()->standardIcon(QStyle::SP_MediaPlay),
                    str::Play, "Label6");
    m_done = new QPushButton(LoadResString(str::Ok), this);
    m_done->setObjectName("Done");
    m_done->setGeometry(kScreenLeft + kScreenWidth - 110, row, 110, 28);
    m_cancel = new QPushButton(LoadResString(str::Cancel), this);
    m_cancel->setObjectName("Cancel");
    m_cancel->setGeometry(kScreenLeft + kScreenWidth - 110, row + 32, 110, 28);
    for (QPushButton* b : {m_done, m_cancel}) {
        b->setFont(camera::dialogFont());
    }
    m_record->setEnabled(true);
    m_stop->setEnabled(false);
    m_play->setEnabled(false);

    connect(m_record, &QPushButton::clicked, this, [this] { Record_Click(); });
    connect(m_stop, &QPushButton::clicked, this, [this] { Stop1_Click(); });
    connect(m_play, &QPushButton::clicked, this, [this] { Play_Click(); });
    connect(m_done, &QPushButton::clicked, this, [this] { Done_Click(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_player, &MediaPlayer::positionChanged, this,
            [this](std::int64_t p) { playerPositionChanged(p); });
    connect(m_player, &MediaPlayer::modeChanged, this,
            [this](const QString& mode) { playerModeChanged(mode); });
}

void RecordVideo::load() {
    // A take left from an earlier dialog must never pass for this one's.
    QFile::remove(takeFile());
    m_camera = camera::loadCaptureControl(this);
    if (m_camera) {
        m_camera->widget()->setObjectName("Orvalis1");
        m_camera->widget()->move(kScreenLeft, kScreenTop);
        m_camera->onEvent(EventVideoFormatChanged, [this](const QVariantList&) { layoutVideo(); });
        m_camera->onEvent(EventStatus, [this](const QVariantList&) { cameraStatus(); });
        m_camera->put(DispAutoSize, true);
        m_camera->put(DispDriverNum, camera::driverNumber(gCapture));
        m_camera->put(DispConnect, true);
        m_connected = m_camera->get(DispConnect).value.toBool();
    }
    if (!m_connected) {
        MsgBox(str::CameraNotAvailable);
        m_record->setEnabled(false);
        return;
    }
    camera::scratchFolder();
    m_camera->put(DispCaptureFile, takeFile());
    camera::chooseFrameSize(*m_camera, {{160, 120}, {176, 144}, {320, 240}});
    layoutVideo();
    m_camera->put(DispCompression, QStringLiteral("zq5a"));
    m_camera->put(DispPreview, true);
    setState(str::LiveWindow);
}

void RecordVideo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_connected) {
        QTimer::singleShot(0, this, [this] { QDialog::reject(); });
    }
}

void RecordVideo::layoutVideo() {
    if (!m_camera) {
        return;
    }
    const int w = m_camera->get(DispVideoResolutionWidth).value.toInt();
    const int h = m_camera->get(DispVideoResolutionHeight).value.toInt();
    m_camera->widget()->setGeometry((kScreenWidth - w) / 2 + kScreenLeft,
                                    (kScreenHeight - h) / 2 + kScreenTop, w, h);
}

void RecordVideo::setState(int entry, const QString& tail) {
    m_state->setText(tail.isEmpty() ? LoadResString(entry) : LoadResString(entry) + " " + tail);
}

void RecordVideo::cameraStatus() {
    static const QRegularExpression frames(QStringLiteral("Frames Captured=(\\d+)"));
    const QString status = m_camera->get(DispStatus).value.toString();
    const QRegularExpressionMatch m = frames.match(status);
    if (m.hasMatch()) {
        m_frames = std::max(m_frames, m.captured(1).toInt());
    }
}

bool RecordVideo::capturing() {
    return m_camera && m_camera->get(DispCapture).value.toBool();
}

void RecordVideo::stopCapture() {
    if (m_camera) {
        // The count the take reached, read before the stop changes the line.
        cameraStatus();
        m_camera->put(DispCapture, false);
        cameraStatus();
    }
}

void RecordVideo::showLiveButtons() {
    m_record->setEnabled(m_connected);
    m_play->setEnabled(m_connected);
    m_stop->setEnabled(false);
    m_play->setFocus();
}

void RecordVideo::Record_Click() {
    m_player->command("stop");
    m_player->command("close");
    m_player->hide();
    m_player->setGeometry(m_camera->widget()->geometry());

    // The new take starts from nothing: a half-written earlier one is gone
    // even when this capture never starts.
    QFile::remove(takeFile());
    m_frames = 0;
    m_limit = kLimit;
    m_camera->put(DispCaptureFile, takeFile());
    m_camera->put(DispYield, true);
    m_camera->put(DispCaptureAudio, true);
    m_camera->put(DispAudioBits, 16);
    m_camera->put(DispAudioChannels, 1);
    m_camera->put(DispAudioRate, 22050);
    m_camera->put(DispCaptureUseLimit, true);
    m_camera->put(DispCaptureLimit, static_cast<int>(m_limit + 20));
    m_camera->put(DispCaptureStopOnMouseOrESC, false);
    // Set before the timer can tick, so a tick during the wait below
    // measures this take.
    m_startTime = timer();
    m_camera->put(DispCapture, true);
    m_timer.start();

    if (!m_camera->get(DispConnect).value.toBool()) {
        MsgBox(str::CameraNotAvailable);
        return;
    }
    setState(str::PreparingToRecord);
    const long t0 = timer();
    // Bounded by a real deadline as well, whatever the clock says.
    const QDeadlineTimer deadline(kPrepareSeconds * 1000 + 500);
    while (m_camera->get(DispStatus).value.toString().contains("Orvalis: Frames Captured") &&
           timer() < t0 + kPrepareSeconds && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    setState(str::Recording);
    m_recorded = true;
    m_startTime = timer();
    m_record->setEnabled(false);
    m_play->setEnabled(false);
    m_stop->setEnabled(true);
    m_stop->setFocus();
}

void RecordVideo::Timer1_Timer() {
    if (!capturing()) {
        return;
    }
    const int maximum = m_progress->maximum();
    setState(str::Recording,
             QString::number(static_cast<long>(static_cast<double>(m_progress->value()) / maximum *
                                               static_cast<double>(m_limit)) +
                             1) +
                 " " + LoadResString(str::Seconds));
    const long value = maximum * (timer() - m_startTime) / m_limit;
    if (value >= m_progress->minimum() && value <= maximum) {
        m_progress->setValue(static_cast<int>(value));
    }
    if (maximum <= value) {
        BusyCursor busy;
        setState(str::Stopping);
        stopCapture();
        m_record->setEnabled(true);
        m_play->setEnabled(true);
        m_stop->setEnabled(false);
        m_timer.stop();
        m_progress->setValue(0);
        setState(str::DoneRecording);
    }
}

void RecordVideo::Stop1_Click() {
    if (!m_playing) {
        stopCapture();
        m_timer.stop();
        setState(str::LiveWindow);
        showLiveButtons();
    } else {
        // The player's mode change to "stopped" follows at once and brings
        // the live picture back.
        setState(str::PlaybackWindow);
        m_player->command("stop");
    }
    m_progress->setValue(0);
}

void RecordVideo::Play_Click() {
    stopCapture();
    m_timer.stop();
    const QRect place = m_camera->widget()->geometry();
    m_camera->widget()->hide();
    // The player's display: the picture fills its place, with no position
    // or name written over it.
    m_player->setScaled(true);
    m_player->setShowPosition(false);
    m_player->setShowName(false);
    m_player->open(takeFile());
    m_player->setTimeFormat(MediaPlayer::TimeFormat::Milliseconds);
    m_player->setGeometry(place);
    m_player->show();
    m_playing = true;
    m_player->command("play");
    setState(str::PlaybackWindow);
    m_record->setEnabled(false);
    m_play->setEnabled(false);
    m_stop->setEnabled(true);
    m_stop->setFocus();
}

void RecordVideo::playerPositionChanged(std::int64_t position) {
    const std::int64_t length = m_player->length();
    if (position >= length || length <= 0) {
        return;
    }
    const int maximum = m_progress->maximum();
    const auto value = static_cast<int>(static_cast<double>(position) / length * maximum);
    if (value <= maximum) {
        m_progress->setValue(value);
    }
    setState(str::Playback, QString::number(position / 1000) + " " + LoadResString(str::Seconds));
}

void RecordVideo::playerModeChanged(const QString& mode) {
    if (!m_playing || mode != "stopped") {
        return;
    }
    m_playing = false;
    m_player->hide();
    m_camera->widget()->show();
    m_progress->setValue(0);
    setState(str::LiveWindow);
    showLiveButtons();
}

void RecordVideo::Done_Click() {
    {
        BusyCursor busy;
        if (m_recorded) {
            stopCapture();
            m_timer.stop();
            m_playing = false;
            m_player->command("stop");
            m_player->command("close");
            const QString file = m_camera->get(DispCaptureFile).value.toString();
            // Only a take that really captured frames becomes a slide.
            const int slide =
                m_frames > 0 && QFileInfo(file).size() > 0 ? camera::addSlide(MediaVideo, file) : 0;
            if (slide >= 1) {
                gProjectChanged = true;
                m_added = slide;
                if (MediaElement* r = gProject.Item(slide)) {
                    MediaPlayer length;
                    length.setTimeFormat(MediaPlayer::TimeFormat::Milliseconds);
                    if (length.open(r->Filename)) {
                        r->Duration = static_cast<std::int32_t>(length.length());
                    }
                    length.close();
                }
            } else {
                MsgBox(str::AddFailed);
            }
        }
    }
    releaseCamera();
    QDialog::accept();
}

void RecordVideo::reject() {
    stopCapture();
    m_timer.stop();
    m_playing = false;
    m_player->command("stop");
    releaseCamera();
    QDialog::reject();
}

void RecordVideo::releaseCamera() {
    if (m_camera && m_connected) {
        m_player->command("close");
        m_camera->put(DispConnect, false);
        m_connected = false;
    }
}

}  // namespace brindle
