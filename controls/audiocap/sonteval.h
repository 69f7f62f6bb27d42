// Sonteval, the audio capture control: records from the default source
// into a scratch file, plays a sound back on the default sink, draws it as
// a scrolling waveform and saves all of it or a selection as WAV or AVI.
#pragma once

#include "controls/audiocap/player.h"
#include "controls/audiocap/recorder.h"
#include "controls/audiocap/sonteval_ids.h"
#include "controls/audiocap/sound_stream.h"
#include "controls/audiocap/waveform.h"
#include "platform/dispatch/control_api.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace brindle::sonteval {

using dispatch::DispResult;

// The four save formats; 3 is matched to the source at save time.
wave::Format formatByIndex(int index);

// A text argument that is missing or null (no name at all).
bool nullText(const QVariant& v);

class Sonteval : public QWidget, public dispatch::Control {
public:
    explicit Sonteval(QWidget* parent);
    ~Sonteval() override;

    QWidget* widget() override { return this; }
    DispResult invoke(int dispid, dispatch::InvokeKind kind, QVariantList& args) override;
    void saveProperties(dispatch::PropertyBag& bag) const override;
    void loadProperties(const dispatch::PropertyBag& bag) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Properties.
    DispResult getDisplayMode();
    DispResult putDisplayMode(const QVariant& v);
    DispResult getNoStreamColor();
    DispResult putNoStreamColor(const QVariant& v);
    DispResult getStatus();
    DispResult putStatus(const QVariant& v);
    DispResult getScratchFileName();
    DispResult putScratchFileName(const QVariant& v);
    DispResult getLength();
    DispResult getCurrentPosition();
    DispResult getCaptureFormat();
    DispResult putCaptureFormat(const QVariant& v);
    DispResult getSaveFormat();
    DispResult putSaveFormat(const QVariant& v);
    DispResult getBackgroundColor();
    DispResult putBackgroundColor(const QVariant& v);
    DispResult getMonoForeColor();
    DispResult putMonoForeColor(const QVariant& v);
    DispResult getLeftForeColor();
    DispResult putLeftForeColor(const QVariant& v);
    DispResult getRightForeColor();
    DispResult putRightForeColor(const QVariant& v);
    DispResult getVernierColor();
    DispResult putVernierColor(const QVariant& v);
    // Methods.
    DispResult record(QVariantList& args);
    DispResult play(QVariantList& args);
    DispResult seek(QVariantList& args);
    DispResult save(QVariantList& args);
    DispResult saveSelection(QVariantList& args);
    DispResult setSelection(QVariantList& args);
    DispResult getFileSizeUpperLimit(QVariantList& args);
    DispResult setFileSizeUpperLimit(QVariantList& args);
    DispResult pause(QVariantList& args);
    DispResult stop(QVariantList& args);
    DispResult openFile(QVariantList& args);
    DispResult getSelection(QVariantList& args);
    DispResult cancelSave(QVariantList& args);
    DispResult threadSafeSave(QVariantList& args);
    DispResult closeFile(QVariantList& args);
    DispResult aboutBox(QVariantList& args);

    // The engine.
    void stopAll();
    void releaseStreams();
    void retire(std::unique_ptr<Player> player);
    void retire(std::unique_ptr<Recorder> recorder);
    void onRecorderBuffer(wave::Buffer* buffer);
    void onRecorderLost();
    void onPlayerBuffer(wave::Buffer* buffer);
    void onPlayerClosed();
    void queueEvent(int dispid);
    // Saves [first, end) of the open stream; the control's error code or 0.
    std::int32_t saveRange(const QVariant& path, bool selectionOnly);
    bool saveProgressStep(int percent);
    wave::Format saveFormatFor() const;
    QColor colorOf(std::uint32_t value) const;
    DispResult putColor(const QVariant& v, std::uint32_t* into);

    static const std::array<dispatch::Member<Sonteval>, 29> kTable;

    std::int16_t m_displayMode = 1;
    std::uint32_t m_noStreamColor = 0x808080;
    std::int16_t m_status = 0;
    bool m_saveCancelled = false;
    bool m_cancelRequested = false;
    std::int32_t m_lengthLimit = 2147483647;
    std::int32_t m_positionMs = 0;
    std::int64_t m_selectionEnd = 0;
    std::int64_t m_selectionStart = 0;
    bool m_paused = false;
    std::int16_t m_saveFormat = 1;
    std::int16_t m_captureFormat = 1;
    StreamPtr m_openStream;
    StreamPtr m_recordStream;
    std::unique_ptr<Player> m_player;
    std::unique_ptr<Recorder> m_recorder;
    // Stopped players and recorders, freed after the notification that
    // stopped them.
    std::vector<std::unique_ptr<Player>> m_retiredPlayers;
    std::vector<std::unique_ptr<Recorder>> m_retiredRecorders;
    std::unique_ptr<AviAppender> m_scratchWriter;
    QString m_scratchFileName;
    QString m_openedFileName;
    QString m_sourceFileName;
    std::uint32_t m_backgroundColor = 0x9C5A19;  // RGB(25,90,156) as 0x00BBGGRR
    std::uint32_t m_monoColor = 0xFFFFFF;
    std::uint32_t m_leftColor = 0xFFFFFF;
    std::uint32_t m_rightColor = 0xFFFFFF;
    std::uint32_t m_vernierColor = 0xDCDCDC;
    bool m_modified = false;
    bool m_inPlayStop = false;
    bool m_saving = false;  // a save of this control is running
    ColumnCache m_cache;
};

}  // namespace brindle::sonteval
