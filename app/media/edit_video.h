// The clip edit dialog `editVideo`: plays the selected video slide's clip,
// lets the user choose the frames to keep with the trim slider's marks, and
// on OK cuts the clip file in place with the editor's clip edit control. The
// slider and the clip edit control are reached only by dispatch id.
#pragma once

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <memory>

class QLabel;
class QPushButton;

namespace brindle {

class MediaElement;
class MediaPlayer;
class ProjectView;
namespace dispatch {
class ControlHost;
}

class editVideo : public QDialog {
    Q_OBJECT
public:
    // A dialog for slide `slide` of gProject (1-based), over the registered
    // project view's window.
    explicit editVideo(int slide, QWidget* parent = nullptr);
    ~editVideo() override;

    // Opens the clip in the clip edit control and the player and sets the
    // slider to its frames. False, after saying so, when the slide is not an
    // AVI clip or the clip cannot be read; the dialog is then not to be shown.
    bool load();

    MediaPlayer* MCIWnd1() const { return m_player; }
    dispatch::ControlHost* TSlider21() const { return m_slider.get(); }
    QPushButton* Play() const { return m_play; }
    QPushButton* Stop1() const { return m_stop; }
    QPushButton* Done() const { return m_done; }
    QPushButton* Cancel() const { return m_cancel; }
    QLabel* Label1() const { return m_label; }
    QLabel* Image2() const { return m_image; }
    // True while OK is rewriting the clip.
    bool isCutting() const { return m_cutting; }
    // True once OK has cut the clip and updated the slide.
    bool clipWasCut() const { return m_cut; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void placeImageOverPlayer();

    void Play_Click();
    void Stop1_Click();
    void Done_Click();
    void Cancel_Click();
    void sliderMoved(std::int64_t frame);
    void playerPositionChanged(std::int64_t position);
    void playerModeChanged(const QString& mode);

    // Cuts the clip to the slider's marks and brings the slide up to date;
    // false when the cut failed (the clip and the slide are then unchanged).
    bool cutClip(int first, int last);
    void showFirstKeptFrame(int frame);
    void setButtonsEnabled(bool enabled);
    // The clip edit control let go of the clip, the player closed.
    void releaseClip();

    MediaElement* slide() const;
    int sliderLong(int dispid);

    int m_slideNumber;
    ProjectView* m_view;
    dispatch::ControlHost* m_clipEdit = nullptr;
    std::unique_ptr<dispatch::ControlHost> m_slider;
    int m_totalFrames = 0;
    int m_lastFrame = 0;
    bool m_cutting = false;
    bool m_cut = false;

    // Seeks asked by the slider land on the player once the pending input
    // is handled, so a fast drag decodes only the latest position.
    QTimer m_seek;
    std::int64_t m_pendingSeek = -1;

    QWidget* m_screen = nullptr;  // holds the player and the picture over it
    MediaPlayer* m_player = nullptr;
    QLabel* m_image = nullptr;
    QLabel* m_label = nullptr;
    QPushButton* m_play = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_done = nullptr;
    QPushButton* m_cancel = nullptr;
};

// Edit command for a video slide: the dialog for slide k, shown modally when
// its clip loads. True when the clip was cut.
bool editVideoSlide(int k);

}  // namespace brindle
