#include "app/media/record_audio.h"

#include "app/model/folders.h"
#include "app/model/media_element.h"
#include "app/model/project.h"
#include "app/model/project_view.h"
#include "app/model/settings.h"
#include "controls/audiocap/sonteval_ids.h"
#include "platform/dialogs/interface_font.h"
#include "platform/file_dialogs.h"
#include "platform/files.h"
#include "platform/messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace brindle {

using namespace sonteval;

namespace {

// "Audio (*.wav)|*.wav", then every file: the control opens any sound.
QString dialogFilter() {
    const QStringList parts = LoadResString(str::AudioFilter).split(QLatin1Char('|'));
    const QString first = parts.value(0);
    const QString word = first.section(QLatin1Char('('), 0, 0).trimmed();
    return first + QLatin1Char('|') + parts.value(1) + QLatin1Char('|') + word +
           QStringLiteral(" (*)|*");
}

QIcon buttonIcon(int kind) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    switch (kind) {
        case 0:  // record
            p.setBrush(QColor(200, 30, 30));
            p.drawEllipse(QRect(6, 6, 20, 20));
            break;
        case 1:  // stop
            p.setBrush(QColor(40, 40, 40));
            p.drawRect(QRect(8, 8, 16, 16));
            break;
        default: {  // play
            QPainterPath path;
            path.moveTo(9, 6);
            path.lineTo(27, 16);
            path.lineTo(9, 26);
            path.closeSubpath();
            p.setBrush(QColor(30, 130, 40));
            p.drawPath(path);
            break;
        }
    }
    return QIcon(pm);
}

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QString tempFile(const char* name) {
    return gTempFolder + QLatin1Char('/') + QLatin1String(name);
}

}  // namespace

recordAudio::recordAudio(QWidget* parent, MediaElement* slide) : QDialog(parent), m_slide(slide) {
    setObjectName(QStringLiteral("recordAudio"));
    setWindowTitle(gAppTitle);
    setFont(interfaceFont());
    setAcceptDrops(true);
    buildControls();

    if (m_control) {
        m_control->put(DispCaptureFormat, 1);
        m_control->call(DispSetFileSizeUpperLimit, {0, kLimitMs});
        m_control->onEvent(EventRecordProgress, [this](const QVariantList& a) {
            onRecordProgress(a.value(0).toInt(), a.value(1).toInt(), a.value(2).toInt());
        });
        m_control->onEvent(EventRecordStop, [this](const QVariantList&) { onRecordStop(); });
        m_control->onEvent(EventRecordError, [this](const QVariantList&) { onRecordError(); });
        m_control->onEvent(EventPlayProgress,
                           [this](const QVariantList& a) { onPlayProgress(a.value(2).toInt()); });
        m_control->onEvent(EventPlayStop, [this](const QVariantList&) { onPlayStop(); });
    }
    m_changed = false;
    setButtons(true, false, false, false, true);
}

recordAudio::~recordAudio() {
    if (m_control) {
        m_control->call(DispStop);
    }
}

void recordAudio::buildControls() {
    auto* top = new QVBoxLayout(this);

    m_audioBack = new QWidget(this);
    m_audioBack->setObjectName(QStringLiteral("audioBack"));
    m_audioBack->setFixedHeight(110);
    auto* backLayout = new QVBoxLayout(m_audioBack);
    backLayout->setContentsMargins(0, 0, 0, 0);
    QString error;
    m_control = dispatch::ControlHost::load(QString::fromLatin1(kControlName), m_audioBack, &error);
    if (m_control) {
        m_control->widget()->setObjectName(QStringLiteral("CKaudio1"));
        m_control->widget()->setMinimumSize(360, 100);
        backLayout->addWidget(m_control->widget());
    }
    m_progress = new QProgressBar(m_audioBack);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->hide();
    backLayout->addWidget(m_progress);
    m_noRealAudio = new QLabel(m_audioBack);
    m_noRealAudio->setObjectName(QStringLiteral("NoRealAudio"));
    m_noRealAudio->hide();
    top->addWidget(m_audioBack);

    auto* labels = new QHBoxLayout;
    m_length = new QLabel(this);
    m_length->setObjectName(QStringLiteral("Label1"));
    m_position = new QLabel(this);
    m_position->setObjectName(QStringLiteral("Label2"));
    labels->addWidget(m_length);
    labels->addStretch();
    labels->addWidget(m_position);
    top->addLayout(labels);
    showZero(m_length, 30);
    showZero(m_position, 31);

    auto* buttons = new QGridLayout;
    auto bitmapButton = [&](const char* name, const char* captionName, int entry, int icon,
                            int column) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(buttonIcon(icon));
        b->setIconSize(QSize(32, 32));
        b->setToolTip(LoadResString(entry));
        auto* caption = new QLabel(LoadResString(entry), this);
        caption->setObjectName(QString::fromLatin1(captionName));
        caption->setAlignment(Qt::AlignHCenter);
        buttons->addWidget(b, 0, column, Qt::AlignHCenter);
        buttons->addWidget(caption, 1, column, Qt::AlignHCenter);
        return b;
    };
    m_record = bitmapButton("Record", "Label4", 26, 0, 0);
    m_stop = bitmapButton("Stop1", "Label5", 25, 1, 1);
    m_play = bitmapButton("Play", "Label6", 24, 2, 2);
    m_erase = new QPushButton(LoadResString(str::Erase), this);
    m_erase->setObjectName(QStringLiteral("Erase1"));
    m_files = new QPushButton(LoadResString(str::FilesButton), this);
    m_files->setObjectName(QStringLiteral("Files"));
    buttons->addWidget(m_erase, 0, 3);
    buttons->addWidget(m_files, 0, 4);
    top->addLayout(buttons);

    auto* back = new QWidget(this);  // the drop area under the buttons
    back->setObjectName(QStringLiteral("Back"));
    auto* okRow = new QHBoxLayout(back);
    okRow->addStretch();
    m_done = new QPushButton(LoadResString(str::Ok), back);
    m_done->setObjectName(QStringLiteral("Done"));
    m_done->setDefault(true);
    m_cancel = new QPushButton(LoadResString(str::Cancel), back);
    m_cancel->setObjectName(QStringLiteral("Cancel"));
    okRow->addWidget(m_done);
    okRow->addWidget(m_cancel);
    top->addWidget(back);

    connect(m_record, &QToolButton::clicked, this, [this] { Record_Click(); });
    connect(m_stop, &QToolButton::clicked, this, [this] { Stop1_Click(); });
    connect(m_play, &QToolButton::clicked, this, [this] { Play_Click(); });
    connect(m_erase, &QPushButton::clicked, this, [this] { Erase1_Click(); });
    connect(m_files, &QPushButton::clicked, this, [this] { Files_Click(); });
    connect(m_done, &QPushButton::clicked, this, [this] { Done_Click(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void recordAudio::setButtons(bool record, bool stop, bool play, bool erase, bool files) {
    m_record->setEnabled(record);
    m_stop->setEnabled(stop);
    m_play->setEnabled(play);
    m_erase->setEnabled(erase);
    m_files->setEnabled(files);
}

void recordAudio::showSeconds(QLabel* label, int entry, int ms) {
    // "###0.00", and always one blank before the unit word.
    label->setText(LoadResString(entry) + QLatin1Char(' ') + QString::number(ms / 1000.0, 'f', 2) +
                   QLatin1Char(' ') + LoadResString(str::Seconds));
}

void recordAudio::showZero(QLabel* label, int entry) {
    label->setText(LoadResString(entry) + QStringLiteral(" 0.00 ") + LoadResString(str::Seconds));
}

int recordAudio::getLength() {
    if (!m_control) {
        return 0;
    }
    const dispatch::DispResult r = m_control->get(DispLength);
    return r.ok() ? r.value.toInt() : 0;
}

bool recordAudio::loadAudioFile(const QString& path, bool backgroundMode) {
    m_backgroundMode = backgroundMode;
    return loadChecked(path, false);
}

bool recordAudio::importAudioFile(const QString& path) {
    return loadChecked(path, true);
}

bool recordAudio::loadChecked(const QString& path, bool anySound) {
    WaitCursor wait;
    if (!m_control) {
        return false;
    }
    if (!anySound && !path.right(4).toLower().endsWith(QLatin1String(".wav"))) {
        m_hasSound = false;
        m_erase->setEnabled(false);
        return false;
    }
    // The new sound is checked, and converted to WAV as T\tmp.wav, by a
    // second control before the current sound is dropped.
    const QString copy = tempFile("tmp.wav");
    const bool sameFile =
        QFileInfo(path).canonicalFilePath() == QFileInfo(copy).canonicalFilePath();
    if (!sameFile) {
        QWidget hidden;
        auto probe = dispatch::ControlHost::load(QString::fromLatin1(kControlName), &hidden);
        if (!probe) {
            return false;
        }
        files::deleteFile(copy);
        probe->put(DispSaveFormat, 3);
        if (!probe->call(DispOpenFile, {path}).ok()) {
            return false;
        }
        const dispatch::DispResult len = probe->get(DispLength);
        if (!len.ok() || len.value.toInt() < 1 || !probe->call(DispSave, {copy}).ok()) {
            return false;
        }
    }
    m_control->call(DispCloseFile);
    m_changed = true;
    if (!m_control->call(DispOpenFile, {copy}).ok() || getLength() < 1) {
        showZero(m_length, 30);
        showZero(m_position, 31);
        m_hasSound = false;
        m_soundLength = 0;
        setButtons(true, false, false, false, true);
        return false;
    }
    const int len = getLength();
    m_noRealAudio->hide();
    m_soundLength = len;
    showSeconds(m_length, 30, len);
    showZero(m_position, 31);
    setButtons(true, false, true, true, true);
    m_progress->setValue(0);
    m_progress->show();
    m_soundKind = QStringLiteral("WINDOWS");
    m_control->widget()->hide();
    m_hasSound = true;
    return true;
}

void recordAudio::dropFile(const QStringList& files) {
    if (files.isEmpty() || !clearContent()) {
        return;
    }
    const QString file = files.first();
    if (!importAudioFile(file)) {
        MsgBoxText(str::AudioLoadFailed,
                   LoadResString(str::AudioLoadFailed) + file + QLatin1Char('.'), MsgButtons::Ok);
    }
}

void recordAudio::Record_Click() {
    if (!m_control) {
        return;
    }
    if (!m_control->call(DispRecord).ok()) {
        MsgBox(str::AudioDeviceBusy, MsgButtons::Ok);
        setButtons(true, false, m_hasSound, m_hasSound, true);
        return;
    }
    m_limitReached = false;
    m_trackErased = false;
    m_progress->hide();
    m_soundKind = QStringLiteral("WINDOWS");
    m_control->widget()->show();
    m_changed = true;
    m_hasSound = true;
    setButtons(false, true, false, false, false);
    m_stop->setFocus();
}

void recordAudio::Stop1_Click() {
    if (m_control) {
        m_control->call(DispStop);
    }
    setButtons(true, false, true, true, true);
    m_play->setFocus();
}

void recordAudio::Play_Click() {
    if (!m_control) {
        return;
    }
    m_progress->setValue(0);
    m_progress->show();
    m_control->widget()->hide();
    m_control->call(DispPlay);
    setButtons(false, true, false, true, true);
    m_stop->setFocus();
}

void recordAudio::Erase1_Click() {
    m_progress->hide();
    m_changed = true;
    m_soundLength = 0;
    if (m_control) {
        m_control->widget()->show();
        m_control->call(DispStop);
        m_control->call(DispCloseFile);
    }
    showZero(m_length, 30);
    showZero(m_position, 31);
    m_hasSound = false;
    // The track itself is let go on OK: Cancel hands nothing back.
    m_trackErased = m_backgroundMode;
    setButtons(true, false, false, false, true);
}

void recordAudio::Files_Click() {
    const QString filter = dialogFilter();
    const QString chosen = chooseFile(openFileRequest(QString(), filter, gImportPath));
    if (chosen.isEmpty()) {
        return;  // cancelled
    }
    if (!importAudioFile(chosen)) {
        MsgBoxText(str::AudioLoadFailed,
                   LoadResString(str::AudioLoadFailed) + chosen + QLatin1Char('.'), MsgButtons::Ok);
    } else {
        gImportPath = QFileInfo(chosen).absolutePath();
    }
}

void recordAudio::onRecordProgress(int, int, int lengthMs) {
    showSeconds(m_length, 30, lengthMs);
    m_soundLength = lengthMs;
    if (lengthMs >= kLimitMs && !m_limitReached) {
        m_limitReached = true;
        Stop1_Click();
        MsgBox(str::RecordingLimitReached, MsgButtons::Ok);
    }
}

void recordAudio::onRecordStop() {
    m_record->setEnabled(true);
    m_stop->setEnabled(false);
    m_play->setEnabled(m_erase->isEnabled());
    m_files->setEnabled(true);
    showZero(m_position, 31);
}

void recordAudio::onRecordError() {
    // The device went away mid-take: what was recorded stays, playable.
    Stop1_Click();
    m_soundLength = getLength();
    showSeconds(m_length, 30, m_soundLength);
    MsgBox(str::AudioDeviceBusy, MsgButtons::Ok);
}

void recordAudio::onPlayProgress(int positionMs) {
    showSeconds(m_position, 31, positionMs);
    const int length = getLength();
    if (length > 0) {
        const int percent = static_cast<int>(std::lround(positionMs * 100.0 / length));
        if (percent < 100) {
            m_progress->setValue(percent);
        }
    }
}

void recordAudio::onPlayStop() {
    m_progress->setValue(m_progress->maximum());
    if (m_soundKind == QLatin1String("WINDOWS")) {
        if (getLength() >= 1) {
            m_record->setEnabled(true);
            m_erase->setEnabled(true);
            m_play->setEnabled(true);
            m_files->setEnabled(true);
        } else {
            m_play->setEnabled(false);
            m_erase->setEnabled(false);
        }
    }
    m_stop->setEnabled(false);
    showZero(m_position, 31);
}

bool recordAudio::saveSound(const QString& path) {
    // The buttons rest while the file is written.
    const bool wasEnabled = isEnabled();
    for (QWidget* w : std::initializer_list<QWidget*>{m_record, m_stop, m_play, m_erase, m_files,
                                                      m_done, m_cancel}) {
        w->setEnabled(false);
    }
    m_control->put(DispSaveFormat, 1);
    const bool ok = m_control->call(DispSave, {path}).ok();
    m_done->setEnabled(wasEnabled);
    m_cancel->setEnabled(wasEnabled);
    setButtons(true, false, m_hasSound, m_hasSound, true);
    return ok;
}

void recordAudio::Done_Click() {
    if (m_control) {
        m_control->call(DispStop);
    }
    if (m_changed) {
        gProjectChanged = true;
        if (m_backgroundMode) {
            gBackTrackEncoded = false;
        } else if (m_slide) {
            m_slide->setEncoded(0);
        }
    }
    WaitCursor wait;
    if (m_hasSound) {
        const int len = getLength();
        // A sound shorter than a millisecond changes nothing.
        if (len >= 1 && !m_backgroundMode && m_slide) {
            const QString saved = tempFile("tmp1.wav");
            if (!saveSound(saved)) {
                MsgBox(str::ProjectUpdateFailed, MsgButtons::Ok);
                return;  // the old caption stays; the dialog stays open
            }
            m_control->call(DispCloseFile);
            // A caption of another kind (RealAudio) goes first, so the new
            // WAV file gets a name and type of its own.
            if (!m_slide->Sound.isEmpty() && m_slide->SoundType != SoundWave) {
                m_slide->UpdateSound(QString());
            }
            if (!m_slide->UpdateSound(saved)) {
                return;  // message 135 was shown by the update
            }
            m_slide->AudioDuration = m_soundLength;
            m_slide->setEncoded(0);
        } else if (len >= 1 && m_backgroundMode) {
            const QString saved = tempFile("backtrk.wav");
            const QString work = gWorkFolder + QStringLiteral("/backtrk.wav");
            if (!saveSound(saved) || !files::copyFile(saved, work)) {
                MsgBox(str::ProjectUpdateFailed, MsgButtons::Ok);
                return;
            }
            m_control->call(DispCloseFile);
            gBackTrack = work;
            gBackTrackDuration = m_soundLength;
            gBackTrackEncoded = false;
            gBackTrackType = SoundWave;
        }
        if (m_control) {
            m_control->call(DispCloseFile);
        }
    } else {
        if (!m_backgroundMode && m_slide) {
            m_slide->UpdateSound(QString());
            m_slide->AudioDuration = m_soundLength;
        } else if (m_backgroundMode) {
            if (m_trackErased) {
                gBackTrack.clear();
            }
            gBackTrackDuration = m_soundLength;
        }
    }
    if (ProjectView* view = projectView()) {
        view->refreshStrip();
    }
    accept();
}

void recordAudio::reject() {
    if (m_control) {
        m_control->call(DispStop);
    }
    QDialog::reject();
}

void recordAudio::closeEvent(QCloseEvent* event) {
    if (m_control) {
        m_control->call(DispStop);
    }
    QDialog::closeEvent(event);
}

void recordAudio::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void recordAudio::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    event->acceptProposedAction();
    dropFile(paths);
}

}  // namespace brindle
