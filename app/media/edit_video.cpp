#include "app/media/edit_video.h"

#include "app/model/media_element.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "components/mediaplayer/media_player.h"
#include "controls/clipedit/klipvane_ids.h"
#include "controls/trimslider/vasklin_ids.h"
#include "platform/dispatch/control_host.h"
#include "platform/messages.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QVBoxLayout>

namespace brindle {
namespace {

// "The selected video file cannot be opened. ..."

constexpr QSize kScreenSize{320, 240};

// Keeps the picture laid exactly over the player whatever size the player
// gets.
class ScreenBox : public QWidget {
public:
    ScreenBox(QWidget* parent, std::function<void()> onResize)
        : QWidget(parent), m_onResize(std::move(onResize)) {}
    QSize sizeHint() const override { return kScreenSize; }

protected:
    void resizeEvent(QResizeEvent*) override { m_onResize(); }

private:
    std::function<void()> m_onResize;
};

}  // namespace

editVideo::editVideo(int slide, QWidget* parent)
    : QDialog(parent), m_slideNumber(slide), m_view(projectView()) {
    setObjectName("editVideo");
    setWindowTitle(gAppTitle);
    m_clipEdit = m_view ? m_view->clipEditControl() : nullptr;
    m_seek.setSingleShot(true);
    m_seek.setInterval(0);
    connect(&m_seek, &QTimer::timeout, this, [this] {
        if (m_pendingSeek >= 0 && m_player->mode() != MediaPlayer::Mode::NotReady) {
            m_player->setPosition(m_pendingSeek);
        }
        m_pendingSeek = -1;
    });
    buildLayout();
}

editVideo::~editVideo() = default;

void editVideo::buildLayout() {
    auto* outer = new QVBoxLayout(this);

    m_screen = new ScreenBox(this, [this] { placeImageOverPlayer(); });
    m_screen->setObjectName("Screen");
    m_screen->setMinimumSize(kScreenSize);
    m_player = new MediaPlayer(m_screen);
    m_image = new QLabel(m_screen);
    m_image->setObjectName("Image2");
    m_image->setAlignment(Qt::AlignCenter);
    m_image->setStyleSheet("background: black");
    m_image->hide();
    outer->addWidget(m_screen, 1);

    m_slider = dispatch::ControlHost::load(vasklin::kControlName, this);
    if (m_slider) {
        QWidget* w = m_slider->widget();
        w->setObjectName("TSlider21");
        w->setMinimumSize(300, 40);
        outer->addWidget(w);
        m_slider->onEvent(vasklin::EventPointerPosChanged,
                          [this](const QVariantList& a) { sliderMoved(a.value(0).toLongLong()); });
        m_slider->onEvent(vasklin::EventStartEditPosChanged,
                          [this](const QVariantList& a) { sliderMoved(a.value(0).toLongLong()); });
        m_slider->onEvent(vasklin::EventEndEditPosChanged,
                          [this](const QVariantList& a) { sliderMoved(a.value(0).toLongLong()); });
    }

    auto* row = new QHBoxLayout;
    m_play = new QPushButton(this);
    m_play->setObjectName("Play");
    m_play->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_play->setToolTip(tr("Play the kept frames"));
    m_stop = new QPushButton(this);
    m_stop->setObjectName("Stop1");
    m_stop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    m_stop->setEnabled(false);
    m_label = new QLabel(this);
    m_label->setObjectName("Label1");
    m_label->setMinimumWidth(fontMetrics().horizontalAdvance("Frame: 000000"));
    m_done = new QPushButton(tr("OK"), this);
    m_done->setObjectName("Done");
    m_done->setDefault(true);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName("Cancel");
    row->addWidget(m_play);
    row->addWidget(m_stop);
    row->addSpacing(8);
    row->addWidget(m_label);
    row->addStretch(1);
    row->addWidget(m_done);
    row->addWidget(m_cancel);
    outer->addLayout(row);

    connect(m_play, &QPushButton::clicked, this, [this] { Play_Click(); });
    connect(m_stop, &QPushButton::clicked, this, [this] { Stop1_Click(); });
    connect(m_done, &QPushButton::clicked, this, [this] { Done_Click(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { Cancel_Click(); });
    connect(m_player, &MediaPlayer::positionChanged, this,
            [this](std::int64_t p) { playerPositionChanged(p); });
    connect(m_player, &MediaPlayer::modeChanged, this,
            [this](const QString& mode) { playerModeChanged(mode); });
}

void editVideo::placeImageOverPlayer() {
    const QRect r = m_screen->rect();
    m_player->setGeometry(r);
    m_image->setGeometry(m_player->geometry());
}

MediaElement* editVideo::slide() const {
    return gProject.Item(m_slideNumber);
}

int editVideo::sliderLong(int dispid) {
    return m_slider ? m_slider->call(dispid).value.toInt() : 0;
}

bool editVideo::load() {
    const MediaElement* r = slide();
    if (r == nullptr || r->mediaType != MediaVideo || r->VideoType != VideoAvi) {
        return false;
    }
    if (m_clipEdit == nullptr || !m_slider) {
        qWarning("editVideo: the clip edit control or the trim slider is missing");
        MsgBox(str::BadVideo);
        return false;
    }
    // The clip edit control opens the clip; an empty name back means it could
    // not (the file is gone or no longer reads as a clip).
    m_clipEdit->put(klipvane::DispFilename, r->Filename);
    const bool clipOpen = !m_clipEdit->get(klipvane::DispFilename).value.toString().isEmpty();
    m_player->setTimeFormat(MediaPlayer::TimeFormat::Frames);
    if (!clipOpen || !m_player->open(r->Filename)) {
        releaseClip();
        MsgBox(str::BadVideo);
        return false;
    }
    m_player->show();

    m_totalFrames = m_clipEdit->get(klipvane::DispTotalFrames).value.toInt();
    m_lastFrame = m_clipEdit->get(klipvane::DispLastFrame).value.toInt();
    m_slider->call(vasklin::DispSetTotalRange, {0, m_totalFrames - 1});
    m_slider->put(vasklin::DispStartEditPos, 0);
    m_slider->put(vasklin::DispEndEditPos, m_lastFrame);
    m_slider->put(vasklin::DispPointerPos, 0);
    m_slider->put(vasklin::DispShowTrimCtl, true);
    m_slider->call(vasklin::DispSetCurPosToolTip, {tr("Position")});
    m_slider->call(vasklin::DispSetStartToolTip, {tr("First frame kept")});
    m_slider->call(vasklin::DispSetEndToolTip, {tr("Last frame kept")});
    m_slider->call(vasklin::DispSetBackToolTip, {tr("Previous frame")});
    m_slider->call(vasklin::DispSetFwdToolTip, {tr("Next frame")});
    m_seek.stop();
    m_pendingSeek = -1;
    m_player->setPosition(0);
    placeImageOverPlayer();
    return true;
}

void editVideo::Play_Click() {
    m_play->setEnabled(false);
    m_stop->setEnabled(true);
    m_stop->setFocus();
    m_player->command("stop");
    // A seek still pending from the slider must not land after the start.
    m_seek.stop();
    m_pendingSeek = -1;
    m_player->setPosition(sliderLong(vasklin::DispGetEditStartPos));
    m_player->command("play");
}

void editVideo::Stop1_Click() {
    m_player->command("stop");
    m_play->setEnabled(true);
    m_stop->setEnabled(false);
    m_play->setFocus();
}

void editVideo::sliderMoved(std::int64_t frame) {
    if (m_cutting) {
        return;
    }
    m_pendingSeek = frame;
    if (!m_seek.isActive()) {
        m_seek.start();
    }
}

void editVideo::playerPositionChanged(std::int64_t p) {
    const bool playing = m_player->mode() == MediaPlayer::Mode::Playing;
    if (playing && p >= sliderLong(vasklin::DispGetEditEndPos)) {
        const int start = sliderLong(vasklin::DispGetEditStartPos);
        m_player->command("stop");
        // The seek reports the start position again; that report sets the
        // label to the frame now shown.
        m_player->setPosition(start);
        m_slider->put(vasklin::DispPointerPos, start);
        m_play->setEnabled(true);
        m_stop->setEnabled(false);
        return;
    }
    if (playing && m_slider) {
        m_slider->put(vasklin::DispPointerPos, QVariant::fromValue<std::int32_t>(p));
    }
    m_label->setText(LoadResString(str::FrameLabel) + " " + QString::number(p + 1));
}

void editVideo::playerModeChanged(const QString& mode) {
    if (m_cutting) {
        return;
    }
    const bool playing = mode == QLatin1String("playing");
    m_play->setEnabled(!playing);
    m_stop->setEnabled(playing);
}

void editVideo::Cancel_Click() {
    if (m_cutting) {
        return;
    }
    releaseClip();
    QDialog::reject();
}

void editVideo::reject() {
    // Escape and the close box are Cancel; neither may end a running cut.
    Cancel_Click();
}

void editVideo::closeEvent(QCloseEvent* event) {
    if (m_cutting) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void editVideo::releaseClip() {
    m_seek.stop();
    m_pendingSeek = -1;
    m_player->command("close");
    if (m_clipEdit) {
        m_clipEdit->put(klipvane::DispFilename, QString());
    }
}

void editVideo::setButtonsEnabled(bool enabled) {
    for (QPushButton* b : {m_play, m_stop, m_done, m_cancel}) {
        b->setEnabled(enabled);
    }
    if (m_slider) {
        m_slider->put(vasklin::DispEnabled, enabled);
    }
}

bool editVideoSlide(int k) {
    ProjectView* view = projectView();
    editVideo dialog(k, view ? view->dialogParent() : nullptr);
    if (!dialog.load()) {
        return false;
    }
    dialog.exec();
    return dialog.clipWasCut();
}

}  // namespace brindle
