// recordAudio: records, plays, erases or imports a sound and on OK hands it
// to the project as the selected slide's audio caption or as the project's
// background track. It hosts one audio capture control, CKaudio1.
#pragma once

#include "platform/dispatch/control_host.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace brindle {

class MediaElement;

class recordAudio : public QDialog {
    Q_OBJECT
public:
    // The recording limit of the dialog.
    static constexpr int kLimitMs = 120000;

    // slide: the slide whose caption is edited; nullptr for the background
    // track.
    recordAudio(QWidget* parent, MediaElement* slide);
    ~recordAudio() override;

    // True when the control could be loaded; without it the dialog only
    // tells the user (message 136) and closes.
    bool hasControl() const { return m_control != nullptr; }
    dispatch::ControlHost* control() const { return m_control.get(); }

    // Loads a sound into the dialog; the editor calls it with the slide's
    // caption or the background track before it shows the dialog. Only a
    // ".wav" sound is loaded this way.
    bool loadAudioFile(const QString& path, bool backgroundMode);
    // Imports a sound chosen or dropped by the user: any sound the control
    // can open, converted to WAV. The current sound stays when it fails.
    bool importAudioFile(const QString& path);
    int getLength();
    bool clearContent() { return true; }
    // Cancel: stops the control and hands nothing back.
    void reject() override;
    // The first file of a dropped list; message 67 when it cannot be loaded.
    void dropFile(const QStringList& files);

    // The control's events; public so a test can drive the recorded time.
    void onRecordProgress(int left, int right, int lengthMs);

    bool hasSound() const { return m_hasSound; }
    int soundLength() const { return m_soundLength; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void setButtons(bool record, bool stop, bool play, bool erase, bool files);
    void showSeconds(QLabel* label, int entry, int ms);
    void showZero(QLabel* label, int entry);
    bool loadChecked(const QString& path, bool anySound);

    void Record_Click();
    void Stop1_Click();
    void Play_Click();
    void Erase1_Click();
    void Files_Click();
    void Done_Click();
    void onRecordStop();
    void onRecordError();
    void onPlayProgress(int positionMs);
    void onPlayStop();
    bool saveSound(const QString& path);

    MediaElement* m_slide;
    bool m_backgroundMode = false;
    bool m_changed = false;
    QString m_soundKind;
    bool m_hasSound = false;
    int m_soundLength = 0;
    bool m_limitReached = false;
    bool m_trackErased = false;  // Erase in background mode, until OK

    QWidget* m_audioBack = nullptr;
    std::unique_ptr<dispatch::ControlHost> m_control;
    QToolButton* m_record = nullptr;
    QToolButton* m_stop = nullptr;
    QToolButton* m_play = nullptr;
    QPushButton* m_erase = nullptr;
    QPushButton* m_files = nullptr;
    QPushButton* m_done = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_length = nullptr;
    QLabel* m_position = nullptr;
    QLabel* m_noRealAudio = nullptr;
    QProgressBar* m_progress = nullptr;
};

}  // namespace brindle
